#pragma once
// Reads a list's statement beside the window: rows arrive in parts, a new request cancels.

#include "store/untColumnStore.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TAdoConn;
class TListLoaderThread;

// Runs one statement at a time on a thread of its own with its own connection (a copy of the
// given one's settings). Its parts reach the user-interface thread by Part, in order, then
// Finished with the exact sums of the named columns. A new Start or Cancel stops the running
// read at once (sqlite3_interrupt, a PostgreSQL cancel): nothing of it arrives afterwards.
// Destroying the loader cancels and waits for its thread.
class TListLoader : public QObject
{
    Q_OBJECT
public:
    explicit TListLoader(const TAdoConn* connection, QObject* parent = nullptr);
    ~TListLoader() override;

    // Returns the request's number.
    int Start(const QString& sql, const QStringList& sumColumns);
    void Cancel();
    // Frees the results on a thread of their own, beside any read, also after the loader ends.
    static void Release(std::vector<std::shared_ptr<const TColumnStore>> parts);
    bool Busy() const { return m_running != 0; }
    // Loader threads alive in the process (each ends with its loader).
    static int LiveThreads();

signals:
    void Part(std::shared_ptr<const TColumnStore> part, int request);
    // ok false with the database's message; sums in the order of the columns asked for.
    void Finished(int request, bool ok, const QString& error, const QStringList& sums);

private:
    friend class TListLoaderThread;
    void Deliver(std::shared_ptr<const TColumnStore> part, int request);
    void Done(int request, bool ok, const QString& error, const QStringList& sums);

    std::unique_ptr<TListLoaderThread> m_thread;
    int m_requests = 0;
    int m_running = 0; // the request whose parts are wanted; 0: none
};
