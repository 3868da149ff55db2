#include "listwindow/bwnListScope.h"

#include "basewindows/wnIcons.h"
#include "budget/gunFunCheck.h"
#include "context/untWorkContext.h"
#include "controls/TTreeView.h"
#include "platform/gunStrDeal.h"
#include "platform/untCodePage.h"
#include "support/gunChoiceCombo.h"
#include "support/untDynamicTree.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QTreeWidgetItemIterator>

TListScope::TListScope(const TListControls& ui, TTreeView* tree) : m_ui(ui), m_tree(tree) {}

void TListScope::Start(bool fewUnits)
{
    m_fewUnits = fewUnits;
    m_unitCode = fewUnits ? CurrentUnitText(0) : Cp936DropRight(CurrentUnitText(0), 3);
    m_unitName = CurrentUnitText(3);
}

void TListScope::FillFilters()
{
    FillIndicatorTypes(m_ui.cobBType, false, true);
    ApplyType(true);
    UpdateSubTypePanel();
    if (m_fewUnits) {
        FillMoneyKinds(m_ui.cobMid, true, 1, false, QString());
    } else {
        BuildUnitTree();
        FillMoneyKinds(m_ui.cobMid, true, IsDeptLevelUnit() ? 0 : 1, false, QString());
    }
    if (m_ui.cobMid->count() > 1)
        m_ui.cobMid->setCurrentIndex(1);
}

// The type chosen in its list and the sources it offers: every type but the first lists only
// the chosen ones, the first of them chosen when asked.
void TListScope::ApplyType(bool chooseFirstSource)
{
    m_bTypeIndex = QString::number(m_ui.cobBType->currentIndex());
    if (m_bTypeIndex != QLatin1String("0"))
        FillBudgetKinds(m_ui.cobbkid, true, 0, QString());
    else
        FillBudgetKinds(m_ui.cobbkid, false, 2, QString());
    if (chooseFirstSource && m_bTypeIndex != QLatin1String("0") && m_ui.cobbkid->count() > 1)
        m_ui.cobbkid->setCurrentIndex(1);
}

QString TListScope::MoneyKindCode() const
{
    return ComboCode(m_ui.cobMid);
}

QString TListScope::SourceCode() const
{
    return ComboCode(m_ui.cobbkid);
}

QGroupBox* UnitChoiceBox(QWidget* parent, QRadioButton* (&items)[2],
                         const std::function<void()>& chosen)
{
    auto* box = new QGroupBox(parent);
    auto* line = new QHBoxLayout(box);
    line->setContentsMargins(4, 2, 4, 2);
    items[0] = new QRadioButton(QStringLiteral("显示代录单位"), box);
    items[1] = new QRadioButton(QStringLiteral("显示全部单位"), box);
    items[0]->setChecked(true);
    for (QRadioButton* r : items) {
        line->addWidget(r);
        QObject::connect(r, &QRadioButton::toggled, box, [chosen](bool on) {
            if (on)
                chosen();
        });
    }
    return box;
}

ListFilter OperatorListFilter()
{
    ListFilter f;
    f.DataYear = WorkingDataYear();
    f.BureauMode = SysParams().BureauMode;
    f.BureauScope = SysParams().BureauScope;
    f.OperatorBureau = CurrentUserText(7);
    return f;
}

ListFilter TListScope::Filter() const
{
    ListFilter f = OperatorListFilter();
    f.BTypeIndex = m_bTypeIndex;
    f.MoneyKindCode = MoneyKindCode();
    f.SourceCode = SourceCode();
    f.SubTypeShown = !m_ui.pnlChild->isHidden();
    f.SubTypeIndex = m_ui.cobChild->currentIndex();
    f.UnitCode = m_unitCode;
    f.ExpenseTypeCode = m_group.ExpenseTypeCode;
    f.SubjectPrefix = m_group.SubjectPrefix;
    f.EntryMonth = m_group.EntryMonth;
    return f;
}

void TListScope::UpdateAddRule()
{
    m_addRuleMet = !MoneyKindCode().isEmpty() && RightText(m_unitCode, 3) == QLatin1String("001") &&
                   !SourceCode().isEmpty();
}

void TListScope::TypeChanged()
{
    const int type = m_ui.cobBType->currentIndex();
    SysParams().DefaultBType = type;
    SetSysParam(QStringLiteral("setDefaultBType"), QString::number(type));
    ApplyType(true);
    UpdateSubTypePanel();
}

void TListScope::SourceChanged()
{
    FillMoneyKinds(m_ui.cobMid, true, MoneyKindListType(SourceCode(), m_unitCode), false,
                   QString());
    if (m_ui.cobMid->count() > 1)
        m_ui.cobMid->setCurrentIndex(1);
    UpdateSubTypePanel();
}

bool TListScope::UnitChosen(QTreeWidgetItem* node)
{
    if (!node)
        return false;
    UnitOfNode(m_tree, node, m_unitCode, m_unitName);
    SourceChanged();
    return true;
}

void TListScope::BuildUnitTree()
{
    SetUpUnitTree(m_ui.DytDept, m_tree, m_ui.rgpShowEidItems[0]->isChecked());
}

void TListScope::UpdateSubTypePanel()
{
    m_ui.pnlChild->setVisible(m_ui.cobBType->currentIndex() == 1 &&
                              SourceCode() == QLatin1String("21"));
}

void TListScope::ShowGroup(const ListFilter& f, const QString& unitName, const QString& caption)
{
    m_ui.cobBType->setCurrentIndex(f.BTypeIndex.toInt());
    ApplyType(false);
    SelectComboCode(m_ui.cobbkid, f.SourceCode);
    m_unitCode = f.UnitCode;
    m_unitName = unitName;
    FillMoneyKinds(m_ui.cobMid, true, MoneyKindListType(SourceCode(), m_unitCode), false,
                   QString());
    SelectComboCode(m_ui.cobMid, f.MoneyKindCode);
    UpdateSubTypePanel();
    m_ui.cobChild->setCurrentIndex(f.SubTypeShown ? f.SubTypeIndex : 0);
    if (!m_fewUnits)
        SelectUnitNode(m_tree, f.UnitCode);
    m_group = f;
    m_groupCaption = caption;
}

void TListScope::ClearGroup()
{
    m_group = ListFilter();
    m_groupCaption.clear();
}

void SetUpUnitTree(TDynamicTree* tree, TTreeView* view, bool entrustedOnly)
{
    const QString prefix = Cp936DropRight(CurrentUnitText(0), 3);
    const TSqlDialect dialect = DefDialect();
    tree->SetActive(false);
    tree->SetAdoConn(GetDefConnection());
    tree->SqlTable = {UnitTreeSource(prefix, entrustedOnly, dialect)};
    tree->SetFieldId(QStringLiteral("eid"));
    tree->FieldPid = QStringLiteral("peid");
    tree->FieldIsLeaf = QStringLiteral("leafflag");
    tree->FieldCaption = QStringLiteral("ename");
    tree->FieldText = QStringLiteral("tname");
    tree->TopVirNodeIdValue = Cp936DropRight(prefix, 3);
    tree->ValueIsLeaf = QStringLiteral("0");
    tree->SetTopVirNodeTitle(QStringLiteral("预算单位"));
    tree->SetTreeView(view);
    tree->OnAfterAddNode = [](TDynamicTree*, TARQuery*, TNodeItem* node, TItemInfo*) {
        node->setIcon(0, IconUnit());
    };
    tree->SetActive(true);
}

int MoneyKindListType(const QString& sourceCode, const QString& selectedUnit)
{
    const QString unit = CurrentUnitText(0);
    const bool allKinds = IsDeptLevelUnit() && sourceCode == QLatin1String("21") &&
                          (selectedUnit == unit || selectedUnit == Cp936Left(unit, 3));
    return allKinds ? 0 : 1;
}

void UnitOfNode(const TTreeView* tree, QTreeWidgetItem* node, QString& code, QString& name)
{
    auto* item = static_cast<TNodeItem*>(node);
    if (tree->indexOfTopLevelItem(node) == 0) {
        code = Cp936Left(CurrentUnitText(0), 3);
        name = CurrentUnitText(3);
    } else if (item->Info) {
        code = item->Info->Id;
        name = item->Info->Caption;
    }
}

void SelectUnitNode(TTreeView* tree, const QString& code)
{
    const QSignalBlocker quiet(tree); // the unit is set already: nothing is read for the choice
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        QString nodeCode, name;
        UnitOfNode(tree, *it, nodeCode, name);
        if (nodeCode == code) {
            tree->setCurrentItem(*it);
            tree->scrollToItem(*it);
            return;
        }
    }
    tree->setCurrentItem(nullptr);
}
