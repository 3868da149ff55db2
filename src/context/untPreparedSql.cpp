#include "context/untPreparedSql.h"

#include "context/untDbError.h"
#include "context/untSqlDialect.h"
#include "context/untSqlTrace.h"
#include "context/untWorkContext.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <atomic>
#include <libpq-fe.h>
#include <sqlite3.h>

// Runs the prepared statement with the values; false with the database's message and code (as
// TExceptDbManager has it). `changed`: the rows the statement itself inserted, updated or
// deleted.
struct TPreparedSql::Backend {
    virtual ~Backend() = default;
    virtual bool Exec(const QVariantList& values, QString& error, QString& code,
                      qint64& changed) = 0;
};

namespace
{
bool IsInteger(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        return true;
    default:
        return false;
    }
}

template <class Handle> Handle NativeHandle(const QSqlDatabase& db, const char* a, const char* b)
{
    const QVariant h = db.driver()->handle();
    if (!h.isValid() || (qstrcmp(h.typeName(), a) != 0 && qstrcmp(h.typeName(), b) != 0))
        return nullptr;
    return *static_cast<const Handle*>(h.constData());
}

class SqliteBackend : public TPreparedSql::Backend
{
public:
    SqliteBackend(sqlite3* db, const QString& sql) : m_db(db)
    {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &m_stmt, nullptr) !=
            SQLITE_OK)
            throw TExceptDbManager(QString::fromUtf8(sqlite3_errmsg(db)),
                                   QString::number(sqlite3_errcode(db) & 0xff));
    }
    ~SqliteBackend() override { sqlite3_finalize(m_stmt); }
    bool Exec(const QVariantList& values, QString& error, QString& code, qint64& changed) override
    {
        for (int i = 0; i < values.size(); ++i) {
            const QVariant& v = values[i];
            if (v.isNull()) {
                sqlite3_bind_null(m_stmt, i + 1);
            } else if (IsInteger(v)) {
                sqlite3_bind_int64(m_stmt, i + 1, v.toLongLong());
            } else {
                const QByteArray text = v.toString().toUtf8();
                sqlite3_bind_text(m_stmt, i + 1, text.constData(), int(text.size()),
                                  SQLITE_TRANSIENT);
            }
        }
        const int rc = sqlite3_step(m_stmt);
        if (rc != SQLITE_DONE) {
            error = QString::fromUtf8(sqlite3_errmsg(m_db));
            code = QString::number(rc & 0xff);
        } else
            changed = sqlite3_changes64(m_db);
        sqlite3_reset(m_stmt);
        return rc == SQLITE_DONE;
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

// "?" → "$1", "$2" … (the statements this takes carry no quoted "?").
QByteArray NumberedParameters(const QString& sql)
{
    QString out;
    int n = 0;
    for (const QChar c : sql)
        out += c == QLatin1Char('?') ? QStringLiteral("$%1").arg(++n) : QString(c);
    return out.toUtf8();
}

QString PgError(PGconn* conn, const PGresult* result)
{
    const QString text =
        QString::fromUtf8(result ? PQresultErrorMessage(result) : PQerrorMessage(conn)).trimmed();
    return text.isEmpty() ? QStringLiteral("数据库错误") : text;
}

// The failure's SQLSTATE ("" without a result).
QString PgCode(const PGresult* result)
{
    return result ? QString::fromLatin1(PQresultErrorField(result, PG_DIAG_SQLSTATE)) : QString();
}

class PgBackend : public TPreparedSql::Backend
{
public:
    PgBackend(PGconn* conn, const QString& sql)
        : m_conn(conn), m_name("vw_rows_" + QByteArray::number(++s_serial))
    {
        PGresult* r =
            PQprepare(conn, m_name.constData(), NumberedParameters(sql).constData(), 0, nullptr);
        const bool prepared = PQresultStatus(r) == PGRES_COMMAND_OK;
        const QString error = prepared ? QString() : PgError(conn, r);
        const QString code = prepared ? QString() : PgCode(r);
        PQclear(r);
        if (!prepared)
            throw TExceptDbManager(error, code);
    }
    ~PgBackend() override
    {
        // Made before and freed after the writers' transaction, so this cannot meet one that
        // a failure aborted.
        PQclear(PQexec(m_conn, ("DEALLOCATE " + m_name).constData()));
    }
    bool Exec(const QVariantList& values, QString& error, QString& code, qint64& changed) override
    {
        std::vector<QByteArray> texts(size_t(values.size()));
        std::vector<const char*> params(size_t(values.size()), nullptr);
        for (int i = 0; i < values.size(); ++i)
            if (!values[i].isNull()) {
                texts[size_t(i)] = values[i].toString().toUtf8();
                params[size_t(i)] = texts[size_t(i)].constData();
            }
        PGresult* r = PQexecPrepared(m_conn, m_name.constData(), int(params.size()), params.data(),
                                     nullptr, nullptr, 0);
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        if (!ok) {
            error = PgError(m_conn, r);
            code = PgCode(r);
        } else {
            changed = QByteArray(PQcmdTuples(r)).toLongLong();
        }
        PQclear(r);
        return ok;
    }

private:
    static inline std::atomic<int> s_serial{0};
    PGconn* m_conn;
    QByteArray m_name;
};

class QtSqlBackend : public TPreparedSql::Backend
{
public:
    QtSqlBackend(const QSqlDatabase& db, const QString& sql) : m_query(db)
    {
        if (!m_query.prepare(sql))
            throw TExceptDbManager(m_query.lastError().text().trimmed(),
                                   m_query.lastError().nativeErrorCode());
    }
    bool Exec(const QVariantList& values, QString& error, QString& code, qint64& changed) override
    {
        for (int i = 0; i < values.size(); ++i)
            m_query.bindValue(i, values[i]);
        if (m_query.exec()) {
            changed = m_query.numRowsAffected();
            return true;
        }
        error = m_query.lastError().text().trimmed();
        code = m_query.lastError().nativeErrorCode();
        return false;
    }

private:
    QSqlQuery m_query;
};

QString Shown(const QVariantList& values)
{
    QStringList shown;
    for (const QVariant& v : values)
        shown << (v.isNull() ? QStringLiteral("NULL")
                             : QLatin1Char('\'') + SqlText(v.toString()) + QLatin1Char('\''));
    return shown.join(QStringLiteral(", "));
}
} // namespace

TPreparedSql::TPreparedSql(const QString& sql) : m_sql(sql)
{
    TAdoConn* conn = GetDefConnection();
    if (!conn)
        throw TExceptDbManager(QStringLiteral("没有可用的数据库连接。"));
    m_connection = conn->DisplayName();
    try {
        const QSqlDatabase db = conn->Database();
        if (auto* lite = NativeHandle<sqlite3*>(db, "sqlite3*", "sqlite3*"))
            m_backend = std::make_unique<SqliteBackend>(lite, sql);
        else if (auto* pg = NativeHandle<PGconn*>(db, "PGconn*", "pg_conn*"))
            m_backend = std::make_unique<PgBackend>(pg, sql);
        else
            m_backend = std::make_unique<QtSqlBackend>(db, sql);
    } catch (const TExceptDbManager& e) {
        conn->SetLastError(e.Message(), e.Code());
        TraceSql({m_connection, QStringLiteral("exec"), false, e.Message(), sql});
        throw;
    }
}

TPreparedSql::~TPreparedSql() = default;

qint64 TPreparedSql::Exec(const QVariantList& values)
{
    QString error, code;
    qint64 changed = 0;
    // libpq takes texts as C strings: a NUL would cut the value without a word. Refused on every
    // engine, so both store the same.
    const bool hasNul = std::any_of(values.begin(), values.end(), [](const QVariant& v) {
        return !v.isNull() && !IsInteger(v) && v.toString().contains(QChar(0));
    });
    if (hasNul)
        error = QStringLiteral("值中含有NUL字符，不能写入数据库");
    const bool ok = !hasNul && m_backend->Exec(values, error, code, changed);
    if (!ok && error.isEmpty())
        error = QStringLiteral("数据库错误");
    // The values are spelled out only for a trace someone reads (a 100,000-row import).
    if (!ok || SqlTraceWanted())
        TraceSql({m_connection, QStringLiteral("exec"), ok, error,
                  m_sql + QStringLiteral(" -- ") + Shown(values)});
    if (!ok) {
        if (TAdoConn* conn = GetDefConnection())
            conn->SetLastError(error, code);
        throw TExceptDbManager(error, code);
    }
    return changed;
}

namespace
{
PGconn* DefPgConnection(TAdoConn* conn)
{
    return conn ? NativeHandle<PGconn*>(conn->Database(), "PGconn*", "pg_conn*") : nullptr;
}

// One value in COPY's text format: \N for NULL, backslash escapes for the separators.
void AppendCopyValue(QByteArray& out, const QVariant& v)
{
    if (v.isNull()) {
        out += "\\N";
        return;
    }
    if (IsInteger(v)) {
        out += QByteArray::number(v.toLongLong());
        return;
    }
    const QByteArray text = v.toString().toUtf8();
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

// The result of a copy that ended: its error text, or "" when it was taken.
QString CopyResult(PGconn* conn)
{
    QString error;
    while (PGresult* r = PQgetResult(conn)) {
        if (PQresultStatus(r) != PGRES_COMMAND_OK && error.isEmpty())
            error = PgError(conn, r);
        PQclear(r);
    }
    return error;
}

constexpr qsizetype kCopyBlock = 256 * 1024;
} // namespace

bool TCopyRows::Supported()
{
    return DefPgConnection(GetDefConnection()) != nullptr;
}

TCopyRows::TCopyRows(const QString& table, const QString& columns)
    : m_sql(QStringLiteral("COPY %1 (%2) FROM STDIN").arg(table, columns))
{
    TAdoConn* conn = GetDefConnection();
    m_conn = DefPgConnection(conn);
    if (!m_conn)
        throw TExceptDbManager(QStringLiteral("没有可用的PostgreSQL连接。"));
    m_connection = conn->DisplayName();
    PGresult* r = PQexec(m_conn, m_sql.toUtf8().constData());
    const bool started = PQresultStatus(r) == PGRES_COPY_IN;
    const QString error = started ? QString() : PgError(m_conn, r);
    const QString code = started ? QString() : PgCode(r);
    PQclear(r);
    if (!started) {
        conn->SetLastError(error, code);
        TraceSql({m_connection, QStringLiteral("exec"), false, error, m_sql});
        throw TExceptDbManager(error, code);
    }
    m_open = true;
    m_buffer.reserve(kCopyBlock + 4096);
}

TCopyRows::~TCopyRows()
{
    Abandon();
}

void TCopyRows::Add(const QVariantList& values)
{
    for (int i = 0; i < values.size(); ++i) {
        const QVariant& v = values[i];
        // libpq's texts and COPY's format have no NUL: refused, as TPreparedSql refuses it.
        if (!v.isNull() && !IsInteger(v) && v.toString().contains(QChar(0)))
            Fail(QStringLiteral("值中含有NUL字符，不能写入数据库"));
        if (i > 0)
            m_buffer += '\t';
        AppendCopyValue(m_buffer, v);
    }
    m_buffer += '\n';
    ++m_rows;
    if (m_buffer.size() >= kCopyBlock)
        Send();
}

void TCopyRows::Send()
{
    if (m_buffer.isEmpty())
        return;
    if (PQputCopyData(m_conn, m_buffer.constData(), int(m_buffer.size())) != 1)
        Fail(PgError(m_conn, nullptr));
    m_buffer.clear();
}

void TCopyRows::End()
{
    if (!m_open)
        return;
    Send();
    m_open = false;
    QString error =
        PQputCopyEnd(m_conn, nullptr) == 1 ? CopyResult(m_conn) : PgError(m_conn, nullptr);
    if (!error.isEmpty()) {
        CopyResult(m_conn);
        Fail(error);
    }
    TraceSql({m_connection, QStringLiteral("exec"), true, QString(),
              m_sql + QStringLiteral(" -- %1 rows").arg(m_rows)});
}

void TCopyRows::Close()
{
    if (!m_open)
        return;
    m_open = false;
    m_buffer.clear();
    PQputCopyEnd(m_conn, "abandoned"); // the server refuses the copy: its error is expected
    CopyResult(m_conn);
}

void TCopyRows::Abandon()
{
    if (!m_open)
        return;
    Close();
    TraceSql({m_connection, QStringLiteral("exec"), true, QString(),
              m_sql + QStringLiteral(" -- abandoned after %1 rows").arg(m_rows), true});
}

void TCopyRows::Fail(const QString& error)
{
    Close();
    const QString text = error.isEmpty() ? QStringLiteral("数据库错误") : error;
    TraceSql({m_connection, QStringLiteral("exec"), false, text, m_sql});
    if (TAdoConn* conn = GetDefConnection())
        conn->SetLastError(text);
    throw TExceptDbManager(text);
}
