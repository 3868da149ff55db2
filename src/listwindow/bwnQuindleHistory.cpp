// The history of changes from the list: an indicator's versions, the deleted indicators.
#include "listwindow/bwnQuindle.h"

#include "budget/gunBudgetHistory.h"
#include "context/untWorkContext.h"
#include "controls/TNextGrid.h"
#include "listwindow/bwnBudgetHistory.h"
#include "platform/untApplication.h"
#include "support/gunNextGridManager.h"

void TbfrmQuindle::mnuHistoryClick()
{
    const int r = ngdBudget->SelectedRow();
    if (r < 0 || !m_gridManager)
        return;
    const QString id = m_gridManager->GetText(ngdBudget, r, QStringLiteral("budgid")).trimmed();
    const QString eid = m_gridManager->GetText(ngdBudget, r, QStringLiteral("eid")).trimmed();
    if (id.isEmpty() || eid == QStringLiteral("合计"))
        return; // the totals row, or no indicator
    if (!HistoryInstalled()) {
        ShowMessage(HistoryNotSetUpText(), CaptionInfo(), MsgIcon::Information);
        return;
    }
    TfrmBudgetHistory dialog(WorkingDataYear(), id, this);
    dialog.exec();
}

void TbfrmQuindle::mnuDeletedClick()
{
    if (!HistoryInstalled()) {
        ShowMessage(HistoryNotSetUpText(), CaptionInfo(), MsgIcon::Information);
        return;
    }
    TfrmDeletedBudgets dialog(WorkingDataYear(), CurrentFilter().UnitCode, this);
    dialog.exec();
    if (dialog.Restored())
        RunListQuery();
}
