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

// The columns of busibudget, in the schema's order.
QStringList BudgetColumns()
{
    for (const auto& [table, columns] : RequiredColumns())
        if (table == QLatin1String("busibudget"))
            return columns;
    return {};
}

// The row as a JSON object of texts (amounts exact as SQLite keeps them), e.g. for NEW.
QString RowJson(const QString& row)
{
    QStringList pairs;
    for (const QString& c : BudgetColumns())
        pairs << QStringLiteral("'%1', CAST(%2.%1 AS TEXT)").arg(c, row);
    return "json_object(" + pairs.join(QStringLiteral(", ")) + ")";
}

// PostgreSQL: the rows of `from` (a transition table, or OLD/NEW in a row trigger's VALUES) with
// their key, unit and image: a JSON object of the columns as texts (amounts exact), built
// set-wise by row_to_json over the columns cast to text.
QString PgImages(const QString& from)
{
    QStringList texts;
    for (const QString& c : BudgetColumns())
        texts << QStringLiteral("r.%1::text AS %1").arg(c);
    return QStringLiteral("SELECT t.datayear::integer AS datayear, t.budgid, t.eid, "
                          "row_to_json(t)::text AS img FROM (SELECT %1 FROM %2 r) t")
        .arg(texts.join(QStringLiteral(", ")), from);
}

// Whether any column differs between OLD and NEW (NULLs compared as values).
QString AnyColumnChanged()
{
    QStringList changed;
    for (const QString& c : BudgetColumns())
        changed << QStringLiteral("OLD.%1 IS NOT NEW.%1").arg(c);
    return changed.join(QStringLiteral(" OR "));
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
    // The summary's conditions, groups and amounts in one index: SQLite reads no rows beside it
    // (at a million indicators 5 times less work); PostgreSQL scans and hashes faster without.
    // Partial, so only a statement that names its condition takes it: the list keeps the index
    // that gives its rows in order.
    text.replace(QStringLiteral("@SUMMARYINDEX@"),
                 postgres ? ""
                          : "CREATE INDEX IF NOT EXISTS ix_busibudget_summary ON busibudget "
                            "(datayear, btype, eid, bkid, mid, btypechild, burid, ipid, bid, "
                            "inputdate, inputmoney, duemoney, budgmoney) WHERE btype IN "
                            "('0','1','2');");
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

QStringList HistoryStatements(bool postgres)
{
    QStringList s;
    s << QStringLiteral("CREATE TABLE IF NOT EXISTS busibudgethistory (\n"
                        "    histid %1,\n"
                        "    datayear integer NOT NULL,\n"
                        "    budgid varchar(20) NOT NULL,\n"
                        "    eid varchar(30),\n"
                        "    action varchar(4) NOT NULL,\n"
                        "    changedat varchar(23) NOT NULL,\n"
                        "    operator varchar(100),\n"
                        "    path varchar(10),\n"
                        "    restoredid varchar(20),\n"
                        "    oldrow text,\n"
                        "    newrow text\n"
                        ")")
             .arg(postgres ? "bigserial PRIMARY KEY" : "integer PRIMARY KEY");
    s << QStringLiteral("CREATE INDEX IF NOT EXISTS ix_busibudgethistory_budget ON "
                        "busibudgethistory (datayear, budgid)");
    // Only the deleted indicators are looked up by action: the others need no index entry.
    s << QStringLiteral("DROP INDEX IF EXISTS ix_busibudgethistory_action");
    s << QStringLiteral("CREATE INDEX IF NOT EXISTS ix_busibudgethistory_deleted ON "
                        "busibudgethistory (datayear) WHERE action = '删除'");
    const QString insert = QStringLiteral(
        "INSERT INTO busibudgethistory (datayear, budgid, eid, action, changedat, operator, path, "
        "oldrow, newrow) ");
    if (postgres) {
        // Statement triggers over the changed rows (transition tables): one INSERT … SELECT per
        // statement. The operator and the program path are the session's settings (the product
        // sets them on every connection it opens); a write from elsewhere is the database user's.
        for (const char* name : {"insert", "update", "delete", "rekey"})
            s << QStringLiteral("DROP TRIGGER IF EXISTS busibudget_history_%1 ON busibudget")
                     .arg(QLatin1String(name));
        const QString function = QStringLiteral(
            "CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql "
            "AS $body$\n"
            "DECLARE\n"
            "    op text := coalesce(nullif(current_setting('vesperwald.operator', "
            "true), ''), session_user);\n"
            "    pth text := nullif(current_setting('vesperwald.path', true), '');\n"
            "    stamp text := to_char(localtimestamp, 'YYYY-MM-DD HH24:MI:SS.MS');\n"
            "BEGIN\n"
            "    %2;\n"
            "    RETURN NULL;\n"
            "END\n"
            "$body$");
        // An insert keeps no image, as on SQLite: building it was most of an import's cost.
        s << function.arg("busibudget_history_insert",
                          insert + "SELECT n.datayear, n.budgid, n.eid, CASE WHEN pth = '恢复' "
                                   "THEN '恢复' ELSE '增加' END, stamp, op, pth, NULL, NULL FROM "
                                   "new_rows n");
        // Old and new versions paired by their key; a row whose key changed has no pair here
        // (the row trigger below records it). An update that changes nothing leaves no row.
        s << function.arg(
            "busibudget_history_update",
            insert +
                "SELECT n.datayear, n.budgid, n.eid, '修改', stamp, op, pth, o.img, n.img FROM "
                "(SELECT i.*, row_number() OVER () AS pos FROM (" +
                PgImages("new_rows") + ") i) n JOIN (" + PgImages("old_rows") +
                ") o ON o.datayear = n.datayear AND o.budgid = n.budgid WHERE o.img IS "
                "DISTINCT FROM n.img ORDER BY n.pos");
        s << function.arg("busibudget_history_delete",
                          insert +
                              "SELECT o.datayear, o.budgid, o.eid, '删除', stamp, op, pth, "
                              "o.img, NULL FROM (" +
                              PgImages("old_rows") + ") o");
        s << function.arg("busibudget_history_rekey",
                          insert +
                              "SELECT n.datayear, n.budgid, n.eid, '修改', stamp, op, pth, "
                              "(SELECT img FROM (" +
                              PgImages("(SELECT OLD.*)") + ") o), n.img FROM (" +
                              PgImages("(SELECT NEW.*)") + ") n");
        s << QStringLiteral("DROP FUNCTION IF EXISTS busibudget_history()"); // the row trigger's
        s << QStringLiteral("CREATE TRIGGER busibudget_history_insert AFTER INSERT ON busibudget "
                            "REFERENCING NEW TABLE AS new_rows FOR EACH STATEMENT "
                            "EXECUTE FUNCTION busibudget_history_insert()");
        s << QStringLiteral("CREATE TRIGGER busibudget_history_update AFTER UPDATE ON busibudget "
                            "REFERENCING OLD TABLE AS old_rows NEW TABLE AS new_rows "
                            "FOR EACH STATEMENT EXECUTE FUNCTION busibudget_history_update()");
        s << QStringLiteral("CREATE TRIGGER busibudget_history_delete AFTER DELETE ON busibudget "
                            "REFERENCING OLD TABLE AS old_rows FOR EACH STATEMENT "
                            "EXECUTE FUNCTION busibudget_history_delete()");
        s << QStringLiteral("CREATE TRIGGER busibudget_history_rekey AFTER UPDATE OF datayear, "
                            "budgid ON busibudget FOR EACH ROW WHEN (OLD.datayear IS DISTINCT "
                            "FROM NEW.datayear OR OLD.budgid IS DISTINCT FROM NEW.budgid) "
                            "EXECUTE FUNCTION busibudget_history_rekey()");
        return s;
    }
    // SQLite has no session settings. Writers are serialised, so the product's write transaction
    // names itself in the one-row table busibudgetwriter as it begins, with its time, and empties
    // it before it commits (a rollback empties it too): other programs always find it empty. The
    // product's writes outside such a transaction are filled in by a temporary trigger of the
    // connection's own; a write by another program keeps the operator and path empty.
    // An insert keeps no image: the row as added is the next version's old image, or the stored
    // row while there is none (the history's reader puts them together).
    // A write transaction that only adds rows may write their history rows in one statement
    // instead, from the view busibudget_history_added (the insert trigger's rows, keyed by the
    // rowid of the row added), the insert trigger set aside until then.
    for (const char* name : {"insert", "update", "delete"})
        s << QStringLiteral("DROP TRIGGER IF EXISTS busibudget_history_%1")
                 .arg(QLatin1String(name));
    s << QStringLiteral("DROP VIEW IF EXISTS busibudget_history_added");
    s << QStringLiteral("DROP TABLE IF EXISTS busibudgetwriter"); // empty but inside a write
    s << QStringLiteral("CREATE TABLE busibudgetwriter (operator varchar(100), path varchar(10), "
                        "changedat varchar(23))");
    const QString values =
        QStringLiteral("SELECT %1.datayear, %1.budgid, %1.eid, %2, coalesce(w.changedat, "
                       "strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime')), w.operator, w.path, "
                       "%3, %4 FROM %5 LEFT JOIN busibudgetwriter w");
    const QString added = QStringLiteral("CASE w.path WHEN '恢复' THEN '恢复' ELSE '增加' END");
    s << QStringLiteral("CREATE TRIGGER busibudget_history_insert AFTER INSERT ON busibudget "
                        "BEGIN %1%2; END")
             .arg(insert, values.arg("NEW", added, "NULL", "NULL", "(SELECT 1)"));
    s << QStringLiteral("CREATE VIEW busibudget_history_added (datayear, budgid, eid, action, "
                        "changedat, operator, path, oldrow, newrow, addedrow) AS %1")
             .arg(values.arg("b", added, "NULL", "NULL, b.rowid", "busibudget b"));
    s << QStringLiteral("CREATE TRIGGER busibudget_history_update AFTER UPDATE ON busibudget "
                        "WHEN %1 BEGIN %2%3; END")
             .arg(AnyColumnChanged(), insert,
                  values.arg("NEW", "'修改'", RowJson("OLD"), RowJson("NEW"), "(SELECT 1)"));
    s << QStringLiteral("CREATE TRIGGER busibudget_history_delete AFTER DELETE ON busibudget "
                        "BEGIN %1%2; END")
             .arg(insert, values.arg("OLD", "'删除'", RowJson("OLD"), "NULL", "(SELECT 1)"));
    return s;
}

void InstallHistory(TAdoConn* conn)
{
    for (const QString& sql : HistoryStatements(IsPostgres(conn)))
        ExecuteCommand(conn, sql);
}

bool InstallIdIndex(TAdoConn* conn, QString* problem)
{
    try {
        ExecuteCommand(conn, "CREATE INDEX IF NOT EXISTS ix_busibudget_nextid ON busibudget "
                             "(datayear, (" +
                                 conn->Dialect().CodeNumber(QStringLiteral("budgid")) + "))");
        return true;
    } catch (const Exception& e) {
        *problem = e.Message();
        return false;
    }
}

QStringList UpgradeSchema(TAdoConn* conn)
{
    static const QRegularExpression view(QStringLiteral("^CREATE VIEW (\\w+) AS"));
    static const QRegularExpression index(QStringLiteral("^CREATE INDEX IF NOT EXISTS (\\w+) ON"));
    QStringList names;
    InTransaction(conn, [&] {
        for (const QString& sql : SchemaStatements(IsPostgres(conn))) {
            if (const auto added = index.match(sql); added.hasMatch()) {
                ExecuteCommand(conn, sql); // made once, kept afterwards
                names << added.captured(1);
                continue;
            }
            const auto m = view.match(sql);
            if (!m.hasMatch())
                continue;
            ExecuteCommand(conn, "DROP VIEW IF EXISTS " + m.captured(1));
            ExecuteCommand(conn, sql);
            names << m.captured(1);
        }
        InstallHistory(conn);
        names << QStringLiteral("busibudgethistory");
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
    // Without the history table its triggers refuse every write of the indicators.
    const QString triggers =
        IsPostgres(conn)
            ? QStringLiteral("select 1 from pg_trigger where tgrelid='busibudget'::regclass and "
                             "tgname like 'busibudget_history%'")
            : QStringLiteral("select 1 from sqlite_master where type='trigger' and tbl_name="
                             "'busibudget' and name like 'busibudget_history%'");
    if (problems.isEmpty() && !Opens(conn, "select histid from busibudgethistory where 1=0") &&
        !TARQuery::Open(conn, triggers)->Dataset()->IsEmpty())
        problems << QStringLiteral("缺少表 busibudgethistory（指标历史的触发器还在，"
                                   "没有它每次写入都会失败）");
    return problems;
}

QStringList StoredDuplicates(TAdoConn* conn, int most)
{
    // A NULL in a key column never meets the rule's "=": such rows are no duplicates.
    const QStringList key = {"datayear", "btype", "btypechild", "bkid", "eid",
                             "mid",      "ipid",  "bid",        "iid"};
    const QString document = conn->Dialect().NullReplace(QStringLiteral("filename"), QString());
    QStringList known, joined;
    for (const QString& c : key) {
        known << c + " is not null";
        joined << "b." + c + "=d." + c;
    }
    joined << conn->Dialect().NullReplace(QStringLiteral("b.filename"), QString()) + "=d.doc";
    const QString sql = "select b.budgid, b." + key.join(", b.") + ", " + document +
                        " from busibudget b join (select " + key.join(',') + ", " + document +
                        " as doc from busibudget where " + known.join(" and ") + " group by " +
                        key.join(',') + ", " + document + " having count(*) > 1) d on " +
                        joined.join(" and ") + " order by b." + key.join(", b.") + ", " + document +
                        ", b.budgid";
    QStringList lines, ids;
    QStringList groupKey;
    int groups = 0;
    const auto flush = [&] {
        if (ids.isEmpty())
            return;
        if (++groups <= most)
            lines << QStringLiteral("%1年 单位%2 科目%3 项目%4 文号“%5”：指标 %6")
                         .arg(groupKey[0], groupKey[4], groupKey[7], groupKey[8], groupKey[9],
                              ids.join(QStringLiteral(", ")));
        ids.clear();
    };
    auto query = TARQuery::Open(conn, sql); // raises
    for (TARQuery* ds = query->Dataset(); !ds->Eof(); ds->Next()) {
        QStringList rowKey;
        for (int c = 1; c <= key.size() + 1; ++c)
            rowKey << ds->Fields(c).AsString();
        if (rowKey != groupKey)
            flush();
        groupKey = rowKey;
        ids << ds->Fields(0).AsString();
    }
    flush();
    if (groups > most)
        lines << QStringLiteral("另有 %1 组未列出").arg(groups - most);
    return lines;
}
