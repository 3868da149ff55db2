#include "selectdialogs/gwnSelectElement.h"

#include "basewindows/wnIcons.h"
#include "context/untWorkContext.h"
#include "controls/TTreeView.h"
#include "elements/gunfunElement.h"
#include "elements/gunfunElementBase.h"
#include "platform/untApplication.h"
#include "support/untDynamicTree.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

TgfrmSelectElement* gfrmSelectElement = nullptr;

namespace
{
QFrame* Panel(const char* name, QWidget* parent)
{
    auto* p = new QFrame(parent);
    p->setObjectName(QLatin1String(name));
    return p;
}
} // namespace

TgfrmSelectElement::TgfrmSelectElement(QObject* owner) : TfrmBsDialog(owner)
{
    setObjectName(QStringLiteral("gfrmSelectElement"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QString());
    resize(384, 374);
    move(300, 213);

    Panel1 = Panel("Panel1", this);
    Panel4 = Panel("Panel4", Panel1);
    Panel4->setFixedHeight(25);
    Panel5 = Panel("Panel5", Panel1);
    Panel6 = Panel("Panel6", Panel5);
    Panel6->setFixedWidth(17);
    Panel7 = Panel("Panel7", Panel5);
    Panel7->setFixedWidth(16);
    trvBottom = new TTreeView(Panel5);
    trvBottom->setObjectName(QStringLiteral("trvBottom"));
    trvBottom->setIndentation(19);
    trvBottom->setIconSize(QSize(16, 16));
    auto* rows = new QHBoxLayout(Panel5);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    rows->addWidget(Panel6);
    rows->addWidget(trvBottom, 1);
    rows->addWidget(Panel7);
    auto* upper = new QVBoxLayout(Panel1);
    upper->setContentsMargins(0, 0, 0, 0);
    upper->setSpacing(0);
    upper->addWidget(Panel4);
    upper->addWidget(Panel5, 1);

    Panel2 = Panel("Panel2", this);
    Panel2->setFixedHeight(51);
    Panel3 = Panel("Panel3", Panel2);
    Panel3->setFixedWidth(217);
    auto* bottom = new QHBoxLayout(Panel2);
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->addStretch(1);
    bottom->addWidget(Panel3);
    btnConfirm = new QPushButton(IconOk(), QStringLiteral("确定(&S)"), Panel3);
    btnConfirm->setObjectName(QStringLiteral("btnConfirm"));
    btnConfirm->setGeometry(45, 11, 75, 25);
    btnClose = new QPushButton(IconClose(), QStringLiteral("关闭(&W)"), Panel3);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setGeometry(125, 11, 75, 25);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1, 1);
    layout->addWidget(Panel2);
    setTabOrder(trvBottom, btnConfirm);
    setTabOrder(btnConfirm, btnClose);

    dtrvElement = new TDynamicTree(this);
    dtrvElement->SetTreeView(trvBottom);
    dtrvElement->SetActive(false);
    dtrvElement->SetLoadAll(false);
    dtrvElement->SetAutoExpandKind(aekTitleNode);
    dtrvElement->SyncDataLoad = true;
    dtrvElement->OnAfterAddNode = [](TDynamicTree*, TARQuery*, TNodeItem* node, TItemInfo*) {
        node->setIcon(0, IconUnit());
    };

    connect(btnConfirm, &QPushButton::clicked, this,
            [this] { Guarded(this, [this] { btnConfirmClick(); }); });
    connect(btnClose, &QPushButton::clicked, this,
            [this] { Guarded(this, [this] { btnCloseClick(); }); });
    connect(trvBottom, &QTreeWidget::itemDoubleClicked, this,
            [this] { Guarded(this, [this] { btnConfirmClick(); }); });
}

void TgfrmSelectElement::FormShow()
{
    TfrmBsDialog::FormShow();
    FConfirmed = false;
    if (trvBottom->topLevelItemCount() > 0) {
        QTreeWidgetItem* first = trvBottom->topLevelItem(0);
        if (trvBottom->topLevelItemCount() > 1) {
            SelectNode(first);
        } else if (QTreeWidgetItem* child = first->child(0)) {
            if (FPreselectDepth == 3 && child->child(0))
                SelectNode(child->child(0));
            else
                SelectNode(child);
        } else {
            SelectNode(first);
        }
    }
    trvBottom->setFocus();
}

void TgfrmSelectElement::SelectNode(QTreeWidgetItem* node)
{
    auto* item = static_cast<TNodeItem*>(node);
    if (item->Info && item->Info->Kind == ikPlaceholder) {
        // A level not loaded yet: loading it replaces the placeholder by the real elements.
        QTreeWidgetItem* parent = node->parent();
        parent->setExpanded(true);
        node = parent->childCount() > 0 ? parent->child(0) : parent;
    }
    trvBottom->setCurrentItem(node);
    trvBottom->scrollToItem(node);
}

void TgfrmSelectElement::btnConfirmClick()
{
    auto* node = static_cast<TNodeItem*>(trvBottom->currentItem());
    if (!node || !node->Info)
        return; // an empty tree has nothing to confirm
    if (FLeafOnly && !node->Info->IsLeaf) {
        ShowMessage(QStringLiteral("请选择底级") + FElementCaption, QString(),
                    MsgIcon::Information);
        return;
    }
    FSelId = node->Info->Id;
    FSelName = node->Info->Caption;
    FSelFullName = node->Info->Caption;
    FConfirmed = true;
    done(mrOk);
}

void TgfrmSelectElement::btnCloseClick()
{
    FConfirmed = false;
    done(mrCancel);
}

void TgfrmSelectElement::Prepare(const QString& caption, int preselectDepth, bool leafOnly)
{
    FElementCaption = caption;
    FPreselectDepth = preselectDepth;
    FLeafOnly = leafOnly;
}

bool TgfrmSelectElement::Chosen(QString& id, QString& name, QString& fullName) const
{
    id = FConfirmed ? FSelId : QString();
    name = FConfirmed ? FSelName : QString();
    fullName = FConfirmed ? FSelFullName : QString();
    return FConfirmed;
}

bool ShowElementDialog(const QString& source, const QString& caption, const QString& topId,
                       int preselectDepth, bool leafOnly, QString& id, QString& name,
                       QString& fullName)
{
    std::unique_ptr<TgfrmSelectElement> dialog(TfrmBase::Create<TgfrmSelectElement>(nullptr));
    gfrmSelectElement = dialog.get();
    struct Clear {
        ~Clear() { gfrmSelectElement = nullptr; }
    } clear;
    dialog->Prepare(caption, preselectDepth, leafOnly);
    TDynamicTree* tree = dialog->Controls().dtrvElement;
    tree->SetAdoConn(GetDefConnection());
    tree->SqlTable = {source};
    tree->SetFieldId(QStringLiteral("id"));
    tree->FieldPid = QStringLiteral("pid");
    tree->FieldIsLeaf = QStringLiteral("leafflag");
    tree->FieldCaption = QStringLiteral("name");
    tree->FieldText = QStringLiteral("tname");
    tree->TopVirNodeIdValue = topId;
    tree->ValueIsLeaf = QStringLiteral("0");
    tree->SetTopVirNodeTitle(QStringLiteral("请选择") + caption);
    try {
        tree->SetActive(true); // built now: the top node and the first level
    } catch (const TExceptDynamicTree&) {
        throw;
    } catch (const std::exception& e) {
        throw TExceptDynamicTree(QStringLiteral("无法列出%1：%2").arg(caption, e.what()));
    }
    dialog->setWindowTitle(QStringLiteral("请选择") + caption);
    Application->ExecModal(dialog.get());
    return dialog->Chosen(id, name, fullName);
}

bool SelectElement(const QString& tableName, QString& id, QString& name, QString& fullName,
                   bool leafOnly, bool inUse, int year, const QString& extraCondition)
{
    ElementSource source;
    if (!ElementTreeSource(tableName, inUse, year, extraCondition, source))
        return false;
    return ShowElementDialog(source.Source, source.Caption, source.TopId, source.PreselectDepth,
                             leafOnly, id, name, fullName);
}

bool SelectDept(QString& id, QString& name, QString& fullName, bool leafOnly, bool inUse, int year)
{
    return SelectElement(QStringLiteral("PubDept"), id, name, fullName, leafOnly, inUse, year,
                         QString());
}

bool SelectSubject(QString& id, QString& name, QString& fullName, bool leafOnly, bool inUse,
                   int year, const QString& incomePayCode, const QString& moneyKindCode,
                   const QString& extraCondition)
{
    const SubjectSource s =
        SubjectSelectionSource(year, incomePayCode, moneyKindCode, inUse, extraCondition);
    return SelectElement(s.Table, id, name, fullName, leafOnly, inUse, s.Year, s.ExtraCondition);
}
