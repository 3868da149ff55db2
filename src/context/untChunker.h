#pragma once
// Cuts a stream of rows into column-store chunks (for the readers of each engine).

#include "context/untRowChunks.h"
#include "context/untStatementCancel.h"

#include <QElapsedTimer>
#include <QList>
#include <QStringList>

// The readers append values to Store() and call EndRow() after each row; a full chunk goes to
// the sink. Finish() hands on what is left.
class TChunker
{
public:
    TChunker(const TChunkPolicy& policy, const TChunkSink& sink) : m_policy(policy), m_sink(sink)
    {
        m_timer.start();
    }
    void SetColumns(const QStringList& names, const QList<bool>& numeric)
    {
        m_names = names;
        m_numeric = numeric;
        m_store.SetColumns(names, numeric);
    }
    TColumnStore& Store() { return m_store; }
    // False when the sink wants no more rows.
    bool EndRow()
    {
        m_store.EndRow();
        const int limit =
            m_chunks == 0 && m_policy.FirstRows > 0 ? m_policy.FirstRows : m_policy.Rows;
        const bool full = limit > 0 && m_store.RowCount() >= limit;
        const bool late = m_policy.Millis > 0 && (m_store.RowCount() & 255) == 0 &&
                          m_timer.elapsed() >= m_policy.Millis;
        return full || late ? Seal() : true;
    }
    // Hands on the rows read so far (also an empty result, so its columns are known).
    bool Finish() { return m_store.RowCount() > 0 || m_chunks == 0 ? Seal() : true; }

private:
    bool Seal()
    {
        ++m_chunks;
        TColumnStore chunk = std::move(m_store);
        m_store = TColumnStore();
        m_store.SetColumns(m_names, m_numeric);
        m_timer.restart();
        return m_sink(std::move(chunk));
    }

    TChunkPolicy m_policy;
    const TChunkSink& m_sink;
    TColumnStore m_store;
    QStringList m_names;
    QList<bool> m_numeric;
    QElapsedTimer m_timer;
    int m_chunks = 0;
};

class QSqlDatabase;
// The engines' native readers: false when the connection has no such handle.
// They return through `done` whether the read ran to its end.
bool ReadSqliteRows(const QSqlDatabase& db, const QString& sql, TChunker& chunker,
                    TReadInterrupter* interrupter, bool& done);
bool ReadPgRows(const QSqlDatabase& db, const QString& sql, TChunker& chunker,
                TReadInterrupter* interrupter, bool& done);

// A cancel sender for the statement running on a PostgreSQL connection: PQcancel off the
// calling thread, the connection's socket shut down when it cannot reach the server in time.
typedef struct pg_conn PGconn;
std::unique_ptr<TCancelSender> MakePgCancelSender(PGconn* conn);
