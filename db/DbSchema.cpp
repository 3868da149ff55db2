#include "db/DbSchema.h"

#include "context/untAdodbIsomer.h"

#include <QRegularExpression>
#include <QSqlDatabase>

extern const char* const kSchemaSql;

namespace
{
bool IsPostgres(TAdoConn* conn)
{
    return conn->Dialect().GetKind() == TSqlDialect::PostgreSQL;
}

// Every table and view with the columns the system reads from it.
const QList<QPair<QString, QStringList>>& RequiredColumns()
{
    static const QList<QPair<QString, QStringList>> required = [] {
        QList<QPair<QString, QStringList>> list;
        // The tables' own columns come from the schema text itself.
        const QStringList statements = SchemaStatements(false);
        static const QRegularExpression table(QStringLiteral("^CREATE TABLE (\\w+) \\((.*)\\)$"),
                                              QRegularExpression::DotMatchesEverythingOption);
        static const QRegularExpression column(
            QStringLiteral("^\\s*(\\w+) (integer|varchar|numeric)"),
            QRegularExpression::MultilineOption);
        for (const QString& s : statements) {
            const auto m = table.match(s);
            if (!m.hasMatch())
                continue;
            QStringList cols;
            auto it = column.globalMatch(m.captured(2));
            while (it.hasNext())
                cols << it.next().captured(1);
            list.append({m.captured(1), cols});
        }
        list.append({QStringLiteral("vwbudgetitem"),
                     {"datayear", "eid", "iid", "piid", "iname", "leafflag", "useflag", "issecret",
                      "itype", "pid", "ikid"}});
        list.append(
            {QStringLiteral("vwbudget"),
             {"budgid",         "datayear",   "eid",      "ecode",     "ename",        "bid",
              "bname",          "iid",        "iname",    "ipid",      "ipname",       "mid",
              "mname",          "bkid",       "bkname",   "pid",       "pname",        "ekid",
              "ekname",         "inputmoney", "duemoney", "budgmoney", "duebalamoney", "balamoney",
              "inputbalamoney", "secret",     "issecret", "filename",  "vid",          "inputdate",
              "btype",          "btypechild", "burid",    "burname"}});
        return list;
    }();
    return required;
}

bool Opens(TAdoConn* conn, const QString& sql)
{
    try {
        TARQuery::Open(conn, sql);
        return true;
    } catch (const Exception&) {
        return false;
    }
}
} // namespace

QStringList SchemaStatements(bool postgres)
{
    QString text = QString::fromUtf8(kSchemaSql);
    text.replace(QStringLiteral("@MONEY@"), postgres ? "numeric(18,4)" : "numeric");
    text.replace(QStringLiteral("@DATE@"), postgres ? "date" : "varchar(10)");
    text.replace(QStringLiteral("@CI@"), postgres ? "COLLATE vw_nocase" : "COLLATE NOCASE");
    // numeric(18,4) subtracts exactly. SQLite holds amounts as doubles, whose difference is off in
    // the last bits (999.9899999999907): rounded to the four decimals the amounts have, or to
    // the two a double still holds beyond 10^11.
    static const QRegularExpression diff(QStringLiteral("@DIFF\\(([\\w.]+),([\\w.]+)\\)@"));
    text.replace(diff, postgres ? QStringLiteral("\\1 - \\2")
                                : QStringLiteral("round(\\1 - \\2, CASE WHEN max(abs(\\1), "
                                                 "abs(\\2)) < 1e11 THEN 4 ELSE 2 END)"));
    // A unit-code prefix (eid like '101%') uses an index only where LIKE's rules match the
    // index: SQLite's LIKE ignores case, PostgreSQL needs pattern operators outside the C locale.
    text.replace(QStringLiteral("@LIKECI@"), postgres ? "" : "COLLATE NOCASE");
    text.replace(QStringLiteral("@LIKEINDEX@"),
                 postgres
                     ? "CREATE INDEX ix_busibudget_unitprefix ON busibudget (datayear, btype, eid "
                       "varchar_pattern_ops);"
                     : "");
    text.replace(QStringLiteral("@DEPTLIKEINDEX@"),
                 postgres ? "CREATE INDEX ix_pubdept_prefix ON pubdept (eid varchar_pattern_ops);"
                          : "");
    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (!line.trimmed().startsWith(QLatin1String("--")))
            lines << line;
    QStringList statements;
    if (postgres)
        statements << QStringLiteral("CREATE COLLATION IF NOT EXISTS vw_nocase (provider = icu, "
                                     "locale = 'und-u-ks-level2', deterministic = false)");
    for (const QString& s : lines.join(QLatin1Char('\n')).split(QLatin1Char(';')))
        if (!s.trimmed().isEmpty())
            statements << s.trimmed();
    return statements;
}

void CreateSchema(TAdoConn* conn)
{
    for (const QString& sql : SchemaStatements(IsPostgres(conn)))
        ExecuteCommand(conn, sql);
}

void InTransaction(TAdoConn* conn, const std::function<void()>& work)
{
    ExecuteCommand(conn, IsPostgres(conn) ? "begin" : "begin transaction");
    try {
        work();
        ExecuteCommand(conn, "commit");
    } catch (...) {
        try {
            ExecuteCommand(conn, "rollback");
        } catch (const std::exception&) {
            // already traced on the connection; the first error says what went wrong
        }
        throw;
    }
}

QStringList UpgradeSchema(TAdoConn* conn)
{
    static const QRegularExpression view(QStringLiteral("^CREATE VIEW (\\w+) AS"));
    QStringList names;
    InTransaction(conn, [&] {
        for (const QString& sql : SchemaStatements(IsPostgres(conn))) {
            const auto m = view.match(sql);
            if (!m.hasMatch())
                continue;
            ExecuteCommand(conn, "DROP VIEW IF EXISTS " + m.captured(1));
            ExecuteCommand(conn, sql);
            names << m.captured(1);
        }
    });
    return names;
}

QStringList CheckSchema(TAdoConn* conn)
{
    QStringList problems;
    conn->Database(); // a connection failure is reported as such, not as missing tables
    for (const auto& [table, columns] : RequiredColumns()) {
        if (Opens(conn,
                  "select " + columns.join(QLatin1Char(',')) + " from " + table + " where 1=0"))
            continue;
        if (!Opens(conn, "select * from " + table + " where 1=0")) {
            problems << QStringLiteral("缺少表或视图 %1").arg(table);
            continue;
        }
        QStringList missing;
        for (const QString& c : columns)
            if (!Opens(conn, "select " + c + " from " + table + " where 1=0"))
                missing << c;
        problems << QStringLiteral("%1 缺少列：%2").arg(table, missing.join(QStringLiteral(", ")));
    }
    return problems;
}
