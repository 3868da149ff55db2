#pragma once
// The summary of the listed indicators by one grouping: its statement, its groups, its table.

#include "listwindow/bwnQuindleList.h"
#include "platform/untCurrency.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

class TAdoConn;

// 汇总方式, in the order of its choice list.
enum class TSummaryBy {
    Department,     // the unit tree's next level below the chosen unit
    MoneyKind,      // 资金性质
    Source,         // 预算来源
    ExpenseType,    // 支出类型
    SubjectClass,   // 科目 类 (3 characters)
    SubjectSection, // 科目 款 (5)
    SubjectItem,    // 科目 项 (7)
    EntryMonth,     // 录入月份
};
QStringList SummaryByCaptions();

// The amount summed, in the order of its choice list: the list's amount columns and differences.
enum class TSummaryAmount {
    Control,            // 控制金额 (budgmoney)
    Finance,            // 财政金额 (duemoney)
    Entered,            // 录入金额 (inputmoney)
    ControlLessFinance, // 控制与财政差额
    FinanceLessEntered, // 财政与录入差额
    ControlLessEntered, // 控制与录入差额
};
QStringList SummaryAmountCaptions();

// One statement: the indicators the list would show for the filter, grouped, counted and their
// three amounts summed exactly by the database, with each group's name; in group order.
QString SummaryStatement(const ListFilter& filter, TSummaryBy by, const TSqlDialect& dialect);

struct TSummaryGroup {
    QString Key; // empty: the indicators without that value
    QString Name;
    qint64 Count = 0;
    TMoneySum Entered, Finance, Control;
};
// Reads the statement's groups on the connection; raises with the database's reason.
std::vector<TSummaryGroup> ReadSummary(TAdoConn* conn, const QString& sql);
// ReadSummary, keeping the groups on the connection with its data version read before the
// statement: while that version holds, the same statement is answered from what was kept
// (`fresh` forgets all that was kept first). Without a data version in the dialect nothing is
// kept.
std::vector<TSummaryGroup> ReadSummaryKept(TAdoConn* conn, const QString& sql, bool fresh);

// The other groupings of a shown scope, read ahead beside the window and kept (ReadSummaryKept),
// the groupings below the shown one first. A choice asks whether it has reached a statement
// (read, or being read) and may then ask it to stop before its next one.
class TSummaryReadAhead
{
public:
    TSummaryReadAhead(const ListFilter& filter, TSummaryBy shown, const TSqlDialect& dialect);
    // On the worker; false when `cancelled` stopped it. Raises with the database's reason.
    bool Read(TAdoConn* conn, const std::function<bool()>& cancelled);
    bool Reached(const QString& sql) const;
    void Stop() { m_stop = true; }

private:
    QStringList m_statements;
    mutable std::mutex m_lock;
    QStringList m_reached;
    std::atomic<bool> m_stop = false;
};
TMoneySum GroupAmount(const TSummaryGroup& group, TSummaryAmount amount);
// Exact arithmetic on sums (an inexact term makes the result inexact).
TMoneySum SumPlus(const TMoneySum& a, const TMoneySum& b);
TMoneySum SumMinus(const TMoneySum& a, const TMoneySum& b);

struct TSummaryRow {
    QString Key; // empty for 其他, 合计 and the indicators without that value
    QString Caption;
    qint64 Count = 0;
    TMoneySum Amount;
};
struct TSummaryTable {
    std::vector<TSummaryRow> Rows; // the largest amount first; months in their order
    TSummaryRow Total;             // 合计
};
TSummaryTable SummaryTable(const std::vector<TSummaryGroup>& groups, TSummaryBy by,
                           TSummaryAmount amount);
// The part's share of the total as a fraction; none when the total is zero (or a near total
// that shows as 0.00).
std::optional<double> ShareOf(const TMoneySum& part, const TMoneySum& total);
// The share as shown, "12.34%"; "—" when there is none.
QString ShareText(const TMoneySum& part, const TMoneySum& total);
// The table's columns: 分组, 笔数, the amount, 占比. A row's text in one of them (笔数 with
// thousands grouping when `grouped`, as the window shows it).
constexpr int kSummaryColumns = 4;
QString SummaryCellText(const TSummaryRow& row, int column, const TMoneySum& total, bool grouped);
// What the chart draws: the `top` largest rows in the table's order, then "其他" holding the
// count and amount of the rest (only when there is a rest).
std::vector<TSummaryRow> ChartRows(const TSummaryTable& table, int top = 15);
// The running total after each row, in the table's order.
std::vector<TMoneySum> RunningTotals(const TSummaryTable& table);
// The list's filter for one row's group (the 合计 row: the summary's own scope); none for the
// rows that no filter of the list can name (其他, indicators without that value).
std::optional<ListFilter> GroupFilter(const ListFilter& base, TSummaryBy by, const TSummaryRow& row,
                                      bool total);
