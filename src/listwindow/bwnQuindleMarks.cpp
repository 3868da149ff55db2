#include "listwindow/bwnQuindleMarks.h"

#include "controls/TNextGrid.h"
#include "budget/gunBudget.h"
#include "support/gunNextGridManager.h"
#include "platform/untApplication.h"

bool TListMarks::Marked(int row) const
{
    return m_manager->GetText(m_grid, row, QStringLiteral("chk")) == QLatin1String("True");
}

bool TListMarks::AnyMarked() const
{
    for (int r = 0; r < m_grid->RowCount(); ++r)
        if (Marked(r))
            return true;
    return false;
}

void TListMarks::MarkAll(bool marked)
{
    for (int r = 0; r < m_grid->RowCount(); ++r)
        m_grid->SetCells(0, r, marked ? QStringLiteral("True") : QStringLiteral("False"));
}

TListMarks::Outcome TListMarks::DeleteMarked(int dataYear)
{
    TBudget record;
    Outcome outcome{false, true};
    for (int r = 0; r < m_grid->RowCount(); ++r) {
        if (!Marked(r))
            continue;
        record.BudgId = m_manager->GetText(m_grid, r, QStringLiteral("budgid"));
        record.DataYear = dataYear;
        if (m_store->DeleteBudget(record, QString())) {
            outcome.Changed = true;
        } else {
            outcome.AllOk = false;
            ShowMessage(QStringLiteral("删除数据失败！。"), CaptionInfo(), MsgIcon::Information);
        }
    }
    return outcome;
}

TListMarks::Outcome TListMarks::CopyAmounts(int dataYear, bool fromEntered)
{
    TBudget record;
    Outcome outcome{false, true};
    const QString column = fromEntered ? QStringLiteral("inputmoney") : QStringLiteral("duemoney");
    for (int r = 0; r < m_grid->RowCount(); ++r) {
        if (!Marked(r))
            continue;
        record.BudgId = m_manager->GetText(m_grid, r, QStringLiteral("budgid"));
        record.DataYear = dataYear;
        const Currency amount = m_manager->GetCurrency(m_grid, r, column); // raises on a non-number
        record.BudgMoney = amount;
        if (m_store->UpdateBudgetFields(record, " BudgMoney= " + amount.ToSqlText(), QString())) {
            outcome.Changed = true;
        } else {
            outcome.AllOk = false;
            ShowMessage(QStringLiteral("金额复制失败！。"), CaptionInfo(), MsgIcon::Information);
        }
    }
    return outcome;
}
