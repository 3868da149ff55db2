#include "support/untListLoader.h"

#include "context/untAdodbIsomer.h"
#include "context/untRowReader.h"
#include "support/untReleaser.h"

#include <QMutex>
#include <QThread>
#include <QWaitCondition>
#include <atomic>
#include <optional>

namespace
{
std::atomic<int> g_liveThreads{0};

// A screenful first, then a part at least every 100 ms (each part is a repaint on the window's
// thread; more often only takes time from the read).
constexpr TChunkPolicy kParts{64, 20000, 100};
} // namespace

// The loader's thread: waits for a request, reads it, hands its parts over.
class TListLoaderThread : public QThread
{
public:
    TListLoaderThread(TListLoader* owner, const TAdoConn* connection)
        : m_owner(owner), m_connection(connection->Clone())
    {
        m_connection->moveToThread(this);
        ++g_liveThreads;
    }
    ~TListLoaderThread() override
    {
        {
            QMutexLocker lock(&m_lock);
            m_stopping = true;
            m_pending.reset();
            if (m_interrupter)
                m_interrupter->Interrupt();
            m_wake.wakeAll();
        }
        wait();
        --g_liveThreads;
    }
    void Request(int id, const QString& sql, const QStringList& sums)
    {
        QMutexLocker lock(&m_lock);
        if (m_interrupter)
            m_interrupter->Interrupt(); // the running read gives way at once
        m_pending = Job{id, sql, sums};
        m_wake.wakeAll();
    }
    void CancelRunning()
    {
        QMutexLocker lock(&m_lock);
        m_pending.reset();
        if (m_interrupter)
            m_interrupter->Interrupt();
    }

protected:
    void run() override
    {
        for (;;) {
            Job job;
            auto interrupter = std::make_shared<TReadInterrupter>();
            {
                QMutexLocker lock(&m_lock);
                while (!m_pending && !m_stopping)
                    m_wake.wait(&m_lock);
                if (m_stopping)
                    break;
                job = *m_pending;
                m_pending.reset();
                m_interrupter = interrupter;
            }
            Read(job, *interrupter);
            QMutexLocker lock(&m_lock);
            m_interrupter.reset();
        }
        m_connection.reset(); // closes this thread's connection here
    }

private:
    struct Job {
        int Id = 0;
        QString Sql;
        QStringList Sums;
    };

    void Read(const Job& job, TReadInterrupter& interrupter)
    {
        std::vector<TMoneySum> sums(size_t(job.Sums.size()));
        bool ok = true;
        QString error;
        for (int attempt = 0;; ++attempt) {
            bool delivered = false;
            try {
                ReadRows(
                    m_connection.get(), job.Sql, kParts,
                    [&](TColumnStore&& chunk) {
                        for (qsizetype i = 0; i < job.Sums.size(); ++i) {
                            const int column = chunk.ColumnIndex(job.Sums[i]);
                            for (int r = 0; column >= 0 && r < chunk.RowCount(); ++r)
                                chunk.AddToSum(r, column, sums[size_t(i)]);
                        }
                        auto part = std::make_shared<const TColumnStore>(std::move(chunk));
                        // Moved on, so that no copy is left to be freed on the window's thread.
                        QMetaObject::invokeMethod(
                            m_owner,
                            [owner = m_owner, part = std::move(part), id = job.Id]() mutable {
                                owner->Deliver(std::move(part), id);
                            },
                            Qt::QueuedConnection);
                        delivered = true;
                        return !interrupter.Interrupted();
                    },
                    &interrupter);
                break;
            } catch (const std::exception& e) {
                // The next read starts on a new connection: one the server dropped stays unusable.
                m_connection.reset(m_connection->Clone());
                // The server's cancel of the read before may arrive during this one (it is sent
                // apart from the connection): read again once, when nothing of it was shown.
                const auto* db = dynamic_cast<const TExceptDbManager*>(&e);
                if (attempt == 0 && !delivered && !interrupter.Interrupted() && db &&
                    db->Code() == QLatin1String("57014"))
                    continue;
                ok = false;
                error = QString::fromUtf8(e.what());
                break;
            }
        }
        if (ok && interrupter.Abandoned()) // a cancel that could not reach the server cut it
            m_connection.reset(m_connection->Clone());
        QStringList texts;
        for (const TMoneySum& sum : sums)
            texts << sum.Text();
        QMetaObject::invokeMethod(
            m_owner,
            [owner = m_owner, id = job.Id, ok, error, texts] { owner->Done(id, ok, error, texts); },
            Qt::QueuedConnection);
    }

    TListLoader* m_owner;
    std::unique_ptr<TAdoConn> m_connection;
    QMutex m_lock;
    QWaitCondition m_wake;
    std::optional<Job> m_pending;
    std::shared_ptr<TReadInterrupter> m_interrupter;
    bool m_stopping = false;
};

TListLoader::TListLoader(const TAdoConn* connection, QObject* parent)
    : QObject(parent), m_thread(std::make_unique<TListLoaderThread>(this, connection))
{
    m_thread->start();
}

TListLoader::~TListLoader()
{
    m_running = 0;
    m_thread.reset(); // cancels and joins: no reading thread outlives the loader
}

int TListLoader::LiveThreads()
{
    return g_liveThreads.load();
}

int TListLoader::Start(const QString& sql, const QStringList& sumColumns)
{
    m_running = ++m_requests;
    m_thread->Request(m_running, sql, sumColumns);
    return m_running;
}

void TListLoader::Cancel()
{
    m_running = 0;
    m_thread->CancelRunning();
}

void TListLoader::Release(std::vector<std::shared_ptr<const TColumnStore>> parts)
{
    ReleaseBeside(std::move(parts));
}

void TListLoader::Deliver(std::shared_ptr<const TColumnStore> part, int request)
{
    if (request == m_running)
        emit Part(std::move(part), request);
    else // parts of a cancelled read never arrive, nor are they freed here
        ReleaseBeside(std::move(part));
}

void TListLoader::Done(int request, bool ok, const QString& error, const QStringList& sums)
{
    if (request != m_running)
        return;
    m_running = 0;
    emit Finished(request, ok, error, sums);
}
