#include "listwindow/bwnQuindle.h"

#include "basewindows/wnIcons.h"
#include "context/untWorkContext.h"
#include "controls/TNextGrid.h"
#include "controls/TTreeView.h"
#include "listwindow/bwnListActions.h"
#include "listwindow/bwnListLayout.h"
#include "listwindow/bwnListOutput.h"
#include "listwindow/bwnListRows.h"
#include "platform/untApplication.h"
#include "plugin/untPlugInEntry.h"
#include "support/untDynamicTree.h"

#include <QAction>
#include <QFrame>
#include <QGroupBox>
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

TbfrmQuindle::TbfrmQuindle(QObject* owner)
    : TfrmBsTrvTC(owner), m_scope(std::make_unique<TListScope>(Controls(), trvList)),
      m_rows(std::make_unique<TListRows>(Controls(), this)),
      m_entry(std::make_unique<TListEntry>(this, Controls(), *m_scope, *m_rows,
                                           [this] { RunListQuery(); })),
      m_actions(std::make_unique<TListActions>(this, Controls(), *m_scope, *m_rows,
                                               [this] { RunListQuery(); })),
      m_carry(std::make_unique<TListCarry>(this, Controls(), *m_scope, *m_rows,
                                           [this] { RunListQuery(); })),
      m_output(std::make_unique<TListOutput>(this, Controls(), *m_scope, *m_rows)),
      m_layout(std::make_unique<TListLayout>(this, Controls()))
{
    setObjectName(QStringLiteral("bfrmQuindle"));
    setWindowTitle(QStringLiteral("预算指标录入"));
    setWindowIcon(IconUnit());
    resize(650, 538);
    BuildToolBarAndMenus();
    BuildLeftPanel();
    BuildGrid();
    Wire(mnuSummary, [this] {
        if (SummaryOpener())
            SummaryOpener()(this);
    });
    DytDept = new TDynamicTree(this);
    DytDept->SetTreeView(trvList);
    DytDept->SetActive(false);
    DytDept->SetLoadAll(true);
    DytDept->SetAutoExpandKind(aekFirstLeaf);
    DytDept->SyncDataLoad = true;
    connect(m_rows.get(), &TListRows::RowsArrived, this, &TbfrmQuindle::ListRowsArrived);
    connect(m_rows.get(), &TListRows::Filled, this, &TbfrmQuindle::ListFilled);
    connect(m_rows.get(), &TListRows::StateChanged, this, [this] { UpdateActionStates(); });
}

TbfrmQuindle::~TbfrmQuindle() = default;

void TbfrmQuindle::FormCreate()
{
    TfrmBsTrvTC::FormCreate();
    const bool fewUnits = HasFewDeptUnits();
    if (fewUnits) {
        trvList->hide();
        rgpShowEid->hide();
        Panel1->setFixedHeight(150);
    }
    m_scope->Start(fewUnits);
    m_rows->Start();
    m_layout->Restore();
}

void TbfrmQuindle::FormShow()
{
    TfrmBsTrvTC::FormShow();
    if (m_shown)
        return; // the lists are built once; a later show only centres
    m_shown = true;
    m_layout->RestoreMaximised();
    Guarded(this, [this] {
        m_scope->FillFilters();
        if (m_scope->FewUnits())
            RunListQuery();
    });
}

void TbfrmQuindle::FormClose()
{
    m_rows->Stop();
    m_layout->Save();
    TfrmBsTrvTC::FormClose();
    DytDept->SetActive(false);
    m_rows->Drop();
}

// The list is read beside the window: its rows appear as they arrive, and a new query (or
// closing the window) cancels the one still running.
void TbfrmQuindle::RunListQuery()
{
    m_rows->Run(ListStatement(m_scope->Filter(), DefDialect()), m_scope->GroupCaption());
}

void TbfrmQuindle::UpdateActionStates()
{
    m_scope->UpdateAddRule();
    // What acts on the list waits until the whole list is there.
    const bool ready = m_rows->Ready();
    const bool rows = m_rows->Count() > 0 && ready;
    for (QAction* a : {tbtnMod, mnuMod, tbtnDel, mnuDel, pmuAll, pmuClear, N4, N5, tbtnExport,
                       mnuExport, mnuPrint, mnuPdf})
        a->setEnabled(rows);
    for (QAction* a : {tbtnAdd, mnuAdd})
        a->setEnabled(m_scope->AddRuleMet() && ready);
    mnuCarry->setEnabled(ready);
}

bool TbfrmQuindle::ShowScope(const ListFilter& f, const QString& unitName, const QString& caption)
{
    if (WorkRunning() || !m_rows->Manager())
        return false;
    m_scope->ShowGroup(f, unitName, caption);
    RunListQuery();
    return true;
}

void TbfrmQuindle::UnitChosen(QTreeWidgetItem* node)
{
    // Clearing or rebuilding the tree leaves no node selected: nothing to list then.
    if (m_scope->UnitChosen(node))
        RunListQuery();
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

// Excel电子格式导入: the import window takes the list's place.
void TbfrmQuindle::ImportInstead()
{
    // The host's errors reach its error reporting; the list closes whatever happened.
    Guarded(this, [] {
        OpenSiblingWindow(QStringLiteral("bMorrowell.dll"), QStringLiteral("TbfrmMorrowell"));
    });
    Guarded(this, [this] { close(); });
}
