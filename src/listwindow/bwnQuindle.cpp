#include "listwindow/bwnQuindle.h"

#include "basewindows/wnIcons.h"
#include "basewindows/wnWorkProgress.h"
#include "budget/gunBudget.h"
#include "budget/gunFunCheck.h"
#include "context/untWorkContext.h"
#include "controls/TFindBar.h"
#include "controls/TNextGrid.h"
#include "controls/TTreeView.h"
#include "listwindow/bwnListBulk.h"
#include "listwindow/bwnQuindleMarks.h"
#include "platform/gunStrDeal.h"
#include "platform/untApplication.h"
#include "platform/untCodePage.h"
#include "plugin/untClassRegist.h"
#include "plugin/untPlugInEntry.h"
#include "plugin/untShareResRefManager.h"
#include "support/gunChoiceCombo.h"
#include "support/gunNextGridManager.h"
#include "support/untDynamicTree.h"
#include "support/untListLoader.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QSettings>
#include <QSplitter>
#include <QToolButton>
#include <QTreeWidgetItemIterator>
#include <dlfcn.h>
#include <utility>

namespace
{
std::function<void(TbfrmQuindle*)>& SummaryOpener()
{
    static std::function<void(TbfrmQuindle*)> opener;
    return opener;
}
} // namespace

void TbfrmQuindle::SetSummaryOpener(std::function<void(TbfrmQuindle*)> opener)
{
    SummaryOpener() = std::move(opener);
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
    if (TAdoConn* def = GetDefConnection()) {
        m_loader = std::make_unique<TListLoader>(def, this);
        connect(m_loader.get(), &TListLoader::Part, this,
                [this](std::shared_ptr<const TColumnStore> part) {
                    Guarded(this, [this, &part] { ListPart(std::move(part)); });
                });
        connect(m_loader.get(), &TListLoader::Finished, this,
                [this](int, bool ok, const QString& error, const QStringList& sums) {
                    Guarded(this, [&] { ListFinished(ok, error, sums); });
                });
    }
    RestoreLayout();
}

// The window's size, whether it was maximised and the tree's width, per operator.
namespace
{
QString LayoutKey(const char* item)
{
    return QStringLiteral("ListWindow/%1/%2").arg(CurrentUserCode(), QLatin1String(item));
}
} // namespace

void TbfrmQuindle::RestoreLayout()
{
    const QSettings settings;
    const QSize size = settings.value(LayoutKey("size")).toSize();
    if (QMdiSubWindow* sub = SubWindow(); sub && size.isValid())
        sub->resize(size);
    const QList<QVariant> panes = settings.value(LayoutKey("splitter")).toList();
    if (panes.size() == 2 && panes[0].toInt() > 0)
        Splitter1->setSizes({panes[0].toInt(), panes[1].toInt()});
}

void TbfrmQuindle::SaveLayout()
{
    QSettings settings;
    if (QMdiSubWindow* sub = SubWindow()) {
        // A window shown over a maximised list (the import it hands over to) takes the maximised
        // place and leaves the list restored behind it: the workspace is still maximised.
        const QMdiArea* area = sub->mdiArea();
        const QMdiSubWindow* active = area ? area->activeSubWindow() : nullptr;
        const bool overMaximised = active && active != sub && active->isMaximized();
        settings.setValue(LayoutKey("maximized"), sub->isMaximized() || overMaximised);
        if (!sub->isMaximized() && !sub->isMinimized())
            settings.setValue(LayoutKey("size"), sub->size());
    }
    const QList<int> panes = Splitter1->sizes();
    if (panes.size() == 2 && !pnlLeft->isHidden())
        settings.setValue(LayoutKey("splitter"), QList<QVariant>{panes[0], panes[1]});
}

void TbfrmQuindle::FormShow()
{
    TfrmBsTrvTC::FormShow();
    if (m_shown)
        return; // the lists are built once; a later show only centres
    m_shown = true;
    if (QSettings().value(LayoutKey("maximized")).toBool())
        if (QMdiSubWindow* sub = SubWindow())
            sub->showMaximized();
    Guarded(this, [this] {
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
    m_loader.reset(); // a list still being read is cancelled; its thread ends here
    TListLoader::Release(ngdBudget->TakeRows()); // a long list is freed off this thread
    m_filling = false;
    SaveLayout();
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
    return ComboCode(cobbkid);
}

ListFilter TbfrmQuindle::CurrentFilter()
{
    MoneyKindCode = ComboCode(cobMid);
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
    f.ExpenseTypeCode = m_groupScope.ExpenseTypeCode;
    f.SubjectPrefix = m_groupScope.SubjectPrefix;
    f.EntryMonth = m_groupScope.EntryMonth;
    return f;
}

// The list is read beside the window: its rows appear as they arrive, and a new query (or
// closing the window) cancels the one still running.
void TbfrmQuindle::RunListQuery()
{
    const QString sql = ListStatement(CurrentFilter(), DefDialect());
    if (!m_gridManager || !m_loader)
        return;
    TListLoader::Release(ngdBudget->TakeRows()); // a long list's memory is freed off this thread
    m_gridManager->BeginFill(ngdBudget, true);
    m_listFailed = false;
    m_filling = true;
    m_rowsRead = 0;
    UpdateActionStates();
    // A connection that was closed stays closed (it was lost): no list is read beside it.
    if (!GetDefConnection()->Connected()) {
        m_loader->Cancel();
        m_gridManager->EndFill(ngdBudget, QStringList());
        FinishList(false, LastDbError());
        return;
    }
    ShowReading();
    m_loader->Start(sql, m_gridManager->NumberColumns(ngdBudget));
}

void TbfrmQuindle::ListPart(std::shared_ptr<const TColumnStore> part)
{
    if (!m_gridManager || !m_filling)
        return;
    const bool first = m_rowsRead == 0;
    m_rowsRead += part->RowCount();
    const QString problem = m_gridManager->AddPart(ngdBudget, std::move(part), true);
    if (problem.isEmpty()) {
        if (first)
            FitIdColumn(); // the first screenful shows whole ids
        ShowReading();
        emit ListRowsArrived(m_rowsRead);
        return;
    }
    m_loader->Cancel();
    if (m_gridManager->FallBackFromLayout(ngdBudget, problem)) {
        RunListQuery(); // again, with the built-in columns
        return;
    }
    TListLoader::Release(ngdBudget->TakeRows());
    FinishList(false, problem);
}

void TbfrmQuindle::ListFinished(bool ok, const QString& error, const QStringList& sums)
{
    if (!m_gridManager)
        return;
    if (!ok) // a list that could not be read is not shown in part
        TListLoader::Release(ngdBudget->TakeRows());
    m_gridManager->EndFill(ngdBudget, ok ? sums : QStringList());
    FinishList(ok, error);
}

void TbfrmQuindle::FinishList(bool ok, const QString& error)
{
    m_filling = false;
    m_listFailed = !ok;
    FitIdColumn();
    UpdateActionStates();
    QString status = ok ? QStringLiteral("共 %L1 条").arg(m_rowsRead) : QString();
    if (ok && !m_groupCaption.isEmpty())
        status += QStringLiteral("（%1）").arg(m_groupCaption);
    labStatus->setText(status);
    SelectSavedIndicator(ok);
    emit ListFilled();
    // A list that could not be read is never presented as "no indicators".
    if (!ok)
        ShowMessage(QStringLiteral("无法读取预算指标：%1").arg(error), CaptionRefuse(),
                    MsgIcon::Error);
}

// After an add or a modify the list is read again: the operator stays on the indicator saved
// rather than being taken back to the top of a long list.
void TbfrmQuindle::SelectSavedIndicator(bool listRead)
{
    const QString id = std::exchange(m_selectAfterList, QString());
    const int idColumn = ngdBudget->ColumnIndex(QStringLiteral("budgid"));
    if (!listRead || id.isEmpty() || idColumn < 0)
        return;
    const std::vector<int> rows = ngdBudget->FindRows(TTextMatcher(id, true), idColumn);
    if (rows.empty())
        return; // filtered out of this list
    ngdBudget->SetSelectedRow(rows.front());
    ngdBudget->ScrollToCurrentRow();
}

void TbfrmQuindle::FitIdColumn()
{
    const int idColumn = ngdBudget->ColumnIndex(QStringLiteral("budgid"));
    if (idColumn >= 0)
        ngdBudget->FitColumnWidth(idColumn, 35); // ids grow with the list
}

void TbfrmQuindle::ShowReading()
{
    labStatus->setText(QStringLiteral("正在读取… 已读 %L1 条").arg(m_rowsRead));
}

void TbfrmQuindle::UpdateActionStates()
{
    MoneyKindCode = ComboCode(cobMid);
    SourceCode = GetSourceCode();
    m_addRuleMet = !MoneyKindCode.isEmpty() &&
                   RightText(SelectedUnitCode, 3) == QLatin1String("001") && !SourceCode.isEmpty();
    // What acts on the list waits until the whole list is there.
    const bool ready = !m_listFailed && !m_filling;
    const bool rows = ngdBudget->RowCount() > 0 && ready;
    for (QAction* a : {tbtnMod, mnuMod, tbtnDel, mnuDel, pmuAll, pmuClear, N4, N5, tbtnExport,
                       mnuExport, mnuPrint, mnuPdf})
        a->setEnabled(rows);
    for (QAction* a : {tbtnAdd, mnuAdd})
        a->setEnabled(m_addRuleMet && ready);
    mnuCarry->setEnabled(ready);
}

void TbfrmQuindle::BuildUnitTree()
{
    SetUpUnitTree(DytDept, trvList, rgpShowEidItems[0]->isChecked());
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
    FillMoneyKinds(cobMid, true, MoneyKindListType(SourceCode, SelectedUnitCode), false, QString());
    if (cobMid->count() > 1)
        cobMid->setCurrentIndex(1);
    UpdateSubTypePanel();
    RunListQuery();
}

void TbfrmQuindle::cobMidChange()
{
    MoneyKindCode = ComboCode(cobMid);
    RunListQuery();
}

void TbfrmQuindle::cobChildChange()
{
    RunListQuery();
}

void TbfrmQuindle::ClearGroupScope()
{
    m_groupScope = ListFilter();
    m_groupCaption.clear();
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

bool TbfrmQuindle::ShowScope(const ListFilter& f, const QString& unitName, const QString& caption)
{
    if (WorkRunning() || !m_gridManager)
        return false;
    cobBType->setCurrentIndex(f.BTypeIndex.toInt());
    BTypeIndex = QString::number(cobBType->currentIndex());
    if (BTypeIndex != QLatin1String("0"))
        FillBudgetKinds(cobbkid, true, 0, QString());
    else
        FillBudgetKinds(cobbkid, false, 2, QString());
    SelectComboCode(cobbkid, f.SourceCode);
    SelectedUnitCode = f.UnitCode;
    SelectedUnitName = unitName;
    FillMoneyKinds(cobMid, true, MoneyKindListType(GetSourceCode(), SelectedUnitCode), false,
                   QString());
    SelectComboCode(cobMid, f.MoneyKindCode);
    UpdateSubTypePanel();
    cobChild->setCurrentIndex(f.SubTypeShown ? f.SubTypeIndex : 0);
    if (!m_fewUnits)
        SelectUnitNode(trvList, f.UnitCode);
    m_groupScope = f;
    m_groupCaption = caption;
    RunListQuery();
    return true;
}

void TbfrmQuindle::trvListChange(QTreeWidgetItem* node)
{
    // Clearing or rebuilding the tree leaves no node selected: nothing to list then.
    if (!node)
        return;
    UnitOfNode(trvList, node, SelectedUnitCode, SelectedUnitName);
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
    auto marks = std::make_shared<const TListMarks>(ngdBudget, m_gridManager->TotalsFlag());
    if (!marks->AnyMarked()) {
        ShowMessage(QStringLiteral("请选择准备删除的预算指标信息!"), CaptionConfirm(),
                    MsgIcon::Warning);
        return;
    }
    if (SysParams().ConfirmDelete == QLatin1String("1") &&
        ShowMessage(QStringLiteral("是否删除选中数据？"), CaptionInfo(), MsgIcon::Question,
                    MsgButtons::YesNo) != mrYes)
        return;
    StartBulk(
        Work(), TBulkAction::Delete, WorkingDataYear(),
        [marks](const std::function<bool()>& going) { return marks->MarkedIds(going); },
        [this](const TBulkResult& r) {
            BulkFinished(r, QStringLiteral("数据删除成功。"), QStringLiteral("删除"));
        });
}

void TbfrmQuindle::pmuAllClick()
{
    if (!m_gridManager)
        return; // closed: the list is gone
    TListMarks::MarkAll(ngdBudget, true);
}

void TbfrmQuindle::pmuClearClick()
{
    if (!m_gridManager)
        return; // closed: the list is gone
    TListMarks::MarkAll(ngdBudget, false);
}

void TbfrmQuindle::CopyAmounts(bool fromEntered)
{
    if (!m_gridManager)
        return; // closed: the list is gone
    auto marks = std::make_shared<const TListMarks>(ngdBudget, m_gridManager->TotalsFlag());
    if (!marks->AnyMarked()) {
        ShowMessage(QStringLiteral("请选择准备复制金额的预算指标信息!"), CaptionConfirm(),
                    MsgIcon::Warning);
        return;
    }
    // A cell that is not an amount ends the run before anything is written.
    StartBulk(
        Work(), TBulkAction::CopyAmounts, WorkingDataYear(),
        [marks, fromEntered](const std::function<bool()>& going) {
            return marks->MarkedAmounts(fromEntered, going);
        },
        [this](const TBulkResult& r) {
            BulkFinished(r, QStringLiteral("数据复制金额成功。"), QStringLiteral("复制金额"));
        });
}

// Read again whenever a row went (or the run was stopped), so the list never shows what is no
// longer so; success is reported only when every marked row succeeded.
void TbfrmQuindle::BulkFinished(const TBulkResult& r, const QString& success, const QString& what)
{
    if (r.Changed())
        RunListQuery();
    if (r.Work == TWorkOutcome::Failed) {
        ShowMessage(r.Error, CaptionRefuse(), MsgIcon::Error);
    } else if (r.Work == TWorkOutcome::Cancelled) {
        labStatus->setText(r.Rows.Written > 0
                               ? QStringLiteral("%1已取消，此前确认继续的%L2条已写入")
                                     .arg(what)
                                     .arg(r.Rows.Written)
                               : QStringLiteral("%1已取消，没有写入任何指标").arg(what));
    } else if (r.Rows.Missing > 0) {
        // Rows another operator deleted since the list was read: no success for them.
        ShowMessage(MissingRowsText(r.Rows, what), CaptionInfo(), MsgIcon::Warning);
    } else if (r.Rows.AllOk && SysParams().ShowSuccessMsg == QLatin1String("1")) {
        ShowMessage(success, CaptionInfo(), MsgIcon::Information);
    }
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
    // The host's errors reach its error reporting; the list closes whatever happened.
    Guarded(this, [] {
        OpenSiblingWindow(QStringLiteral("bMorrowell.dll"), QStringLiteral("TbfrmMorrowell"));
    });
    Guarded(this, [this] { close(); });
}

void TbfrmQuindle::mnuSummaryClick()
{
    if (SummaryOpener())
        SummaryOpener()(this);
}

void TbfrmQuindle::mnuFindClick()
{
    FindBar->Open();
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
