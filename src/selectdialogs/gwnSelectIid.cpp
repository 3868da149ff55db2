#include "selectdialogs/gwnSelectIid.h"

#include "context/untWorkContext.h"
#include "controls/TTreeView.h"
#include "elements/gunfunElement.h"
#include "platform/untApplication.h"
#include "support/gunChoiceCombo.h"
#include "support/untDynamicTree.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <memory>

TgfrmSelectIid::TgfrmSelectIid(QObject* owner) : TgfrmSelectElement(owner)
{
    setObjectName(QStringLiteral("gfrmSelectIid"));
    setWindowTitle(QStringLiteral("请选择项目信息"));
    resize(420, 447);
    move(471, 261);
    Panel4->setFixedHeight(81);
    Panel8 = new QFrame(Panel4);
    Panel8->setObjectName(QStringLiteral("Panel8"));
    Panel8->setFrameShape(QFrame::Panel);
    Panel8->setFrameShadow(QFrame::Sunken);
    Panel8->setGeometry(16, 8, 377, 65);
    auto label = [this](const char* name, const QString& text, int x, int y) {
        auto* l = new QLabel(text, Panel8);
        l->setObjectName(QLatin1String(name));
        l->move(x, y);
        return l;
    };
    Label3 = label("Label3", QStringLiteral("项目编码"), 16, 14);
    edtIid = new QLineEdit(Panel8);
    edtIid->setObjectName(QStringLiteral("edtIid"));
    edtIid->setGeometry(72, 8, 97, 22);
    Label1 = label("Label1", QStringLiteral("项目类别"), 192, 12);
    cmbDKId = new QComboBox(Panel8);
    cmbDKId->setObjectName(QStringLiteral("cmbDKId"));
    cmbDKId->setGeometry(248, 8, 121, 22);
    Label2 = label("Label2", QStringLiteral("项目名称"), 16, 40);
    edtIName = new QLineEdit(Panel8);
    edtIName->setObjectName(QStringLiteral("edtIName"));
    edtIName->setGeometry(72, 35, 297, 22);
    setTabOrder(edtIid, cmbDKId);
    setTabOrder(cmbDKId, edtIName);
    setTabOrder(edtIName, trvBottom);

    // Leaving a search field, or choosing another kind, searches anew.
    auto refresh = [this] { Guarded(this, [this] { cmbDKIdChange(); }); };
    connect(edtIid, &QLineEdit::editingFinished, this, refresh);
    connect(edtIName, &QLineEdit::editingFinished, this, refresh);
    connect(cmbDKId, &QComboBox::activated, this, refresh);
}

void TgfrmSelectIid::FormCreate()
{
    TgfrmSelectElement::FormCreate();
    FillDataKinds(cmbDKId, true, 0, QString());
}

void TgfrmSelectIid::FormShow()
{
    // The tree was built before the dialog showed: it keeps the node the tree chose.
    QTreeWidgetItem* current = trvBottom->currentItem();
    TgfrmSelectElement::FormShow();
    trvBottom->setCurrentItem(current);
}

void TgfrmSelectIid::cmbDKIdChange()
{
    RefreshTree();
}

QString TgfrmSelectIid::BuildItemQuery() const
{
    // The kind's code comes with the list entry ("<全部>" has none).
    return ItemTreeSource(ComboCode(cmbDKId), edtIid->text(), edtIName->text(), FItemFilter,
                          DefDialect());
}

void TgfrmSelectIid::RefreshTree()
{
    const QString source = BuildItemQuery();
    TDynamicTree* tree = dtrvElement;
    tree->SetActive(false);
    tree->SetAdoConn(GetDefConnection());
    tree->SqlTable = {source};
    tree->SetFieldId(QStringLiteral("id"));
    tree->FieldPid = QStringLiteral("pid");
    tree->FieldIsLeaf = QStringLiteral("leafflag");
    tree->FieldCaption = QStringLiteral("name");
    tree->FieldText = QStringLiteral("aText");
    tree->TopVirNodeIdValue.clear();
    tree->ValueIsLeaf = QStringLiteral("0");
    tree->SetTopVirNodeTitle(QStringLiteral("请选择预算项目"));
    try {
        tree->SetActive(true);
    } catch (const std::exception& e) {
        throw TExceptDynamicTree(
            QStringLiteral("无法读取预算项目：%1").arg(QString::fromUtf8(e.what())));
    }
}

void TgfrmSelectIid::btnConfirmClick()
{
    TgfrmSelectElement::btnConfirmClick();
    auto* node = static_cast<TNodeItem*>(trvBottom->currentItem());
    if (!node || !node->Info)
        return;
    FItemId = node->Info->Id;
    FItemName = node->Info->Caption;
    FItemFullName = node->Info->Caption;
    FItemConfirmed = true;
    done(mrOk);
}

void TgfrmSelectIid::btnCloseClick()
{
    TgfrmSelectElement::btnCloseClick();
    FItemConfirmed = false;
    done(mrCancel);
}

bool TgfrmSelectIid::Chosen(QString& id, QString& name, QString& fullName) const
{
    id = FItemConfirmed ? FItemId : QString();
    name = FItemConfirmed ? FItemName : QString();
    fullName = FItemConfirmed ? FItemFullName : QString();
    return FItemConfirmed;
}

bool SelectItem(QString& id, QString& name, QString& fullName, const QString& unitCode,
                const QString& mode, const QString& pidFlag, int year, const QString& secrecy)
{
    const QString condition = ItemSelectionCondition(unitCode, mode, pidFlag, year, secrecy);
    std::unique_ptr<TgfrmSelectIid> dialog(TfrmBase::Create<TgfrmSelectIid>(nullptr));
    dialog->SetFilter(condition);
    dialog->RefreshTree(); // before showing: a tree that cannot be read shows no dialog
    Application->ExecModal(dialog.get());
    return dialog->Chosen(id, name, fullName);
}
