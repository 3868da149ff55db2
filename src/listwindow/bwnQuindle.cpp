#include "bwnQuindle.h"

#include "TNextGrid.h"
#include "TTreeView.h"
#include "bwnQuindleMarks.h"
#include "gunBudget.h"
#include "gunFunCheck.h"
#include "gunNextGridManager.h"
#include "gunStrDeal.h"
#include "gunfunElement.h"
#include "gunfunElementBase.h"
#include "untApplication.h"
#include "untClassRegist.h"
#include "untCodePage.h"
#include "untDynamicTree.h"
#include "untMessageBox.h"
#include "untPlugInEntry.h"
#include "untWorkContext.h"
#include "wnIcons.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <dlfcn.h>

namespace
{
const char* const kAddHint = "增加（指标录入窗口尚未安装）";
const char* const kModHint = "修改（指标录入窗口尚未安装）";

QComboBox* FilterCombo(QWidget* parent, const char* name)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->setFixedWidth(145);
    c->setEditable(false);
    return c;
}
} // namespace

void RegisterListWindow()
{
    RegisterPlugInClass(&TbfrmQuindle::staticMetaObject);
}

TbfrmQuindle::TbfrmQuindle(QObject* owner) : TfrmBsTrvTC(owner)
{
    setObjectName(QStringLiteral("bfrmQuindle"));
    setWindowTitle(QStringLiteral("预算指标录入"));
    setWindowIcon(IconUnit());
    resize(650, 538);
    BuildToolBarAndMenus();
    BuildLeftPanel();
    BuildGrid();
    DytDept = new TDynamicTree(this);
    DytDept->SetTreeView(trvList);
    DytDept->SetActive(false);
    DytDept->SetLoadAll(true);
    DytDept->SetAutoExpandKind(aekFirstLeaf);
    DytDept->SyncDataLoad = true;
}

TbfrmQuindle::~TbfrmQuindle() = default;

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
    tbtnAdd = action("tbtnAdd", QStringLiteral(" 增加 "), QString::fromUtf8(kAddHint), IconAdd());
    tbtnMod = action("tbtnMod", QStringLiteral("修改"), QString::fromUtf8(kModHint), IconModify());
    tbtnDel = action("tbtnDel", QStringLiteral("删除"), QStringLiteral("删除"), IconDelete());
    tbtnColse = action("tbtnColse", QStringLiteral("退出"), QStringLiteral("退出"), IconExit());
    tblChildMain->setIconSize(QSize(24, 24));
    tblChildMain->addAction(tbtnAdd);
    tblChildMain->addAction(tbtnMod);
    tblChildMain->addSeparator()->setObjectName(QStringLiteral("ToolButton6"));
    tblChildMain->addAction(tbtnDel);
    tblChildMain->addSeparator()->setObjectName(QStringLiteral("ToolButton4"));
    tblChildMain->addAction(tbtnColse);

    mnuShowUT = action("mnuShowUT", QStringLiteral("显示/关闭单位树"), QString(), QIcon());
    mnuShowUT->setCheckable(true);
    mnuShowUT->setChecked(true);
    mimExcel = action("mimExcel", QStringLiteral("Excel电子格式导入"), QString(), QIcon());
    mnuColse = action("mnuColse", QStringLiteral("退出"), QString(), IconExit());
    mitemOption->addAction(mnuShowUT);
    mitemOption->addAction(mimExcel);
    mitemOption->addSeparator()->setObjectName(QStringLiteral("N1"));
    mitemOption->addAction(mnuColse);

    mnuAdd = action("mnuAdd", QStringLiteral("增加"), QString::fromUtf8(kAddHint), IconAdd());
    mnuAdd->setShortcut(QKeySequence(QStringLiteral("Ctrl+N")));
    mnuMod = action("mnuMod", QStringLiteral("修改"), QString::fromUtf8(kModHint), IconModify());
    mnuMod->setShortcut(QKeySequence(QStringLiteral("Ctrl+E")));
    mnuDel = action("mnuDel", QStringLiteral("删除"), QString(), IconDelete());
    mnuDel->setShortcut(QKeySequence(QStringLiteral("Ctrl+D")));
    mitemDataVind->addAction(mnuAdd);
    mitemDataVind->addAction(mnuMod);
    mitemDataVind->addSeparator()->setObjectName(QStringLiteral("N2"));
    mitemDataVind->addAction(mnuDel);
    mitemDataVind->addSeparator()->setObjectName(QStringLiteral("N6"));
    // The shortcuts work while the window has the focus, with or without the host's menu bar.
    for (QAction* a : {mnuAdd, mnuMod, mnuDel}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }
    for (QAction* a : {tbtnAdd, tbtnMod, mnuAdd, mnuMod})
        a->setEnabled(false); // the entry dialog is not part of this build

    connect(tbtnDel, &QAction::triggered, this, [this] { Guarded([this] { tbtnDelClick(); }); });
    connect(mnuDel, &QAction::triggered, this, [this] { Guarded([this] { tbtnDelClick(); }); });
    connect(tbtnColse, &QAction::triggered, this, &TbfrmQuindle::tbtnColseClick);
    connect(mnuColse, &QAction::triggered, this, &TbfrmQuindle::tbtnColseClick);
    connect(mnuShowUT, &QAction::triggered, this, &TbfrmQuindle::mnuShowUTClick);
    connect(mimExcel, &QAction::triggered, this, &TbfrmQuindle::mimExcelClick);
}

void TbfrmQuindle::BuildLeftPanel()
{
    pnlLeft->setMinimumWidth(150);
    Splitter1->setSizes({233, 417});
    Panel1 = new QFrame(pnlLeft);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(200);
    static_cast<QVBoxLayout*>(pnlLeft->layout())->insertWidget(0, Panel1);

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
    connect(sbtnHindUT, &QToolButton::clicked, this, &TbfrmQuindle::sbtnHindUTClick);
    connect(Splitter1, &QSplitter::splitterMoved, this,
            [this](int pos, int) { Splitter1Moved(pos); });

    Panel2 = new QFrame(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameShape(QFrame::Panel);
    Panel2->setFrameShadow(QFrame::Sunken);
    Panel2->setGeometry(2, 30, 229, 121);
    auto* grid = new QGridLayout(Panel2);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(3);
    cobBType = FilterCombo(Panel2, "cobBType");
    labbkid = new QLabel(QStringLiteral("预算来源"), Panel2);
    labbkid->setObjectName(QStringLiteral("labbkid"));
    cobbkid = FilterCombo(Panel2, "cobbkid");
    cobMid = FilterCombo(Panel2, "cobMid");
    grid->addWidget(new QLabel(QStringLiteral("指标类型"), Panel2), 0, 0);
    grid->addWidget(cobBType, 0, 1);
    grid->addWidget(labbkid, 1, 0);
    grid->addWidget(cobbkid, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("资金性质"), Panel2), 2, 0);
    grid->addWidget(cobMid, 2, 1);
    pnlChild = new QFrame(Panel2);
    pnlChild->setObjectName(QStringLiteral("pnlChild"));
    auto* childLayout = new QHBoxLayout(pnlChild);
    childLayout->setContentsMargins(0, 0, 0, 0);
    cobChild = FilterCombo(pnlChild, "cobChild");
    cobChild->addItems(
        {AllEntryText(), QStringLiteral("年初预算"), QStringLiteral("调整追加预算")});
    cobChild->setCurrentIndex(0);
    childLayout->addWidget(new QLabel(QStringLiteral("指标子类型"), pnlChild));
    childLayout->addWidget(cobChild);
    grid->addWidget(pnlChild, 3, 0, 1, 2);

    rgpShowEid = new QGroupBox(Panel1);
    rgpShowEid->setObjectName(QStringLiteral("rgpShowEid"));
    auto* radios = new QHBoxLayout(rgpShowEid);
    radios->setContentsMargins(4, 2, 4, 2);
    rgpShowEidItems[0] = new QRadioButton(QStringLiteral("显示代录单位"), rgpShowEid);
    rgpShowEidItems[1] = new QRadioButton(QStringLiteral("显示全部单位"), rgpShowEid);
    rgpShowEidItems[0]->setChecked(true);
    for (QRadioButton* r : rgpShowEidItems) {
        radios->addWidget(r);
        connect(r, &QRadioButton::clicked, this,
                [this] { Guarded([this] { rgpShowEidClick(); }); });
    }
    rgpShowEid->setGeometry(2, 157, 229, 41);

    trvList->setIconSize(QSize(16, 16));
    connect(cobBType, &QComboBox::activated, this,
            [this] { Guarded([this] { cobBTypeChange(); }); });
    connect(cobbkid, &QComboBox::activated, this, [this] { Guarded([this] { cobbkidChange(); }); });
    connect(cobMid, &QComboBox::activated, this, [this] { Guarded([this] { cobMidChange(); }); });
    connect(cobChild, &QComboBox::activated, this,
            [this] { Guarded([this] { cobChildChange(); }); });
    connect(trvList, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* node) { Guarded([this, node] { trvListChange(node); }); });
}

void TbfrmQuindle::BuildGrid()
{
    ngdBudget = new TNextGrid(pnlRightTop);
    ngdBudget->setObjectName(QStringLiteral("ngdBudget"));
    auto* layout = new QVBoxLayout(pnlRightTop);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ngdBudget);
    pnlTopMessage->setFixedHeight(5);
    static_cast<QVBoxLayout*>(pnlBTop->layout())->insertWidget(0, pnlTopMessage);
    pnlBBotton->hide();
    Splitter2->handle(1)->hide();

    pmenu = new QMenu(ngdBudget);
    pmenu->setObjectName(QStringLiteral("pmenu"));
    pmuAll = pmenu->addAction(QStringLiteral("全选"), this, &TbfrmQuindle::pmuAllClick);
    pmuClear = pmenu->addAction(QStringLiteral("全清"), this, &TbfrmQuindle::pmuClearClick);
    pmenu->addSeparator()->setObjectName(QStringLiteral("N3"));
    N4 = pmenu->addAction(QStringLiteral("财政金额复制到控制金额"), this,
                          [this] { Guarded([this] { N4Click(); }); });
    N5 = pmenu->addAction(QStringLiteral("录入金额复制到控制金额"), this,
                          [this] { Guarded([this] { N5Click(); }); });
    ngdBudget->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ngdBudget, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { pmenu->popup(ngdBudget->viewport()->mapToGlobal(p)); });
}

// Errors of a handler go to the application's exception handler, never into the event loop.
void TbfrmQuindle::Guarded(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& e) {
        if (Application)
            Application->HandleException(this, e);
    }
}

void TbfrmQuindle::FormCreate()
{
    TfrmBsTrvTC::FormCreate();
    m_fewUnits = HasFewDeptUnits();
    if (m_fewUnits) {
        trvList->hide();
        rgpShowEid->hide();
        Panel1->setFixedHeight(150);
        SelectedUnitCode = CurrentUnitText(0);
    } else {
        SelectedUnitCode = Cp936DropRight(CurrentUnitText(0), 3);
    }
    SelectedUnitName = CurrentUnitText(3);
    m_store = std::make_unique<TBudgetManage>();
    m_gridManager = std::make_unique<TNextGridManager>(
        ListColumnDefinitions(SysParams().BureauMode), QStringLiteral("ngdBudget"));
    m_gridManager->BuildColumns(ngdBudget);
}

void TbfrmQuindle::FormShow()
{
    TfrmBsTrvTC::FormShow();
    if (m_shown)
        return; // the lists are built once; a later show only centres
    m_shown = true;
    Guarded([this] {
        FillIndicatorTypes(cobBType, false, true);
        BTypeIndex = QString::number(cobBType->currentIndex());
        if (BTypeIndex != QLatin1String("0")) {
            FillBudgetKinds(cobbkid, true, 0, QString());
            cobbkid->setCurrentIndex(cobbkid->count() > 1 ? 1 : cobbkid->currentIndex());
        } else {
            FillBudgetKinds(cobbkid, false, 2, QString());
        }
        UpdateSubTypePanel();
        if (m_fewUnits) {
            FillMoneyKinds(cobMid, true, 1, false, QString());
        } else {
            BuildUnitTree();
            FillMoneyKinds(cobMid, true, IsDeptLevelUnit() ? 0 : 1, false, QString());
        }
        if (cobMid->count() > 1)
            cobMid->setCurrentIndex(1);
        if (m_fewUnits)
            RunListQuery();
    });
}

void TbfrmQuindle::FormClose()
{
    TfrmBsTrvTC::FormClose();
    DytDept->SetActive(false);
    ngdBudget->OnBeforeEdit = nullptr; // it points into the manager
    m_gridManager.reset();
    m_store.reset();
}

int TbfrmQuindle::RowsListed() const
{
    return ngdBudget->RowCount();
}

QString TbfrmQuindle::GetSourceCode() const
{
    QString code;
    GetBudgetKindId(cobbkid->currentText(), code);
    return code;
}

ListFilter TbfrmQuindle::CurrentFilter()
{
    GetMoneyKindId(cobMid->currentText(), MoneyKindCode);
    SourceCode = GetSourceCode();
    ListFilter f;
    f.DataYear = WorkingDataYear();
    f.BTypeIndex = BTypeIndex;
    f.BureauMode = SysParams().BureauMode;
    f.BureauScope = SysParams().BureauScope;
    f.OperatorBureau = CurrentUserText(7);
    f.MoneyKindCode = MoneyKindCode;
    f.SourceCode = SourceCode;
    f.SubTypeShown = !pnlChild->isHidden();
    f.SubTypeIndex = cobChild->currentIndex();
    f.UnitCode = SelectedUnitCode;
    return f;
}

void TbfrmQuindle::RunListQuery()
{
    const QString sql = ListStatement(CurrentFilter(), DefDialect());
    if (m_gridManager) {
        try {
            m_gridManager->Fill(ngdBudget, sql, true, false, true);
        } catch (const std::exception&) {
            UpdateActionStates(false);
            throw;
        }
    }
    UpdateActionStates(false); // the codes were just read for the statement
}

void TbfrmQuindle::UpdateActionStates(bool readCodes)
{
    if (readCodes) {
        GetMoneyKindId(cobMid->currentText(), MoneyKindCode);
        SourceCode = GetSourceCode();
    }
    m_addRuleMet = !MoneyKindCode.isEmpty() &&
                   RightText(SelectedUnitCode, 3) == QLatin1String("001") && !SourceCode.isEmpty();
    const bool rows = ngdBudget->RowCount() > 0;
    for (QAction* a : {tbtnDel, mnuDel})
        a->setEnabled(rows);
    // Add and modify open the entry dialog, which this build does not have yet.
    for (QAction* a : {tbtnAdd, tbtnMod, mnuAdd, mnuMod})
        a->setEnabled(false);
}

void TbfrmQuindle::BuildUnitTree()
{
    const QString prefix = Cp936DropRight(CurrentUnitText(0), 3);
    const TSqlDialect dialect = DefDialect();
    DytDept->SetActive(false);
    DytDept->SetAdoConn(GetDefConnection());
    DytDept->SqlTable = {UnitTreeSource(prefix, rgpShowEidItems[0]->isChecked(), dialect)};
    DytDept->SetFieldId(QStringLiteral("eid"));
    DytDept->FieldPid = QStringLiteral("peid");
    DytDept->FieldIsLeaf = QStringLiteral("leafflag");
    DytDept->FieldCaption = QStringLiteral("ename");
    DytDept->FieldText = QStringLiteral("tname");
    DytDept->TopVirNodeIdValue = Cp936DropRight(prefix, 3);
    DytDept->ValueIsLeaf = QStringLiteral("0");
    DytDept->SetTopVirNodeTitle(QStringLiteral("预算单位"));
    DytDept->SetTreeView(trvList);
    DytDept->OnAfterAddNode = [](TDynamicTree*, TARQuery*, TNodeItem* node, TItemInfo*) {
        node->setIcon(0, IconUnit());
    };
    DytDept->SetActive(true);
}

void TbfrmQuindle::UpdateSubTypePanel()
{
    pnlChild->setVisible(cobBType->currentIndex() == 1 && GetSourceCode() == QLatin1String("21"));
}

void TbfrmQuindle::cobBTypeChange()
{
    SysParams().DefaultBType = cobBType->currentIndex();
    SetSysParam(QStringLiteral("setDefaultBType"), QString::number(cobBType->currentIndex()));
    BTypeIndex = QString::number(cobBType->currentIndex());
    if (BTypeIndex != QLatin1String("0")) {
        FillBudgetKinds(cobbkid, true, 0, QString());
        if (cobbkid->count() > 1)
            cobbkid->setCurrentIndex(1);
    } else {
        FillBudgetKinds(cobbkid, false, 2, QString());
    }
    UpdateSubTypePanel();
    RunListQuery();
}

void TbfrmQuindle::cobbkidChange()
{
    SourceCode = GetSourceCode();
    const QString unit = CurrentUnitText(0);
    const bool allKinds = IsDeptLevelUnit() && SourceCode == QLatin1String("21") &&
                          (SelectedUnitCode == unit || SelectedUnitCode == Cp936Left(unit, 3));
    FillMoneyKinds(cobMid, true, allKinds ? 0 : 1, false, QString());
    if (cobMid->count() > 1)
        cobMid->setCurrentIndex(1);
    UpdateSubTypePanel();
    RunListQuery();
}

void TbfrmQuindle::cobMidChange()
{
    GetMoneyKindId(cobMid->currentText(), MoneyKindCode);
    RunListQuery();
}

void TbfrmQuindle::cobChildChange()
{
    RunListQuery();
}

void TbfrmQuindle::trvListChange(QTreeWidgetItem* node)
{
    // Clearing or rebuilding the tree leaves no node selected: nothing to list then.
    if (!node)
        return;
    auto* item = static_cast<TNodeItem*>(node);
    if (trvList->indexOfTopLevelItem(node) == 0) {
        SelectedUnitCode = Cp936Left(CurrentUnitText(0), 3);
        SelectedUnitName = CurrentUnitText(3);
    } else if (item->Info) {
        SelectedUnitCode = item->Info->Id;
        SelectedUnitName = item->Info->Caption;
    }
    cobbkidChange();
}

void TbfrmQuindle::rgpShowEidClick()
{
    BuildUnitTree();
    UpdateActionStates();
}

void TbfrmQuindle::tbtnDelClick()
{
    if (!m_gridManager)
        return; // closed: the list is gone
    TListMarks marks(ngdBudget, m_gridManager.get(), m_store.get());
    if (!marks.AnyMarked()) {
        ShowMessage(QStringLiteral("请选择准备删除的预算指标信息!"), CaptionConfirm(),
                    MsgIcon::Warning);
        return;
    }
    if (SysParams().ConfirmDelete == QLatin1String("1") &&
        ShowMessage(QStringLiteral("是否删除选中数据？"), CaptionInfo(), MsgIcon::Question,
                    MsgButtons::YesNo) != mrYes)
        return;
    const TListMarks::Outcome outcome = marks.DeleteMarked(WorkingDataYear());
    // Read again whenever a row went, so the list never shows deleted indicators; report
    // success only when every marked row went.
    if (!outcome.Changed)
        return;
    RunListQuery();
    if (outcome.AllOk && SysParams().ShowSuccessMsg == QLatin1String("1"))
        ShowMessage(QStringLiteral("数据删除成功。"), CaptionInfo(), MsgIcon::Information);
}

void TbfrmQuindle::pmuAllClick()
{
    if (!m_gridManager)
        return; // closed: the list is gone
    TListMarks(ngdBudget, m_gridManager.get(), m_store.get()).MarkAll(true);
}

void TbfrmQuindle::pmuClearClick()
{
    if (!m_gridManager)
        return; // closed: the list is gone
    TListMarks(ngdBudget, m_gridManager.get(), m_store.get()).MarkAll(false);
}

void TbfrmQuindle::CopyAmounts(bool fromEntered)
{
    if (!m_gridManager)
        return; // closed: the list is gone
    TListMarks marks(ngdBudget, m_gridManager.get(), m_store.get());
    if (!marks.AnyMarked()) {
        ShowMessage(QStringLiteral("请选择准备复制金额的预算指标信息!"), CaptionConfirm(),
                    MsgIcon::Warning);
        return;
    }
    TListMarks::Outcome outcome;
    try {
        outcome = marks.CopyAmounts(WorkingDataYear(), fromEntered);
    } catch (...) {
        RunListQuery(); // rows already updated stay updated: show them
        throw;
    }
    if (!outcome.Changed)
        return;
    RunListQuery();
    if (outcome.AllOk && SysParams().ShowSuccessMsg == QLatin1String("1"))
        ShowMessage(QStringLiteral("数据复制金额成功。"), CaptionInfo(), MsgIcon::Information);
}

void TbfrmQuindle::N4Click()
{
    CopyAmounts(false);
}

void TbfrmQuindle::N5Click()
{
    CopyAmounts(true);
}

void OpenSiblingWindow(const QString& libraryName, const QString& className)
{
    void* self = dlopen(nullptr, RTLD_NOW);
    auto show = self ? reinterpret_cast<ShowAWindowProc>(dlsym(self, "ShowAWindow")) : nullptr;
    if (!show)
        return;
    const QByteArray lib = libraryName.toUtf8();
    const QByteArray cls = className.toUtf8();
    TMitmInfo info{lib.constData(), cls.constData(), true, false};
    show(&info);
}

void TbfrmQuindle::mimExcelClick()
{
    OpenSiblingWindow(QStringLiteral("bMorrowell.dll"), QStringLiteral("TbfrmMorrowell"));
    try {
        close();
    } catch (...) {
    }
}

void TbfrmQuindle::mnuShowUTClick()
{
    pnlLeft->setVisible(pnlLeft->isHidden());
    mnuShowUT->setChecked(!pnlLeft->isHidden());
}

void TbfrmQuindle::sbtnHindUTClick()
{
    pnlLeft->hide();
    mnuShowUT->setChecked(false);
}

void TbfrmQuindle::Splitter1Moved(int pos)
{
    sbtnHindUT->move(pos - 27, sbtnHindUT->y());
}

void TbfrmQuindle::tbtnColseClick()
{
    close();
}
