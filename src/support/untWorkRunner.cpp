#include "support/untWorkRunner.h"

#include "context/untAdodbIsomer.h"
#include "context/untRowChunks.h"
#include "context/untStatementCancel.h"
#include "context/untWorkContext.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QThread>
#include <QWaitCondition>
#include <atomic>
#include <optional>

namespace
{
std::atomic<int> g_liveThreads{0};

// Progress reaches the window at most this often (each is a repaint there).
constexpr int kProgressMillis = 40;

TWorkRunner::StepObserver& Observer()
{
    static TWorkRunner::StepObserver observer;
    return observer;
}
} // namespace

// The runner's thread: waits for a job, runs it with its connection as "Def", reports.
class TWorkRunnerThread : public QThread, private TWorkControl
{
public:
    TWorkRunnerThread(TWorkRunner* owner, const TAdoConn* connection)
        : m_owner(owner), m_connection(connection->Clone())
    {
        setObjectName(QStringLiteral("vw-work")); // the thread's name in the system
        m_connection->moveToThread(this);
        ++g_liveThreads;
    }
    ~TWorkRunnerThread() override
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
    void Request(TWorkJob job)
    {
        QMutexLocker lock(&m_lock);
        m_pending = std::move(job);
        m_cancelled = false;
        m_wake.wakeAll();
    }
    // Again and again while the job runs: a cancel between two statements is lost.
    void CancelRunning()
    {
        QMutexLocker lock(&m_lock);
        m_cancelled = true;
        if (m_interrupter)
            m_interrupter->Interrupt();
        m_wake.wakeAll(); // a question waiting for its answer
    }
    void Answer(int result)
    {
        QMutexLocker lock(&m_lock);
        m_answer = result;
        m_wake.wakeAll();
    }

protected:
    void run() override
    {
        for (;;) {
            TWorkJob job;
            {
                QMutexLocker lock(&m_lock);
                while (!m_pending && !m_stopping)
                    m_wake.wait(&m_lock);
                if (m_stopping)
                    break;
                job = std::move(*m_pending);
                m_pending.reset();
            }
            Run(job);
        }
        m_connection.reset(); // this thread's connection is closed here
    }

private:
    void Run(const TWorkJob& job)
    {
        auto interrupter = std::make_shared<TReadInterrupter>();
        std::unique_ptr<TStatementCanceller> canceller;
        TWorkOutcome outcome = TWorkOutcome::Done;
        QString error;
        {
            const TDefConnectionScope def(m_connection.get());
            if (m_connection->Connected())
                canceller = std::make_unique<TStatementCanceller>(m_connection.get());
            if (canceller)
                interrupter->Arm([c = canceller.get()] { c->Cancel(); });
            bool cancelledFirst = false;
            {
                QMutexLocker lock(&m_lock);
                m_interrupter = interrupter;
                cancelledFirst = m_cancelled;
            }
            m_phase.clear();
            m_sinceProgress.invalidate();
            try {
                if (cancelledFirst || !job(*this)) // a job cancelled before it began never runs
                    outcome = TWorkOutcome::Cancelled;
            } catch (const std::exception& e) {
                outcome = Cancelled() ? TWorkOutcome::Cancelled : TWorkOutcome::Failed;
                error = QString::fromUtf8(e.what());
            }
            {
                QMutexLocker lock(&m_lock);
                m_interrupter.reset();
            }
            interrupter->Disarm();
        }
        canceller.reset();
        // A connection a cancel or failure went through may be left in any state (a
        // transaction aborted, a socket cut): the next job gets a new one.
        if (outcome != TWorkOutcome::Done)
            m_connection.reset(m_connection->Clone());
        m_owner->Deliver([owner = m_owner, outcome, error] {
            owner->m_busy = false;
            owner->m_cancelled = false;
            owner->m_recancel.stop();
            emit owner->Finished(outcome, error);
        });
    }

    bool Cancelled() const override
    {
        QMutexLocker lock(&m_lock);
        return m_cancelled || m_stopping;
    }

    void Phase(const QString& text) override
    {
        m_phase = text;
        m_sinceProgress.start();
        if (const auto& observe = Observer())
            observe(m_owner, text, 0, 0);
        m_owner->Deliver([owner = m_owner, text] {
            emit owner->PhaseChanged(text);
            emit owner->ProgressChanged(0, 0);
        });
    }

    bool Progress(int done, int total) override
    {
        if (const auto& observe = Observer())
            observe(m_owner, m_phase, done, total);
        if (!m_sinceProgress.isValid() || m_sinceProgress.elapsed() >= kProgressMillis ||
            done == total) {
            m_sinceProgress.start();
            m_owner->Deliver(
                [owner = m_owner, done, total] { emit owner->ProgressChanged(done, total); });
        }
        return !Cancelled();
    }

    int Ask(const MessageRecord& question) override
    {
        QMutexLocker lock(&m_lock);
        if (m_cancelled || m_stopping)
            return mrCancel;
        m_answer.reset();
        m_owner->Deliver([owner = m_owner, question] { emit owner->Question(question); });
        while (!m_answer && !m_cancelled && !m_stopping)
            m_wake.wait(&m_lock);
        return m_answer ? *m_answer : int(mrCancel);
    }

    TWorkRunner* m_owner;
    std::unique_ptr<TAdoConn> m_connection;
    mutable QMutex m_lock;
    QWaitCondition m_wake;
    std::optional<TWorkJob> m_pending;
    std::shared_ptr<TReadInterrupter> m_interrupter;
    std::optional<int> m_answer;
    bool m_cancelled = false;
    bool m_stopping = false;
    QString m_phase;               // the worker's own
    QElapsedTimer m_sinceProgress; // the worker's own
};

TWorkRunner::TWorkRunner(const TAdoConn* connection, QObject* parent)
    : QObject(parent), m_thread(std::make_unique<TWorkRunnerThread>(this, connection))
{
    m_recancel.setInterval(200);
    connect(&m_recancel, &QTimer::timeout, this, [this] { m_thread->CancelRunning(); });
    m_thread->start();
}

TWorkRunner::~TWorkRunner()
{
    m_thread.reset(); // cancels and joins: no thread outlives the runner
}

bool TWorkRunner::Start(TWorkJob job)
{
    if (m_busy)
        return false;
    m_busy = true;
    m_cancelled = false;
    m_thread->Request(std::move(job));
    return true;
}

void TWorkRunner::Cancel()
{
    if (!m_busy || m_cancelled)
        return;
    m_cancelled = true;
    m_thread->CancelRunning();
    m_recancel.start();
}

void TWorkRunner::Answer(int result)
{
    m_thread->Answer(result);
}

int TWorkRunner::LiveThreads()
{
    return g_liveThreads.load();
}

void TWorkRunner::SetStepObserver(StepObserver observer)
{
    Observer() = std::move(observer);
}

void TWorkRunner::Deliver(std::function<void()> call)
{
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}
