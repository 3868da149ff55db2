// The list window's controls: tool bar and menus, the left pane with the filters, the grid,
// and what each of them sets off.
#include "listwindow/bwnQuindle.h"

#include "basewindows/wnIcons.h"
#include "controls/TFindBar.h"
#include "controls/TNextGrid.h"
#include "controls/TTreeView.h"
#include "elements/gunfunElement.h"
#include "listwindow/bwnListActions.h"
#include "listwindow/bwnListLayout.h"
#include "listwindow/bwnListOutput.h"
#include "platform/untApplication.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

QComboBox* FilterCombo(QWidget* parent, const char* name)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->setFixedWidth(145);
    c->setEditable(false);
    return c;
}
} // namespace

void TbfrmQuindle::Wire(QAction* action, std::function<void()> handler)
{
    connect(action, &QAction::triggered, this,
            [this, handler = std::move(handler)] { Guarded(this, handler); });
}

void TbfrmQuindle::BuildToolBarAndMenus()
{
    auto action = [this](const char* name, const QString& caption, const QString& hint,
                         const QIcon& icon) {
        auto* a = new QAction(icon, caption, this);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(hint);
        a->setStatusTip(hint);
        return a;
    };
    tbtnAdd = action("tbtnAdd", QStringLiteral(" 增加 "), QStringLiteral("增加"), IconAdd());
    tbtnMod = action("tbtnMod", QStringLiteral("修改"), QStringLiteral("修改"), IconModify());
    tbtnDel = action("tbtnDel", QStringLiteral("删除"), QStringLiteral("删除"), IconDelete());
    tbtnExport =
        action("tbtnExport", QStringLiteral("导出"), QStringLiteral("导出 (Ctrl+S)"), IconExport());
    tbtnColse = action("tbtnColse", QStringLiteral("退出"), QStringLiteral("退出"), IconExit());
    tblChildMain->setIconSize(QSize(24, 24));
    tblChildMain->addAction(tbtnAdd);
    tblChildMain->addAction(tbtnMod);
    tblChildMain->addSeparator()->setObjectName(QStringLiteral("ToolButton6"));
    tblChildMain->addAction(tbtnDel);
    tblChildMain->addAction(tbtnExport);
    tblChildMain->addSeparator()->setObjectName(QStringLiteral("ToolButton4"));
    tblChildMain->addAction(tbtnColse);
    auto* space = new QWidget(tblChildMain);
    space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    tblChildMain->addWidget(space);
    labStatus = new QLabel(tblChildMain);
    labStatus->setObjectName(QStringLiteral("labStatus"));
    labStatus->setContentsMargins(0, 0, 8, 0);
    // Wide enough for any count, so a new count repaints the label, not the whole tool bar.
    labStatus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labStatus->setMinimumWidth(
        labStatus->fontMetrics().horizontalAdvance(QStringLiteral("正在读取… 已读 00,000,000 条")) +
        8);
    tblChildMain->addWidget(labStatus);

    mnuShowUT = action("mnuShowUT", QStringLiteral("显示/关闭单位树"), QString(), QIcon());
    mnuShowUT->setCheckable(true);
    mnuShowUT->setChecked(true);
    mimExcel = action("mimExcel", QStringLiteral("Excel电子格式导入"), QString(), QIcon());
    mnuCarry = action("mnuCarry", QStringLiteral("结转上年指标"), QString(), QIcon());
    mnuDeleted = action("mnuDeleted", QStringLiteral("已删除的指标"), QString(), QIcon());
    mnuSummary = action("mnuSummary", QStringLiteral("汇总分析"), QString(), QIcon());
    mnuHistory = action("mnuHistory", QStringLiteral("指标历史(&H)"), QString(), QIcon());
    mnuHistory->setShortcut(QKeySequence(QStringLiteral("Ctrl+H")));
    mnuColse = action("mnuColse", QStringLiteral("退出"), QString(), IconExit());
    mitemOption->addAction(mnuShowUT);
    mitemOption->addAction(mimExcel);
    mitemOption->addAction(mnuCarry);
    mitemOption->addAction(mnuDeleted);
    mitemOption->addAction(mnuSummary);
    mitemOption->addSeparator()->setObjectName(QStringLiteral("N1"));
    mitemOption->addAction(mnuColse);

    mnuAdd = action("mnuAdd", QStringLiteral("增加"), QStringLiteral("增加"), IconAdd());
    mnuAdd->setShortcut(QKeySequence(QStringLiteral("Ctrl+N")));
    mnuMod = action("mnuMod", QStringLiteral("修改"), QStringLiteral("修改"), IconModify());
    mnuMod->setShortcut(QKeySequence(QStringLiteral("Ctrl+E")));
    mnuDel = action("mnuDel", QStringLiteral("删除"), QString(), IconDelete());
    mnuDel->setShortcut(QKeySequence(QStringLiteral("Ctrl+D")));
    mitemDataVind->addAction(mnuAdd);
    mitemDataVind->addAction(mnuMod);
    mitemDataVind->addSeparator()->setObjectName(QStringLiteral("N2"));
    mitemDataVind->addAction(mnuDel);
    mitemDataVind->addSeparator()->setObjectName(QStringLiteral("N6"));
    mnuExport = action("mnuExport", QStringLiteral("导出(&X)…"), QString(), IconExport());
    mnuExport->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    mitemDataVind->addAction(mnuExport);
    mnuFind = action("mnuFind", QStringLiteral("查找(&F)…"), QString(), QIcon());
    mnuFind->setShortcut(QKeySequence(QStringLiteral("Ctrl+F")));
    mitemDataVind->addAction(mnuFind);
    mnuPrint = action("mnuPrint", QStringLiteral("打印(&P)…"), QString(), QIcon());
    mnuPrint->setShortcut(QKeySequence(QStringLiteral("Ctrl+P")));
    mnuPdf = action("mnuPdf", QStringLiteral("导出PDF(&D)…"), QString(), QIcon());
    mitemDataVind->addAction(mnuPrint);
    mitemDataVind->addAction(mnuPdf);
    // The shortcuts work while the window has the focus, with or without the host's menu bar.
    for (QAction* a : {mnuAdd, mnuMod, mnuDel, mnuExport, mnuFind, mnuPrint, mnuHistory}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }
    for (QAction* a : {tbtnAdd, tbtnMod, mnuAdd, mnuMod, tbtnExport, mnuExport, mnuPrint, mnuPdf})
        a->setEnabled(false); // until a list has been read

    for (QAction* a : {tbtnAdd, mnuAdd})
        Wire(a, [this] { m_entry->Add(); });
    for (QAction* a : {tbtnMod, mnuMod})
        Wire(a, [this] { m_entry->Modify(); });
    for (QAction* a : {tbtnDel, mnuDel})
        Wire(a, [this] { m_actions->Delete(); });
    for (QAction* a : {tbtnExport, mnuExport})
        Wire(a, [this] { m_output->Export(); });
    for (QAction* a : {tbtnColse, mnuColse}) {
        Wire(a, [this] { close(); });
        KeepDuringWork(a); // closing asks about the work
    }
    Wire(mnuFind, [this] { FindBar->Open(); });
    Wire(mnuPrint, [this] { m_output->Print(); });
    Wire(mnuPdf, [this] { m_output->Pdf(); });
    Wire(mnuShowUT, [this] { m_layout->ToggleTree(); });
    Wire(mimExcel, [this] { ImportInstead(); });
    Wire(mnuCarry, [this] { m_carry->Start(); });
}

// The filters stand at fixed places, so no row moves when the sub-type row comes and goes.
void TbfrmQuindle::BuildFilterPanel()
{
    Panel2 = new QFrame(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameShape(QFrame::Panel);
    Panel2->setFrameShadow(QFrame::Sunken);
    Panel2->setGeometry(2, 30, 229, 121);
    auto label = [](const QString& text, QWidget* parent, int x, int y) {
        auto* l = new QLabel(text, parent);
        l->setGeometry(x, y, 64, 22);
        return l;
    };
    auto row = [](QComboBox* combo, int x, int y) { combo->move(x, y); };
    label(QStringLiteral("指标类型"), Panel2, 8, 6);
    cobBType = FilterCombo(Panel2, "cobBType");
    row(cobBType, 74, 6);
    labbkid = label(QStringLiteral("预算来源"), Panel2, 8, 34);
    labbkid->setObjectName(QStringLiteral("labbkid"));
    cobbkid = FilterCombo(Panel2, "cobbkid");
    row(cobbkid, 74, 34);
    label(QStringLiteral("资金性质"), Panel2, 8, 62);
    cobMid = FilterCombo(Panel2, "cobMid");
    row(cobMid, 74, 62);
    pnlChild = new QFrame(Panel2);
    pnlChild->setObjectName(QStringLiteral("pnlChild"));
    pnlChild->setGeometry(2, 88, 217, 25);
    label(QStringLiteral("指标子类型"), pnlChild, 6, 2);
    cobChild = FilterCombo(pnlChild, "cobChild");
    cobChild->addItems(
        {AllEntryText(), QStringLiteral("年初预算"), QStringLiteral("调整追加预算")});
    cobChild->setCurrentIndex(0);
    row(cobChild, 72, 2);
    for (QComboBox* c : {cobBType, cobbkid, cobMid, cobChild})
        c->setFixedHeight(22);

    // Only the operator's choices count as changes (not selections set by the window).
    auto wire = [this](QComboBox* combo, void (TListScope::*handler)()) {
        connect(combo, &QComboBox::activated, this, [this, handler] {
            m_scope->ClearGroup(); // the operator's own choice ends a summary's group
            Guarded(this, [this, handler] {
                if (handler)
                    (m_scope.get()->*handler)();
                RunListQuery();
            });
        });
    };
    wire(cobBType, &TListScope::TypeChanged);
    wire(cobbkid, &TListScope::SourceChanged);
    wire(cobMid, nullptr);   // read as the list is
    wire(cobChild, nullptr); // read as the list is
}

void TbfrmQuindle::BuildLeftPanel()
{
    pnlLeft->setMinimumWidth(150);
    Splitter1->setSizes({233, 417});
    Panel1 = new QFrame(pnlLeft);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(200);
    auto* leftLayout = static_cast<QVBoxLayout*>(pnlLeft->layout());
    leftLayout->insertWidget(0, Panel1);
    leftLayout->setStretchFactor(trvList, 1);
    leftLayout->addStretch(0); // takes the room of a hidden tree: the filters stay on top

    sbtnHindUT = new QToolButton(Panel1);
    sbtnHindUT->setObjectName(QStringLiteral("sbtnHindUT"));
    sbtnHindUT->setAutoRaise(true);
    sbtnHindUT->setIcon(IconHide());
    sbtnHindUT->setToolTip(QStringLiteral("隐藏单位树"));
    QFont bold = sbtnHindUT->font();
    bold.setBold(true);
    bold.setPixelSize(16);
    sbtnHindUT->setFont(bold);
    sbtnHindUT->setGeometry(204, 6, 21, 20);
    connect(sbtnHindUT, &QToolButton::clicked, this,
            [this] { Guarded(this, [this] { m_layout->HideTree(); }); });
    connect(Splitter1, &QSplitter::splitterMoved, this,
            [this](int pos, int) { m_layout->SplitterMoved(pos); });

    BuildFilterPanel();

    rgpShowEid = UnitChoiceBox(Panel1, rgpShowEidItems, [this] {
        Guarded(this, [this] {
            m_scope->BuildUnitTree();
            UpdateActionStates();
        });
    });
    rgpShowEid->setObjectName(QStringLiteral("rgpShowEid"));
    rgpShowEid->setGeometry(2, 157, 229, 41);

    trvList->setIconSize(QSize(16, 16));
    connect(trvList, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* node) {
        m_scope->ClearGroup();
        Guarded(this, [this, node] { UnitChosen(node); });
    });
    // A list that could not be read is read again by a click on its unit, already the current
    // one (which changes nothing else).
    connect(trvList, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* node) {
        if (node == trvList->currentItem() && m_rows->Failed())
            Guarded(this, [this, node] { UnitChosen(node); });
    });
}

void TbfrmQuindle::BuildGrid()
{
    ngdBudget = new TNextGrid(pnlRightTop);
    ngdBudget->setObjectName(QStringLiteral("ngdBudget"));
    auto* layout = new QVBoxLayout(pnlRightTop);
    layout->setContentsMargins(0, 0, 0, 0);
    FindBar = new TFindBar(ngdBudget, pnlRightTop, pnlRightTop);
    layout->addWidget(FindBar);
    layout->addWidget(ngdBudget);
    pnlTopMessage->setFixedHeight(5);
    static_cast<QVBoxLayout*>(pnlBTop->layout())->insertWidget(0, pnlTopMessage);
    pnlBBotton->hide();
    Splitter2->handle(1)->hide();

    pmenu = new QMenu(ngdBudget);
    pmenu->setObjectName(QStringLiteral("pmenu"));
    pmuAll = pmenu->addAction(QStringLiteral("全选(&A)"));
    pmuClear = pmenu->addAction(QStringLiteral("全清(&C)"));
    pmenu->addSeparator()->setObjectName(QStringLiteral("N3"));
    N4 = pmenu->addAction(QStringLiteral("财政金额复制到控制金额(&Z)"));
    N5 = pmenu->addAction(QStringLiteral("录入金额复制到控制金额(&I)"));
    pmenu->addSeparator();
    pmenu->addAction(mnuFind);
    pmenu->addAction(mnuPrint);
    pmenu->addAction(mnuPdf);
    pmenu->addAction(mnuHistory);
    Wire(mnuHistory, [this] { m_actions->History(); });
    Wire(mnuDeleted, [this] { m_actions->Deleted(); });
    Wire(pmuAll, [this] { m_actions->MarkAll(true); });
    Wire(pmuClear, [this] { m_actions->MarkAll(false); });
    Wire(N4, [this] { m_actions->CopyAmounts(false); });
    Wire(N5, [this] { m_actions->CopyAmounts(true); });
    // A double click is 修改: nothing while 修改 waits (the list still arriving, say).
    connect(ngdBudget, &TNextGrid::CellDoubleClicked, this, [this] {
        if (tbtnMod->isEnabled())
            Guarded(this, [this] { m_entry->Modify(); });
    });
    // The grid asks for its menu on a right click, the Menu key and Shift+F10.
    ngdBudget->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ngdBudget, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { pmenu->popup(ngdBudget->viewport()->mapToGlobal(p)); });
}
