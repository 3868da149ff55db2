#include "listwindow/bwnQuindleMarks.h"

#include "budget/gunBudget.h"
#include "budget/gunBudgetSave.h"
#include "context/untWorkContext.h"
#include "controls/TNextGrid.h"
#include "platform/untApplication.h"
#include "platform/untException.h"
#include "support/gunNextGridManager.h"

#include <vector>

bool TListMarks::Marked(int row) const
{
    return m_manager->GetText(m_grid, row, QStringLiteral("chk")) == QLatin1String("True");
}

bool TListMarks::IsTotalsRow(int row) const
{
    return m_manager->TotalsFlag() && row == m_grid->RowCount() - 1;
}

QList<int> TListMarks::MarkedRows() const
{
    QList<int> rows;
    for (int r = 0; r < m_grid->RowCount(); ++r)
        if (!IsTotalsRow(r) && Marked(r))
            rows << r;
    return rows;
}

bool TListMarks::AnyMarked() const
{
    return !MarkedRows().isEmpty();
}

void TListMarks::MarkAll(bool marked)
{
    for (int r = 0; r < m_grid->RowCount(); ++r)
        m_grid->SetCells(0, r, marked ? QStringLiteral("True") : QStringLiteral("False"));
}

TListMarks::Outcome TListMarks::Run(const QString& failure,
                                    const std::function<bool(int row)>& action)
{
    Outcome outcome{false, true, false};
    const QList<int> rows = MarkedRows();
    for (qsizetype k = 0; k < rows.size(); ++k) {
        if (action(rows[k])) {
            outcome.Changed = true;
            continue;
        }
        outcome.AllOk = false;
        const QString reason = failure + QLatin1Char('\n') + LastDbError();
        if (k == rows.size() - 1) {
            ShowMessage(reason, CaptionInfo(), MsgIcon::Information);
            break;
        }
        if (ShowMessage(reason + QStringLiteral("\n\n是否继续处理其余选中的指标？"), CaptionInfo(),
                        MsgIcon::Question, MsgButtons::YesNo) != mrYes) {
            outcome.Stopped = true;
            break;
        }
    }
    return outcome;
}

TListMarks::Outcome TListMarks::DeleteMarked(int dataYear)
{
    SetWritePath(TWritePath::Delete);
    TBudget record;
    record.DataYear = dataYear;
    return Run(QStringLiteral("删除数据失败！。"), [&](int row) {
        record.BudgId = m_manager->GetText(m_grid, row, QStringLiteral("budgid"));
        return m_store->DeleteBudget(record, QString());
    });
}

TListMarks::Outcome TListMarks::CopyAmounts(int dataYear, bool fromEntered)
{
    TBudget record;
    record.DataYear = dataYear;
    const QString column = fromEntered ? QStringLiteral("inputmoney") : QStringLiteral("duemoney");
    // Every amount is checked before the first is written: one that is no number or beyond the
    // range an indicator may hold stops the copy with nothing changed.
    std::vector<Currency> amounts;
    for (const int row : MarkedRows()) {
        amounts.push_back(m_manager->GetCurrency(m_grid, row, column)); // raises
        if (!amounts.back().InRange())
            throw Exception(QStringLiteral("编号为%1的指标%2，没有复制任何金额。")
                                .arg(m_manager->GetText(m_grid, row, QStringLiteral("budgid")),
                                     Currency::RangeText()));
    }
    SetWritePath(TWritePath::Copy);
    size_t next = 0;
    return Run(QStringLiteral("金额复制失败！。"), [&](int row) {
        record.BudgId = m_manager->GetText(m_grid, row, QStringLiteral("budgid"));
        const Currency amount = amounts[next++];
        record.BudgMoney = amount;
        return m_store->UpdateBudgetFields(record, " BudgMoney= " + amount.ToSqlText(), QString());
    });
}
