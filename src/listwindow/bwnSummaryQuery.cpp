#include "listwindow/bwnSummaryQuery.h"

#include "context/untAdodbIsomer.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <numeric>

QStringList SummaryByCaptions()
{
    return {QStringLiteral("按部门"),       QStringLiteral("按资金性质"),
            QStringLiteral("按预算来源"),   QStringLiteral("按支出类型"),
            QStringLiteral("按科目（类）"), QStringLiteral("按科目（款）"),
            QStringLiteral("按科目（项）"), QStringLiteral("按录入月份")};
}

QStringList SummaryAmountCaptions()
{
    return {QStringLiteral("控制金额"),       QStringLiteral("财政金额"),
            QStringLiteral("录入金额"),       QStringLiteral("控制与财政差额"),
            QStringLiteral("财政与录入差额"), QStringLiteral("控制与录入差额")};
}

namespace
{
// The condition of SQLite's summary index (every indicator type): it lets the statement read
// its columns from that index alone.
const QString kSummaryIndexTerm = QStringLiteral(" and btype in ('0','1','2')");

// The group's expression over busibudget, and where its name comes from.
struct GroupSource {
    QString Key;
    QString NameTable; // empty: the key is its own name
    QString NameColumn;
    QString NameJoin;
};

GroupSource SourceOf(const ListFilter& f, TSummaryBy by, const TSqlDialect& dialect)
{
    const QString year = QString::number(f.DataYear);
    const auto subject = [&](int length) {
        return GroupSource{dialect.LeftPart(QStringLiteral("bid"), length),
                           QStringLiteral("pubsubject"), QStringLiteral("bname"),
                           "n.datayear=" + year + " and n.bid=s.grp"};
    };
    switch (by) {
    case TSummaryBy::Department:
        // Unit codes grow by three characters a level.
        return {dialect.LeftPart(QStringLiteral("eid"), int(f.UnitCode.size()) + 3),
                QStringLiteral("pubdept"), QStringLiteral("ename"), QStringLiteral("n.eid=s.grp")};
    case TSummaryBy::MoneyKind:
        return {QStringLiteral("mid"), QStringLiteral("pubmoneykind"), QStringLiteral("mname"),
                QStringLiteral("n.mid=s.grp")};
    case TSummaryBy::Source:
        return {QStringLiteral("bkid"), QStringLiteral("pubbudgetkind"), QStringLiteral("bkname"),
                QStringLiteral("n.bkid=s.grp")};
    case TSummaryBy::ExpenseType:
        return {QStringLiteral("ipid"), QStringLiteral("pubincomepay"), QStringLiteral("ipname"),
                QStringLiteral("n.ipid=s.grp")};
    case TSummaryBy::SubjectClass:
        return subject(3);
    case TSummaryBy::SubjectSection:
        return subject(5);
    case TSummaryBy::SubjectItem:
        return subject(7);
    case TSummaryBy::EntryMonth:
        break;
    }
    return {dialect.MonthOf(QStringLiteral("inputdate")), QString(), QString(), QString()};
}
} // namespace

QString SummaryStatement(const ListFilter& f, TSummaryBy by, const TSqlDialect& dialect)
{
    const GroupSource g = SourceOf(f, by, dialect);
    const QString inner = dialect.GroupSums(
        g.Key,
        {QStringLiteral("inputmoney"), QStringLiteral("duemoney"), QStringLiteral("budgmoney")},
        {QStringLiteral("inputsum"), QStringLiteral("duesum"), QStringLiteral("budgsum")},
        "from busibudget" + ListWhere(f, dialect) + kSummaryIndexTerm);
    const QString name = g.NameTable.isEmpty() ? QStringLiteral("s.grp") : "n." + g.NameColumn;
    QString sql = "select s.grp," + name + " as gname,s.cnt,s.inputsum,s.duesum,s.budgsum from (" +
                  inner + ") s";
    if (!g.NameTable.isEmpty())
        sql += " left join " + g.NameTable + " n on " + g.NameJoin;
    return sql + QStringLiteral(" order by s.grp");
}

std::vector<TSummaryGroup> ReadSummary(TAdoConn* conn, const QString& sql)
{
    const TIntfPtr<TARQuery> query = TARQuery::Open(conn, sql); // raises
    std::vector<TSummaryGroup> groups;
    groups.reserve(size_t(query->RecordCount()));
    const auto sum = [&](int column) {
        TMoneySum s;
        s.AddText(query->Fields(column).AsString());
        return s;
    };
    for (query->First(); !query->Eof(); query->Next()) {
        TSummaryGroup g;
        g.Key = query->Fields(0).AsString().trimmed();
        g.Name = query->Fields(1).AsString().trimmed();
        g.Count = query->Fields(2).AsString().toLongLong();
        g.Entered = sum(3);
        g.Finance = sum(4);
        g.Control = sum(5);
        groups.push_back(std::move(g));
    }
    return groups;
}

namespace
{
// The summaries read on one connection, dying with it (a connection's data version means
// nothing on another).
class TKeptSummaries : public QObject
{
public:
    using QObject::QObject;
    struct Kept {
        QString Version;
        std::vector<TSummaryGroup> Groups;
    };
    QHash<QString, Kept> Statements;
};

// A few scopes' worth of every grouping; past it the oldest are read again.
constexpr qsizetype kKeptStatements = 64;
} // namespace

std::vector<TSummaryGroup> ReadSummaryKept(TAdoConn* conn, const QString& sql, bool fresh)
{
    const QString versionSql = conn->Dialect().DataVersion();
    if (versionSql.isEmpty())
        return ReadSummary(conn, sql);
    QString version;
    {
        const TIntfPtr<TARQuery> query = TARQuery::Open(conn, versionSql); // raises
        version = query->Fields(0).AsString();
    }
    auto* kept = conn->findChild<TKeptSummaries*>(QString(), Qt::FindDirectChildrenOnly);
    if (!kept)
        kept = new TKeptSummaries(conn);
    if (fresh)
        kept->Statements.clear();
    const auto found = kept->Statements.constFind(sql);
    if (found != kept->Statements.cend() && found->Version == version)
        return found->Groups;
    std::vector<TSummaryGroup> groups = ReadSummary(conn, sql);
    if (kept->Statements.size() >= kKeptStatements)
        kept->Statements.clear();
    kept->Statements.insert(sql, {version, groups});
    return groups;
}

TSummaryReadAhead::TSummaryReadAhead(const ListFilter& filter, TSummaryBy shown,
                                     const TSqlDialect& dialect)
{
    const int count = int(SummaryByCaptions().size());
    for (int i = 1; i < count; ++i)
        m_statements << SummaryStatement(filter, TSummaryBy((int(shown) + i) % count), dialect);
}

bool TSummaryReadAhead::Read(TAdoConn* conn, const std::function<bool()>& cancelled)
{
    for (const QString& sql : m_statements) {
        if (cancelled())
            return false;
        if (m_stop)
            break;
        {
            const std::lock_guard<std::mutex> hold(m_lock);
            m_reached << sql;
        }
        ReadSummaryKept(conn, sql, false);
    }
    return true;
}

bool TSummaryReadAhead::Reached(const QString& sql) const
{
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_reached.contains(sql);
}

TMoneySum SumPlus(const TMoneySum& a, const TMoneySum& b)
{
    TMoneySum s = a;
    s += b;
    return s;
}

TMoneySum SumMinus(const TMoneySum& a, const TMoneySum& b)
{
    return SumPlus(a, -b);
}

TMoneySum GroupAmount(const TSummaryGroup& g, TSummaryAmount amount)
{
    const auto less = [](const TMoneySum& a, const TMoneySum& b) { return SumMinus(a, b); };
    switch (amount) {
    case TSummaryAmount::Control:
        return g.Control;
    case TSummaryAmount::Finance:
        return g.Finance;
    case TSummaryAmount::Entered:
        return g.Entered;
    case TSummaryAmount::ControlLessFinance:
        return less(g.Control, g.Finance);
    case TSummaryAmount::FinanceLessEntered:
        return less(g.Finance, g.Entered);
    case TSummaryAmount::ControlLessEntered:
        break;
    }
    return less(g.Control, g.Entered);
}

namespace
{
// The rows' positions, the largest amount first and equal amounts in their order.
std::vector<size_t> LargestFirst(const std::vector<TSummaryRow>& rows)
{
    std::vector<size_t> order(rows.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&rows](size_t a, size_t b) {
        return rows[a].Amount.Value() > rows[b].Amount.Value();
    });
    return order;
}
} // namespace

TSummaryTable SummaryTable(const std::vector<TSummaryGroup>& groups, TSummaryBy by,
                           TSummaryAmount amount)
{
    TSummaryTable table;
    table.Total.Caption = QStringLiteral("合计");
    for (const TSummaryGroup& g : groups) {
        TSummaryRow row;
        row.Key = g.Key;
        if (g.Key.isEmpty())
            row.Caption = QStringLiteral("（未填）");
        else if (by == TSummaryBy::EntryMonth || g.Name.isEmpty() || g.Name == g.Key)
            row.Caption = g.Key;
        else
            row.Caption = g.Key + QLatin1Char(' ') + g.Name;
        row.Count = g.Count;
        row.Amount = GroupAmount(g, amount);
        table.Total.Count += row.Count;
        table.Total.Amount += row.Amount;
        table.Rows.push_back(std::move(row));
    }
    if (by != TSummaryBy::EntryMonth) {
        std::vector<TSummaryRow> sorted;
        sorted.reserve(table.Rows.size());
        for (const size_t i : LargestFirst(table.Rows))
            sorted.push_back(std::move(table.Rows[i]));
        table.Rows = std::move(sorted);
    }
    return table;
}

std::optional<double> ShareOf(const TMoneySum& part, const TMoneySum& total)
{
    const double whole = total.Value();
    // A near total that shows as 0.00 is what was left of rounding: no share of it means much.
    if (whole == 0 || (!total.Exact() && std::abs(whole) < 0.005))
        return std::nullopt;
    return part.Value() / whole;
}

QString ShareText(const TMoneySum& part, const TMoneySum& total)
{
    const std::optional<double> fraction = ShareOf(part, total);
    if (!fraction)
        return QStringLiteral("—");
    QString share = QString::number(*fraction * 100.0, 'f', 2);
    if (share == QLatin1String("-0.00")) // a share too small to show has no sign
        share = QStringLiteral("0.00");
    return share + QLatin1Char('%');
}

QString SummaryCellText(const TSummaryRow& row, int column, const TMoneySum& total, bool grouped)
{
    switch (column) {
    case 0:
        return row.Caption;
    case 1:
        return grouped ? QStringLiteral("%L1").arg(row.Count) : QString::number(row.Count);
    case 2:
        return FormatAmountText(row.Amount.Text());
    default:
        return ShareText(row.Amount, total);
    }
}

std::vector<TSummaryRow> ChartRows(const TSummaryTable& table, int top)
{
    const size_t n = table.Rows.size();
    if (n <= size_t(top))
        return table.Rows;
    const std::vector<size_t> order = LargestFirst(table.Rows);
    std::vector<bool> shown(n, false);
    for (size_t i = 0; i < size_t(top); ++i)
        shown[order[i]] = true;
    std::vector<TSummaryRow> rows;
    TSummaryRow other;
    other.Caption = QStringLiteral("其他");
    for (size_t i = 0; i < n; ++i) {
        if (shown[i]) {
            rows.push_back(table.Rows[i]);
        } else {
            other.Count += table.Rows[i].Count;
            other.Amount += table.Rows[i].Amount;
        }
    }
    rows.push_back(other);
    return rows;
}

std::vector<TMoneySum> RunningTotals(const TSummaryTable& table)
{
    std::vector<TMoneySum> totals;
    TMoneySum running;
    for (const TSummaryRow& row : table.Rows) {
        running += row.Amount;
        totals.push_back(running);
    }
    return totals;
}

std::optional<ListFilter> GroupFilter(const ListFilter& base, TSummaryBy by, const TSummaryRow& row,
                                      bool total)
{
    if (total)
        return base;
    if (row.Key.isEmpty())
        return std::nullopt;
    ListFilter f = base;
    switch (by) {
    case TSummaryBy::Department:
        f.UnitCode = row.Key;
        break;
    case TSummaryBy::MoneyKind:
        f.MoneyKindCode = row.Key;
        break;
    case TSummaryBy::Source:
        f.SourceCode = row.Key;
        break;
    case TSummaryBy::ExpenseType:
        f.ExpenseTypeCode = row.Key;
        break;
    case TSummaryBy::SubjectClass:
    case TSummaryBy::SubjectSection:
    case TSummaryBy::SubjectItem:
        f.SubjectPrefix = row.Key;
        break;
    case TSummaryBy::EntryMonth:
        f.EntryMonth = row.Key;
        break;
    }
    return f;
}
