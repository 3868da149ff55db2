#include "listwindow/bwnListActions.h"

#include "basewindows/wnBase.h"
#include "budget/gunBudgetHistory.h"
#include "context/untWorkContext.h"
#include "controls/TNextGrid.h"
#include "listwindow/bwnBudgetHistory.h"
#include "listwindow/bwnListBulk.h"
#include "listwindow/bwnListRows.h"
#include "listwindow/bwnListScope.h"
#include "listwindow/bwnQuindleMarks.h"
#include "platform/untApplication.h"
#include "support/gunNextGridManager.h"

#include <QLabel>
#include <memory>
#include <utility>

TListActions::TListActions(TfrmBase* window, const TListControls& ui, const TListScope& scope,
                           TListRows& rows, std::function<void()> relist)
    : m_window(window), m_ui(ui), m_scope(scope), m_rows(rows), m_relist(std::move(relist))
{
}

namespace
{
constexpr int kIdsNamed = 10;
} // namespace

void TListActions::Delete()
{
    if (!m_rows.Manager())
        return; // closed: the list is gone
    auto marks = std::make_shared<const TListMarks>(m_ui.ngdBudget, m_rows.Manager()->TotalsFlag());
    if (!marks->AnyMarked()) {
        ShowMessage(QStringLiteral("请选择准备删除的预算指标信息!"), CaptionConfirm(),
                    MsgIcon::Warning);
        return;
    }
    // The question names how many (and which, when few): a mark out of sight is not deleted
    // unawares.
    const QStringList ids = marks->FewMarkedIds(kIdsNamed);
    const QString which = ids.isEmpty()
                              ? QStringLiteral("\n共选中%L1条指标。").arg(marks->MarkedCount())
                              : QStringLiteral("\n共选中%L1条指标：编号%2。")
                                    .arg(ids.size())
                                    .arg(ids.join(QStringLiteral("、")));
    if (SysParams().ConfirmDelete == QLatin1String("1") &&
        ShowMessage(QStringLiteral("是否删除选中数据？") + which, CaptionInfo(), MsgIcon::Question,
                    MsgButtons::YesNo) != mrYes)
        return;
    StartBulk(
        m_window->Work(), TBulkAction::Delete, WorkingDataYear(),
        [marks](const std::function<bool()>& going) { return marks->MarkedIds(going); },
        [this](const TBulkResult& r) {
            BulkFinished(r, QStringLiteral("数据删除成功。"), QStringLiteral("删除"));
        });
}

void TListActions::MarkAll(bool marked)
{
    if (!m_rows.Manager())
        return; // closed: the list is gone
    TListMarks::MarkAll(m_ui.ngdBudget, marked);
}

void TListActions::CopyAmounts(bool fromEntered)
{
    if (!m_rows.Manager())
        return; // closed: the list is gone
    auto marks = std::make_shared<const TListMarks>(m_ui.ngdBudget, m_rows.Manager()->TotalsFlag());
    if (!marks->AnyMarked()) {
        ShowMessage(QStringLiteral("请选择准备复制金额的预算指标信息!"), CaptionConfirm(),
                    MsgIcon::Warning);
        return;
    }
    // A cell that is not an amount ends the run before anything is written.
    StartBulk(
        m_window->Work(), fromEntered ? TBulkAction::CopyEntered : TBulkAction::CopyFinance,
        WorkingDataYear(),
        [marks, fromEntered](const std::function<bool()>& going) {
            return marks->MarkedAmounts(fromEntered, going);
        },
        [this](const TBulkResult& r) {
            BulkFinished(r, QStringLiteral("数据复制金额成功。"), QStringLiteral("复制金额"));
        });
}

// Read again whenever a row went (or the run was stopped), so the list never shows what is no
// longer so; success is reported only when every marked row succeeded.
void TListActions::BulkFinished(const TBulkResult& r, const QString& success, const QString& what)
{
    if (r.Changed())
        m_relist();
    if (r.Work == TWorkOutcome::Failed) {
        ShowMessage(r.Error, CaptionRefuse(), MsgIcon::Error);
    } else if (r.Work == TWorkOutcome::Cancelled) {
        m_ui.labStatus->setText(r.Rows.Written > 0
                                    ? QStringLiteral("%1已取消，此前确认继续的%L2条已写入")
                                          .arg(what)
                                          .arg(r.Rows.Written)
                                    : QStringLiteral("%1已取消，没有写入任何指标").arg(what));
    } else if (r.Rows.Missing > 0 || r.Rows.Altered > 0) {
        // Rows another operator deleted or changed since the list was read: no success for them.
        ShowMessage(MissingRowsText(r.Rows, what), CaptionInfo(), MsgIcon::Warning);
    } else if (r.Rows.AllOk && SysParams().ShowSuccessMsg == QLatin1String("1")) {
        ShowMessage(success, CaptionInfo(), MsgIcon::Information);
    }
}

void TListActions::History()
{
    const int r = m_ui.ngdBudget->SelectedRow();
    TNextGridManager* manager = m_rows.Manager();
    if (r < 0 || !manager)
        return;
    const QString id = manager->GetText(m_ui.ngdBudget, r, QStringLiteral("budgid")).trimmed();
    const QString eid = manager->GetText(m_ui.ngdBudget, r, QStringLiteral("eid")).trimmed();
    if (id.isEmpty() || eid == QStringLiteral("合计"))
        return; // the totals row, or no indicator
    if (!HistoryInstalled()) {
        ShowMessage(HistoryNotSetUpText(), CaptionInfo(), MsgIcon::Information);
        return;
    }
    // The history under the id is that of what is stored there now: a row changed since the
    // list was read (or an id another indicator took) would show another's history unsaid.
    const TListMarks listed(m_ui.ngdBudget, manager->TotalsFlag());
    if (StoredAsListed(WorkingDataYear(), listed.Row(r, true)) == TListedState::Altered) {
        ShowMessage(QStringLiteral("编号为%1的预算指标在列表读取之后已被其他操作员修改。列表将重新"
                                   "读取，请在新的列表中再查看它的历史。")
                        .arg(id),
                    CaptionInfo(), MsgIcon::Warning);
        m_relist();
        return;
    }
    TfrmBudgetHistory dialog(WorkingDataYear(), id, m_window);
    dialog.exec();
}

void TListActions::Deleted()
{
    if (!HistoryInstalled()) {
        ShowMessage(HistoryNotSetUpText(), CaptionInfo(), MsgIcon::Information);
        return;
    }
    TfrmDeletedBudgets dialog(WorkingDataYear(), m_scope.Filter().UnitCode, m_window);
    dialog.exec();
    if (dialog.Restored())
        m_relist();
}
