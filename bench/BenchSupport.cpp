#include "BenchSupport.h"

#include "support/untTableExport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include "context/untConnectionString.h"
#include "listwindow/bwnQuindleList.h"

#include <libpq-fe.h>
#include <sqlite3.h>
#include <sys/resource.h>

QString BenchDatabase(const QString& folder, int indicators)
{
    QDir().mkpath(folder);
    const QString path = QStringLiteral("%1/bench-%2.db").arg(folder).arg(indicators);
    if (QFile::exists(path))
        return path;
    std::printf("creating %s ...\n", qPrintable(path));
    std::fflush(stdout);
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedChannels);
    tool.start(VESPERWALD_DB_TOOL,
               {"demo", "--connection", "Provider=SQLite;Data Source=" + path + ".tmp",
                "--indicators", QString::number(indicators), "--years", "1"});
    tool.waitForFinished(-1);
    if (tool.exitCode() != 0) {
        std::fprintf(stderr, "vesperwald-db failed\n");
        std::exit(1);
    }
    QFile::remove(path + ".tmp-wal");
    QFile::remove(path + ".tmp-shm");
    QFile::rename(path + ".tmp", path);
    return path;
}

namespace
{
QString WithDatabase(const QString& connectionString, const QString& database)
{
    QStringList parts;
    for (const QString& part : connectionString.split(';', Qt::SkipEmptyParts))
        if (!part.trimmed().startsWith(QLatin1String("Database="), Qt::CaseInsensitive))
            parts << part;
    return parts.join(';') + ";Database=" + database;
}

PGconn* ConnectPg(const QString& connectionString)
{
    const QString info = QStringLiteral("host='%1' port='%2' dbname='%3' user='%4' password='%5'")
                             .arg(ConnectionStringValue(connectionString, "Host"),
                                  ConnectionStringValue(connectionString, "Port").isEmpty()
                                      ? QStringLiteral("5432")
                                      : ConnectionStringValue(connectionString, "Port"),
                                  ConnectionStringValue(connectionString, "Database"),
                                  ConnectionStringValue(connectionString, "User ID"),
                                  ConnectionStringValue(connectionString, "Password"));
    PGconn* conn = PQconnectdb(info.toUtf8().constData());
    if (PQstatus(conn) != CONNECTION_OK) {
        std::fprintf(stderr, "cannot connect: %s\n", PQerrorMessage(conn));
        std::exit(1);
    }
    return conn;
}

// The first value of a one-row statement, or empty when it fails.
QString PgValue(PGconn* conn, const char* sql)
{
    PGresult* r = PQexec(conn, sql);
    const QString value = PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) > 0
                              ? QString::fromUtf8(PQgetvalue(r, 0, 0))
                              : QString();
    PQclear(r);
    return value;
}

void RunDemoTool(const QString& connectionString, int indicators)
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedChannels);
    tool.start(VESPERWALD_DB_TOOL, {"demo", "--connection", connectionString, "--indicators",
                                    QString::number(indicators), "--years", "1"});
    tool.waitForFinished(-1);
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        std::fprintf(stderr, "vesperwald-db failed\n");
        std::exit(1);
    }
}
} // namespace

QString BenchPgDatabase(const QString& server, int indicators)
{
    const QString name = QStringLiteral("bench_%1").arg(indicators);
    const QString target = WithDatabase(server, name);
    PGconn* admin = ConnectPg(server);
    const bool exists =
        !PgValue(admin, ("select 1 from pg_database where datname='" + name + "'").toUtf8())
             .isEmpty();
    if (exists) {
        PGconn* conn = ConnectPg(target);
        const bool filled = PgValue(conn, "select count(*) from busibudget").toInt() == indicators;
        PQfinish(conn);
        if (filled) {
            PQfinish(admin);
            return target;
        }
        PQclear(PQexec(admin, ("drop database " + name).toUtf8().constData()));
    }
    PQclear(PQexec(admin, ("create database " + name).toUtf8().constData()));
    PQfinish(admin);
    std::printf("creating PostgreSQL database %s ...\n", qPrintable(name));
    std::fflush(stdout);
    RunDemoTool(target, indicators);
    PGconn* conn = ConnectPg(target);
    PQclear(PQexec(conn, "vacuum analyze"));
    PQfinish(conn);
    return target;
}

QString BenchPgCopy(const QString& server, int indicators, const QString& name)
{
    const QString source = QStringLiteral("bench_%1").arg(indicators);
    BenchPgDatabase(server, indicators);
    PGconn* admin = ConnectPg(server);
    PQclear(PQexec(admin, ("drop database if exists " + name).toUtf8().constData()));
    PGresult* made =
        PQexec(admin, ("create database " + name + " template " + source).toUtf8().constData());
    if (PQresultStatus(made) != PGRES_COMMAND_OK) {
        std::fprintf(stderr, "cannot copy %s: %s\n", qPrintable(source),
                     PQresultErrorMessage(made));
        std::exit(1);
    }
    PQclear(made);
    PQfinish(admin);
    return WithDatabase(server, name);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

double MedianMs(int runs, const std::function<void()>& run)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        run();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    return Median(times);
}

RawReader::RawReader(const QString& fileOrConnection)
{
    if (fileOrConnection.startsWith(QLatin1String("Provider="), Qt::CaseInsensitive)) {
        m_pg = ConnectPg(fileOrConnection);
        return;
    }
    if (sqlite3_open_v2(QFile::encodeName(fileOrConnection).constData(), &m_sqlite,
                        SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(fileOrConnection));
        std::exit(1);
    }
    sqlite3_exec(m_sqlite, "PRAGMA cache_size=-131072; PRAGMA mmap_size=268435456;", nullptr,
                 nullptr, nullptr);
}

RawReader::~RawReader()
{
    if (m_pg)
        PQfinish(m_pg);
    if (m_sqlite)
        sqlite3_close(m_sqlite);
}

RawReader::Times RawReader::Read(const QString& sql, bool typed)
{
    return m_pg ? ReadPg(sql, typed) : ReadSqlite(sql, typed);
}

RawReader::Times RawReader::ReadSqlite(const QString& sql, bool typed)
{
    Times times;
    QElapsedTimer t;
    t.start();
    sqlite3_stmt* stmt = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(m_sqlite, text.constData(), int(text.size()), &stmt, nullptr) !=
        SQLITE_OK) {
        std::fprintf(stderr, "cannot prepare: %s\n", sqlite3_errmsg(m_sqlite));
        std::exit(1);
    }
    const int columns = sqlite3_column_count(stmt);
    volatile size_t bytes = 0; // keeps the reads from being optimised away
    volatile double numbers = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        if (times.Rows++ == 0)
            times.FirstRow = t.nsecsElapsed() / 1e6;
        for (int c = 0; c < columns; ++c) {
            switch (typed ? sqlite3_column_type(stmt, c) : SQLITE_TEXT) {
            case SQLITE_INTEGER:
                numbers = numbers + double(sqlite3_column_int64(stmt, c));
                break;
            case SQLITE_FLOAT:
                numbers = numbers + sqlite3_column_double(stmt, c);
                break;
            case SQLITE_NULL:
                break;
            default:
                sqlite3_column_text(stmt, c);
                bytes = bytes + size_t(sqlite3_column_bytes(stmt, c));
            }
        }
    }
    sqlite3_finalize(stmt);
    times.Whole = t.nsecsElapsed() / 1e6;
    return times;
}

RawReader::Times RawReader::ReadPg(const QString& sql, bool typed)
{
    Times times;
    QElapsedTimer t;
    t.start();
    PGresult* result = PQexec(m_pg, sql.toUtf8().constData());
    if (PQresultStatus(result) != PGRES_TUPLES_OK) {
        std::fprintf(stderr, "raw read failed: %s\n", PQresultErrorMessage(result));
        std::exit(1);
    }
    times.FirstRow = t.nsecsElapsed() / 1e6;
    const int rows = PQntuples(result), columns = PQnfields(result);
    // int2, int4, int8; float4, float8, numeric
    std::vector<int> kind(size_t(columns), 0);
    for (int c = 0; typed && c < columns; ++c) {
        const Oid type = PQftype(result, c);
        kind[size_t(c)] = type == 20 || type == 21 || type == 23       ? 1
                          : type == 700 || type == 701 || type == 1700 ? 2
                                                                       : 0;
    }
    volatile size_t bytes = 0;
    volatile double numbers = 0;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const char* value = PQgetvalue(result, r, c);
            switch (PQgetisnull(result, r, c) ? -1 : kind[size_t(c)]) {
            case 1:
                numbers = numbers + double(std::strtoll(value, nullptr, 10));
                break;
            case 2:
                numbers = numbers + std::strtod(value, nullptr);
                break;
            case -1:
                break;
            default:
                bytes = bytes + size_t(PQgetlength(result, r, c));
            }
        }
    PQclear(result);
    times.Rows = rows;
    times.Whole = t.nsecsElapsed() / 1e6;
    return times;
}

double RawReader::FirstRowMs(const QString& sql)
{
    if (!m_pg)
        return ReadSqlite(sql, false).FirstRow;
    QElapsedTimer t;
    t.start();
    PQsendQuery(m_pg, sql.toUtf8().constData());
    PQsetSingleRowMode(m_pg);
    double first = -1;
    while (PGresult* r = PQgetResult(m_pg)) {
        if (first < 0) {
            first = t.nsecsElapsed() / 1e6;
            PGcancel* cancel = PQgetCancel(m_pg); // the rest is not wanted
            char error[256];
            PQcancel(cancel, error, sizeof error);
            PQfreeCancel(cancel);
        }
        PQclear(r);
    }
    return first;
}

double RawReader::Statements(const QStringList& statements)
{
    QElapsedTimer t;
    t.start();
    auto run = [this](const QByteArray& sql) {
        if (m_sqlite) {
            if (sqlite3_exec(m_sqlite, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
                std::fprintf(stderr, "raw statement failed: %s\n", sqlite3_errmsg(m_sqlite));
                std::exit(1);
            }
            return;
        }
        PGresult* result = PQexec(m_pg, sql.constData());
        if (PQresultStatus(result) != PGRES_COMMAND_OK) {
            std::fprintf(stderr, "raw statement failed: %s\n", PQresultErrorMessage(result));
            std::exit(1);
        }
        PQclear(result);
    };
    run(m_sqlite ? "BEGIN IMMEDIATE" : "BEGIN");
    for (const QString& s : statements)
        run(s.toUtf8());
    run("COMMIT");
    return t.nsecsElapsed() / 1e6;
}

double PeakRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

double CurrentRssMb()
{
    QFile status(QStringLiteral("/proc/self/statm"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = status.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toDouble() * 4096 / (1024.0 * 1024.0) : 0;
}

BenchArgs ParseBenchArgs(const QStringList& args, QList<int> defaultSizes)
{
    BenchArgs parsed;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--runs"))
            parsed.Runs = std::max(1, args.value(++i).toInt());
        else if (args[i] == QLatin1String("--folder"))
            parsed.Folder = args.value(++i);
        else if (args[i] == QLatin1String("--pg"))
            parsed.PgServer = args.value(++i);
        else
            parsed.Sizes << args[i].toInt();
    }
    if (parsed.Sizes.isEmpty())
        parsed.Sizes = defaultSizes;
    return parsed;
}

BenchListContext::BenchListContext(const QString& file)
{
    Manager.ConnectionString =
        file.startsWith(QLatin1String("Provider=")) ? file : "Provider=SQLite;Data Source=" + file;
    Context.DataYear = 2026;
    Context.DbManager = &Manager;
    SetCurrentWorkContext(&Context);
    ListFilter filter;
    filter.DataYear = 2026;
    filter.BTypeIndex = "1";
    filter.BureauMode = "1";
    // The statement as the window builds it for this database.
    ListSql = ListStatement(filter, TSqlDialect::FromProvider(ConnectionStringValue(
                                        Manager.ConnectionString, QStringLiteral("Provider"))));
}

BenchListContext::~BenchListContext()
{
    SetCurrentWorkContext(nullptr);
}

namespace
{
QStringList Codes(const QString& sql)
{
    TQueryRef q;
    if (!OpenSql(sql, q)) {
        std::fprintf(stderr, "%s\n", qPrintable(LastDbError()));
        std::exit(1);
    }
    QStringList codes;
    for (TARQuery* ds = q->Dataset(); !ds->Eof(); ds->Next())
        codes << ds->Fields(0).AsString();
    return codes;
}

} // namespace

TExportTable BenchImportTable(int rows)
{
    static const QStringList units =
        Codes("select eid from pubdept where leafflag='0' and useflag='0' order by eid");
    static const QStringList subjects = Codes(
        "select bid from pubsubject where datayear=2026 and leafflag='0' and type='NN' and bid "
        "like '2%' order by bid");
    TExportTable t;
    for (const char* c :
         {"预算编码", "科目编码", "资金性质", "预算来源", "支出类型", "指标金额", "指标文号"})
        t.Columns << TExportColumn{QString::fromUtf8(c), false, 12, {}};
    t.Rows = rows;
    t.Text = [](int r, int c) -> QString {
        switch (c) {
        case 0:
            return units[r % units.size()];
        case 1:
            return subjects[(r / units.size()) % subjects.size()];
        case 2:
            return QStringLiteral("一般公共预算资金");
        case 3:
            return QStringLiteral("当年预算");
        case 4:
            return QStringLiteral("基本支出");
        case 5:
            return QString::number(1000 + r % 7919) + QStringLiteral(".25");
        default:
            return QStringLiteral("导文〔2026〕%1号").arg(r);
        }
    };
    t.Amount = [](int, int) { return std::optional<Currency>(); };
    return t;
}
