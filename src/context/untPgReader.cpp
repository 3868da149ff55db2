// PostgreSQL results read straight from the Qt driver's own libpq connection.
#include "context/untChunker.h"
#include "context/untDbError.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>
#include <QElapsedTimer>
#include <libpq-fe.h>
#include <poll.h>
#include <memory>

namespace
{
// Type oids of the numbers among the result columns (int2, int4, int8, float4, float8, numeric).
bool NumericOid(Oid type)
{
    return type == 20 || type == 21 || type == 23 || type == 700 || type == 701 || type == 1700;
}

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

// The next result of the running statement, waiting on the socket while watching for an
// interruption: the server is asked to cancel (again every 200 ms, as a cancel that comes
// before the statement starts is lost). Null when the statement has no more results.
Result NextResult(PGconn* conn, TCancelSender* cancel, TReadInterrupter* interrupter)
{
    QElapsedTimer sinceCancel;
    while (PQisBusy(conn)) {
        if (interrupter && cancel && interrupter->Interrupted() &&
            (!sinceCancel.isValid() || sinceCancel.elapsed() > 200)) {
            cancel->Request();
            sinceCancel.start();
        }
        pollfd socket{PQsocket(conn), POLLIN, 0};
        poll(&socket, 1, 20);
        if (!PQconsumeInput(conn))
            break; // the connection is gone (or was cut): PQgetResult reports it
    }
    return Result(PQgetResult(conn), &PQclear);
}

QString ErrorOf(PGconn* conn, const PGresult* result)
{
    const char* message = result ? PQresultErrorMessage(result) : PQerrorMessage(conn);
    return QString::fromUtf8(message).trimmed();
}

// One row of a single-row result into the chunker; false when the sink wants no more.
bool AppendRow(const PGresult* result, TChunker& chunker)
{
    TColumnStore& store = chunker.Store();
    for (int c = 0, columns = PQnfields(result); c < columns; ++c) {
        if (PQgetisnull(result, 0, c))
            store.AppendNull(c);
        else
            store.AppendUtf8(c, PQgetvalue(result, 0, c), PQgetlength(result, 0, c));
    }
    return chunker.EndRow();
}

void SetColumns(const PGresult* result, TChunker& chunker)
{
    QStringList names;
    QList<bool> numeric;
    for (int c = 0; c < PQnfields(result); ++c) {
        names << QString::fromUtf8(PQfname(result, c));
        numeric << NumericOid(PQftype(result, c));
    }
    chunker.SetColumns(names, numeric);
}

// Cancelling asks the server to stop the running statement, never on the cancelling thread.
struct CancelGuard {
    TReadInterrupter* interrupter;
    std::unique_ptr<TCancelSender> cancel;
    CancelGuard(TReadInterrupter* i, PGconn* conn)
        : interrupter(i), cancel(MakePgCancelSender(conn))
    {
        if (interrupter)
            interrupter->Arm([c = cancel.get()] { c->Request(); });
    }
    ~CancelGuard()
    {
        if (interrupter) {
            interrupter->Disarm();
            // The connection's next statement must not meet this one's stop.
            cancel->Settle();
            if (cancel->Abandoned())
                interrupter->NoteAbandoned();
        }
    }
};
} // namespace

bool ReadPgRows(const QSqlDatabase& db, const QString& sql, TChunker& chunker,
                TReadInterrupter* interrupter, bool& done)
{
    done = false;
    const QVariant h = db.driver()->handle();
    // The driver names the handle by its struct (pg_conn*).
    if (!h.isValid() ||
        (qstrcmp(h.typeName(), "PGconn*") != 0 && qstrcmp(h.typeName(), "pg_conn*") != 0))
        return false;
    PGconn* conn = *static_cast<PGconn* const*>(h.constData());
    if (!conn)
        return false;
    const CancelGuard cancel(interrupter, conn);
    // Single-row mode: the plan and speed of a plain execution (parallel workers included,
    // which a cursor cannot have), while only one row is held here at a time.
    if (!PQsendQuery(conn, sql.toUtf8().constData()))
        throw TExceptDbManager(ErrorOf(conn, nullptr));
    PQsetSingleRowMode(conn);
    bool wanted = true, columnsSet = false;
    QString error, code;
    // Every result is taken, also after the sink stopped: the connection is then free again.
    while (Result result = NextResult(conn, cancel.cancel.get(), interrupter)) {
        const ExecStatusType status = PQresultStatus(result.get());
        if (status != PGRES_SINGLE_TUPLE && status != PGRES_TUPLES_OK &&
            status != PGRES_COMMAND_OK) {
            error = ErrorOf(conn, result.get());
            code = QString::fromLatin1(PQresultErrorField(result.get(), PG_DIAG_SQLSTATE));
            if (code == QLatin1String("55P03")) // lock_timeout, the connection's read limit
                error = QStringLiteral("要读的表正被其他程序整个占用（例如在改变数据库结构），"
                                       "等待超时。请稍后再试。");
            continue;
        }
        if (!wanted)
            continue;
        if (!columnsSet) {
            SetColumns(result.get(), chunker);
            columnsSet = true;
        }
        if (status == PGRES_SINGLE_TUPLE &&
            (!AppendRow(result.get(), chunker) || (interrupter && interrupter->Interrupted()))) {
            wanted = false;
            cancel.cancel->Request(); // the rest is not read
        }
    }
    if (interrupter && interrupter->Interrupted())
        return true;
    if (error.isEmpty() && PQstatus(conn) != CONNECTION_OK)
        error = ErrorOf(conn, nullptr); // lost on the way: never a short list taken for whole
    if (!error.isEmpty() && wanted)
        throw TExceptDbManager(error, code);
    done = wanted && chunker.Finish();
    return true;
}
