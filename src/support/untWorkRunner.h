#pragma once
// Long work beside the window: one job at a time on a thread of its own with its own connection.

#include "platform/untMessageBox.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

class TAdoConn;
class TWorkRunnerThread;

// What a job sees on its thread: whether it was cancelled, where its phase and progress go,
// and how it asks the operator.
class TWorkControl
{
public:
    virtual ~TWorkControl() = default;
    virtual bool Cancelled() const = 0;
    // The phase the operator sees ("读取…", "写入…", "打包…"); its progress starts unknown.
    virtual void Phase(const QString& text) = 0;
    // `done` of `total` (0: unknown); false once the work is cancelled.
    virtual bool Progress(int done, int total) = 0;
    // Asks the operator on the window's thread and waits for the answer; a cancel meanwhile
    // answers mrCancel.
    virtual int Ask(const MessageRecord& question) = 0;
};

// The work: true when it ran to its end, false when it stopped for a cancel having written
// nothing. What it raises is its failure, or after a cancel the cancel's effect (a statement
// interrupted, a transaction rolled back).
using TWorkJob = std::function<bool(TWorkControl& control)>;

enum class TWorkOutcome { Done, Cancelled, Failed };

// Runs one job at a time on a thread of its own, with a connection of its own (a copy of the
// given one's settings) that is the thread's "Def" while the job runs, so the functions that run
// their SQL on "Def" run it there. Phase, progress and questions reach the window's thread by
// signals, then Finished; the job never touches a widget. Cancel stops the running statement
// at once (sqlite3_interrupt; PostgreSQL's cancel sent off this thread, repeated every 200 ms
// while the job runs, the connection cut when it cannot reach the server within 2 s) and the
// job sees Cancelled at its next step. A job that failed or was cancelled leaves its connection
// behind: the next one gets a new one. Destroying the runner cancels and waits for its thread.
class TWorkRunner : public QObject
{
    Q_OBJECT
public:
    explicit TWorkRunner(const TAdoConn* connection, QObject* parent = nullptr);
    ~TWorkRunner() override;

    // False (nothing started) while a job runs.
    bool Start(TWorkJob job);
    void Cancel();
    bool Busy() const { return m_busy; }
    bool CancelRequested() const { return m_busy && m_cancelled; }
    // The answer to the last Question.
    void Answer(int result);
    // Runner threads alive in the process (each ends with its runner).
    static int LiveThreads();

    // Tests: called on the worker thread at every phase and progress step of every runner.
    using StepObserver =
        std::function<void(TWorkRunner* runner, const QString& phase, int done, int total)>;
    static void SetStepObserver(StepObserver observer);

signals:
    void PhaseChanged(const QString& text);
    void ProgressChanged(int done, int total);
    void Question(const MessageRecord& question);
    void Finished(TWorkOutcome outcome, const QString& error);

private:
    friend class TWorkRunnerThread;
    void Deliver(std::function<void()> call);

    std::unique_ptr<TWorkRunnerThread> m_thread;
    QTimer m_recancel;
    bool m_busy = false;
    bool m_cancelled = false;
};
