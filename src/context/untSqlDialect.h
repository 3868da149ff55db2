#pragma once
// The one quoting function and the SQL pieces that differ by database.

#include <QString>
#include <QStringList>

// Doubles embedded single quotes: the one way a value is placed between quotes in SQL.
QString SqlText(const QString& value);

// The SQL pieces whose form differs between database products, chosen by provider name.
class TSqlDialect
{
public:
    enum Kind { Oracle, Access, SqlServer, SQLite, PostgreSQL, Fallback };

    explicit TSqlDialect(Kind kind) : m_kind(kind) {}
    static TSqlDialect FromProvider(const QString& provider);
    static bool IsOracleProvider(const QString& upperProvider);
    static bool IsAccessProvider(const QString& upperProvider);
    static bool IsSqlServerProvider(const QString& upperProvider);
    static bool IsSQLiteProvider(const QString& upperProvider);
    static bool IsPostgreSQLProvider(const QString& upperProvider);

    Kind GetKind() const { return m_kind; }
    QString ConcatOperator() const;
    QString LengthFunction() const;
    QString DateLiteral(const QString& d) const;
    QString ToNumber(const QString& x) const;
    QString ToText(const QString& x) const;
    QString NullReplace(const QString& x, const QString& v) const;
    // x is an empty text or NULL.
    QString EmptyText(const QString& x) const;
    QString Trim(const QString& x) const;
    QString Conditional(const QString& x, const QStringList& values) const;
    QString NextNumber(const QString& column) const;
    // The number NextNumber takes the maximum of: an index on it answers NextNumber at once.
    QString CodeNumber(const QString& column) const;
    QString LeftPart(const QString& x, int n) const;
    // The exact sum of an amount column as a decimal text (SQLite: the connection's
    // vw_money_sum, as its amounts are floating-point values).
    QString ExactSum(const QString& x) const;
    // A select of "grp, cnt" and each amount's exact sum under its alias, of the rows of
    // `source` ("from … where …") grouped by `key`. SQLite groups through vw_group_sums, in one
    // pass instead of sorting every row by the key; the key then comes as text.
    QString GroupSums(const QString& key, const QStringList& amounts, const QStringList& aliases,
                      const QString& source) const;
    // The year and month of a date column as text, "2026-03".
    QString MonthOf(const QString& x) const;
    // A select of one value that differs whenever rows may have changed since the last time it
    // was read on this connection: committed elsewhere, or changed by the connection itself
    // (SQLite's data_version and total_changes; the transactions PostgreSQL's snapshot counts
    // as committed). Empty where none is known.
    QString DataVersion() const;

private:
    QString AccessIif(const QString& x, const QStringList& values, qsizetype from) const;
    Kind m_kind;
};
