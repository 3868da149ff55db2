#pragma once
// One query opened off the user-interface thread on a connection of its own.

#include "context/untAdodbIsomer.h"

#include <QThread>
#include <atomic>
#include <functional>

class TNodeItem;

// Opens one query off the user-interface thread, on a connection of its own, and hands the
// result to the user-interface thread without waiting for it. It frees itself when it ends.
class TQueryThread : public QThread
{
    Q_OBJECT
public:
    using DataReadyHandler = std::function<void(TQueryThread* thread, TARQuery* dataSet)>;
    using TerminateHandler = std::function<void(TQueryThread* thread)>;
    using ErrorHandler = std::function<void(TQueryThread* thread, const QString& error)>;

    // `connection` is copied (a connection never crosses threads); the thread starts at
    // once unless `suspended`.
    TQueryThread(bool suspended, const TAdoConn* connection, const QString& sql);
    ~TQueryThread() override;

    void Resume() { start(); }
    // Asks the thread to stop; it neither delivers data nor calls back afterwards.
    void Terminate() { m_terminated = true; }
    bool Terminated() const { return m_terminated; }

    // Read and written on the user-interface thread only.
    DataReadyHandler OnDataReady;
    TerminateHandler OnTerminate;
    // The query could not be opened (delivered on the user-interface thread).
    ErrorHandler OnError;
    TNodeItem* Node = nullptr;

protected:
    void run() override;

private:
    void DoDataReady(TARQuery* dataSet);
    void DoError(const QString& error);
    std::unique_ptr<TAdoConn> m_connection;
    QString m_sql;
    std::atomic<bool> m_terminated{false};
};
