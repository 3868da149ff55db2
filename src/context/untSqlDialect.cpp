#include "context/untSqlDialect.h"

namespace
{
bool ContainsAny(const QString& upper, std::initializer_list<const char*> needles)
{
    for (const char* n : needles)
        if (upper.contains(QLatin1String(n)))
            return true;
    return false;
}
} // namespace

QString SqlText(const QString& value)
{
    QString escaped = value;
    escaped.replace(QLatin1Char('\''), QLatin1String("''"));
    return escaped;
}

bool TSqlDialect::IsOracleProvider(const QString& p)
{
    return ContainsAny(p, {"ORACLE", "ORAOLEDB", "MSDAORA"});
}
bool TSqlDialect::IsAccessProvider(const QString& p)
{
    return ContainsAny(p, {"ACCESS", "JET.OLEDB"});
}
bool TSqlDialect::IsSqlServerProvider(const QString& p)
{
    return ContainsAny(p, {"MSSQL", "SQLOLEDB", "SQL SERVER"});
}
bool TSqlDialect::IsSQLiteProvider(const QString& p)
{
    return p.contains(QLatin1String("SQLITE"));
}
bool TSqlDialect::IsPostgreSQLProvider(const QString& p)
{
    return p.contains(QLatin1String("POSTGRES"));
}

TSqlDialect TSqlDialect::FromProvider(const QString& provider)
{
    const QString p = provider.toUpper();
    if (IsOracleProvider(p))
        return TSqlDialect(Oracle);
    if (IsAccessProvider(p))
        return TSqlDialect(Access);
    if (IsSqlServerProvider(p))
        return TSqlDialect(SqlServer);
    if (IsSQLiteProvider(p))
        return TSqlDialect(SQLite);
    if (IsPostgreSQLProvider(p))
        return TSqlDialect(PostgreSQL);
    return TSqlDialect(Fallback);
}

QString TSqlDialect::ConcatOperator() const
{
    switch (m_kind) {
    case Oracle:
    case SQLite:
    case PostgreSQL:
        return QStringLiteral("||");
    case Access:
        return QStringLiteral("&");
    default:
        return QStringLiteral("+");
    }
}

QString TSqlDialect::LengthFunction() const
{
    switch (m_kind) {
    case Oracle:
        return QStringLiteral("Length");
    case Access:
    case SqlServer:
        return QStringLiteral("Len");
    case SQLite:
    case PostgreSQL:
        return QStringLiteral("length");
    case Fallback:
        break;
    }
    return QString();
}

QString TSqlDialect::DateLiteral(const QString& d) const
{
    if (m_kind == Access)
        return QLatin1Char('#') + d + QLatin1Char('#');
    return QLatin1Char('\'') + SqlText(d) + QLatin1Char('\'');
}

QString TSqlDialect::ToNumber(const QString& x) const
{
    switch (m_kind) {
    case Oracle:
        return " To_Number(" + x + ") ";
    case Access:
        return " val(" + x + ") ";
    case SqlServer:
        return "convert(numeric(38,2)," + x + ") ";
    case SQLite:
    case PostgreSQL:
        return " CAST(" + x + " AS NUMERIC) ";
    case Fallback:
        break;
    }
    return QString();
}

QString TSqlDialect::ToText(const QString& x) const
{
    switch (m_kind) {
    case Oracle:
        return " To_Char(" + x + ") ";
    case Access:
        return " str(" + x + ") ";
    case SqlServer:
        return "convert(char," + x + ") ";
    case SQLite:
    case PostgreSQL:
        return " CAST(" + x + " AS TEXT) ";
    case Fallback:
        break;
    }
    return QString();
}

QString TSqlDialect::NullReplace(const QString& x, const QString& v) const
{
    const QString q = SqlText(v);
    switch (m_kind) {
    case Oracle:
        return "NVL(" + x + ",'" + q + "')";
    case Access:
        return "IIF(ISNULL(" + x + "),'" + q + "'," + x + ")";
    case SqlServer:
        return "ISNULL(" + x + ",'" + q + "')";
    default:
        return "COALESCE(" + x + ",'" + q + "')";
    }
}

QString TSqlDialect::EmptyText(const QString& x) const
{
    // Oracle stores an empty text as NULL and compares nothing equal to it.
    if (m_kind == Oracle)
        return x + " is null";
    return NullReplace(x, QString()) + "=''";
}

QString TSqlDialect::Trim(const QString& x) const
{
    if (m_kind == SqlServer)
        return " RTrim(LTrim(" + x + ")) ";
    return " Trim(" + x + ") ";
}

QString TSqlDialect::AccessIif(const QString& x, const QStringList& v, qsizetype from) const
{
    const qsizetype remaining = v.size() - from - 2;
    const QString rest = remaining >= 2 ? "(" + AccessIif(x, v, from + 2) + ")" : v.last();
    return " IIF(" + x + "=" + v[from] + "," + v[from + 1] + "," + rest + ")";
}

QString TSqlDialect::Conditional(const QString& x, const QStringList& values) const
{
    switch (m_kind) {
    case Oracle: {
        QString s = "DECODE(" + x;
        for (const QString& v : values)
            s += "," + v;
        return s + ")";
    }
    case Access:
    case Fallback:
        // A single value is only an otherwise-value: there is no pair to test.
        if (values.size() < 2)
            return values.value(0);
        if (m_kind == Access)
            return AccessIif(x, values, 0);
        return "IIF(" + x + "=" + values[0] + "," + values[1] + "," + values.last() + ")";
    default: {
        // The CASE form; PostgreSQL casts every result so that 0 and a text column mix.
        const bool cast = m_kind == PostgreSQL;
        auto result = [cast](const QString& r) { return cast ? "CAST(" + r + " AS TEXT)" : r; };
        QString s = QStringLiteral(" CASE  ");
        qsizetype i = 0;
        for (; i + 1 < values.size(); i += 2)
            s += " WHEN " + x + "=" + values[i] + " THEN " + result(values[i + 1]) + " ";
        if (i < values.size())
            s += " ELSE " + result(values[i]) + " ";
        return s + " END " + " ";
    }
    }
}

QString TSqlDialect::CodeNumber(const QString& c) const
{
    const QString a = NullReplace(c, QStringLiteral("0"));
    const QString b = "(" + Trim("(" + a + ")") + ")";
    if (m_kind == Fallback) {
        // The fallback has no conversion of its own; standard SQL serves an unknown provider.
        return " CAST(( CASE WHEN " + b + "='' THEN '0' ELSE " + b + " END ) AS NUMERIC) ";
    }
    const QString e = "(" + Conditional(b, {QStringLiteral("''"), QStringLiteral("0"), b}) + ")";
    return ToNumber(e);
}

QString TSqlDialect::NextNumber(const QString& c) const
{
    return " ((Max(" + CodeNumber(c) + "))+1) as " + c + " ";
}

QString TSqlDialect::LeftPart(const QString& x, int n) const
{
    if (m_kind == SQLite || m_kind == Oracle)
        return "substr(" + x + ",1," + QString::number(n) + ")";
    return "left(" + x + "," + QString::number(n) + ")";
}

QString TSqlDialect::ExactSum(const QString& x) const
{
    if (m_kind == SQLite)
        return "vw_money_sum(" + x + ")";
    return ToText("sum(" + x + ")");
}

QString TSqlDialect::GroupSums(const QString& key, const QStringList& amounts,
                               const QStringList& aliases, const QString& source) const
{
    QString columns;
    if (m_kind == SQLite) {
        const auto item = [](int i, const QString& alias) {
            return ",json_extract(j.value,'$[" + QString::number(i) + "]') as " + alias;
        };
        columns = "select json_extract(j.value,'$[0]') as grp" + item(1, QStringLiteral("cnt"));
        for (qsizetype i = 0; i < aliases.size(); ++i)
            columns += item(int(i) + 2, aliases[i]);
        return columns + " from json_each((select vw_group_sums(" + key + "," +
               amounts.join(QLatin1Char(',')) + ") " + source + ")) j";
    }
    columns = "select " + key + " as grp,count(*) as cnt";
    for (qsizetype i = 0; i < amounts.size(); ++i)
        columns += "," + ExactSum(amounts[i]) + " as " + aliases[i];
    return columns + " " + source + " group by " + key;
}

QString TSqlDialect::MonthOf(const QString& x) const
{
    switch (m_kind) {
    case SQLite:
        return "substr(" + x + ",1,7)";
    case PostgreSQL:
    case Oracle:
        return "to_char(" + x + ",'YYYY-MM')";
    case SqlServer:
        return "convert(char(7)," + x + ",120)";
    case Access:
        return "format(" + x + ",'yyyy-mm')";
    case Fallback:
        break;
    }
    return LeftPart(x, 7); // a date kept as text
}

QString TSqlDialect::DataVersion() const
{
    switch (m_kind) {
    case SQLite:
        // data_version counts others' commits only; total_changes this connection's own rows.
        return QStringLiteral("select (select data_version from pragma_data_version())||':'||"
                              "total_changes()");
    case PostgreSQL:
        // Equal snapshots see the same committed transactions, hence the same rows.
        return QStringLiteral("select txid_current_snapshot()::text");
    case Oracle:
    case SqlServer:
    case Access:
    case Fallback:
        break;
    }
    return QString();
}
