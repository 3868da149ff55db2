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

Result Exec(PGconn* conn, const QByteArray& sql)
{
    return Result(PQexec(conn, sql.constData()), &PQclear);
}

// Runs a statement while watching for an interruption: the server is asked to cancel it (again
// every 200 ms, as a cancel that comes before the statement starts is lost).
Result Exec(PGconn* conn, const QByteArray& sql, PGcancel* cancel, TReadInterrupter* interrupter)
{
    if (!interrupter || !cancel)
        return Exec(conn, sql);
    if (!PQsendQuery(conn, sql.constData()))
        return Result(nullptr, &PQclear);
    QElapsedTimer sinceCancel;
    while (PQconsumeInput(conn) && PQisBusy(conn)) {
        if (interrupter->Interrupted() && (!sinceCancel.isValid() || sinceCancel.elapsed() > 200)) {
            char error[256];
            PQcancel(cancel, error, sizeof error);
            sinceCancel.start();
        }
        pollfd socket{PQsocket(conn), POLLIN, 0};
        poll(&socket, 1, 20);
    }
    Result last(nullptr, &PQclear);
    while (PGresult* next = PQgetResult(conn))
        last.reset(next);
    return last;
}

QString ErrorOf(PGconn* conn, const PGresult* result)
{
    const char* message = result ? PQresultErrorMessage(result) : PQerrorMessage(conn);
    return QString::fromUtf8(message).trimmed();
}

bool Failed(const PGresult* result)
{
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    return status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK;
}

// The rows of one result into the chunker; false when the sink wants no more.
bool Append(const PGresult* result, TChunker& chunker)
{
    const int rows = PQntuples(result), columns = PQnfields(result);
    for (int r = 0; r < rows; ++r) {
        TColumnStore& store = chunker.Store();
        for (int c = 0; c < columns; ++c) {
            if (PQgetisnull(result, r, c))
                store.AppendNull(c);
            else
                store.AppendUtf8(c, PQgetvalue(result, r, c), PQgetlength(result, r, c));
        }
        if (!chunker.EndRow())
            return false;
    }
    return true;
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

// Cancelling asks the server to stop the running statement.
struct CancelGuard {
    TReadInterrupter* interrupter;
    PGcancel* cancel;
    CancelGuard(TReadInterrupter* i, PGconn* conn) : interrupter(i), cancel(PQgetCancel(conn))
    {
        if (interrupter && cancel)
            interrupter->Arm([c = cancel] {
                char error[256];
                PQcancel(c, error, sizeof error);
            });
    }
    ~CancelGuard()
    {
        if (interrupter)
            interrupter->Disarm();
        if (cancel)
            PQfreeCancel(cancel);
    }
};
} // namespace

bool ReadPgRows(const QSqlDatabase& db, const QString& sql, bool batches, TChunker& chunker,
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
    const auto interrupted = [interrupter] { return interrupter && interrupter->Interrupted(); };
    const auto run = [&](const QByteArray& text) {
        return Exec(conn, text, cancel.cancel, interrupter);
    };
    if (!batches) {
        const Result result = run(sql.toUtf8());
        if (interrupted())
            return true;
        if (Failed(result.get()))
            throw TExceptDbManager(ErrorOf(conn, result.get()));
        SetColumns(result.get(), chunker);
        done = Append(result.get(), chunker) && chunker.Finish();
        return true;
    }
    // In batches through a cursor of its own transaction: the whole result is never held twice.
    Result begun = Exec(conn, "BEGIN");
    if (Failed(begun.get()))
        throw TExceptDbManager(ErrorOf(conn, begun.get()));
    struct End {
        PGconn* conn;
        ~End() { Exec(conn, "ROLLBACK"); } // a read-only transaction: nothing to keep
    } end{conn};
    const Result declared = Exec(conn, "DECLARE vw_rows NO SCROLL CURSOR FOR " + sql.toUtf8());
    if (interrupted())
        return true;
    if (Failed(declared.get()))
        throw TExceptDbManager(ErrorOf(conn, declared.get()));
    for (bool first = true;; first = false) {
        const Result batch =
            Exec(conn,
                 "FETCH " + QByteArray::number(std::max(1, chunker.NextBatch())) + " FROM vw_rows");
        if (interrupted())
            return true;
        if (Failed(batch.get()))
            throw TExceptDbManager(ErrorOf(conn, batch.get()));
        if (first)
            SetColumns(batch.get(), chunker);
        if (PQntuples(batch.get()) == 0)
            break;
        if (!Append(batch.get(), chunker))
            return true;
    }
    done = chunker.Finish();
    return true;
}
