#pragma once
// Stopping the statement that runs on a connection, from any thread, without waiting for it.

#include <functional>
#include <memory>

class TAdoConn;

// Sends a request to stop a statement on a thread of its own, because sending may block (a
// PostgreSQL cancel connects to the server). A request still unsent after the give-up time is
// abandoned: `giveUp` runs (the connection's socket is shut down, so whoever waits on it
// returns at once) and Abandoned says the connection must be dropped. Request returns at once;
// a request while one is on its way is dropped. Detach must come before what `send` and
// `giveUp` use is freed; the destructor detaches.
class TCancelSender
{
public:
    static constexpr int kGiveUpMillis = 2000;
    TCancelSender(std::function<void()> send, std::function<void()> giveUp,
                  int giveUpMillis = kGiveUpMillis);
    ~TCancelSender();
    TCancelSender(const TCancelSender&) = delete;
    TCancelSender& operator=(const TCancelSender&) = delete;
    void Request();
    // Waits, at most the give-up time, until the requests sent have reached the database or
    // been given up: one still on its way would stop the connection's next statement instead.
    void Settle();
    bool Abandoned() const;
    // Stops taking new requests without waiting (the senders still blocked keep only what they
    // own; Settle waits for them).
    void Detach();
    // Requests sent and not yet answered in the process (tests).
    static int InFlight();

    struct State;

private:
    std::shared_ptr<State> m_state;
};

// Stops whatever statement runs on an open connection: SQLite is interrupted, a PostgreSQL
// server is asked to cancel (through TCancelSender, given up after two seconds). Made and freed
// on the connection's thread while it is open; Cancel is safe from any thread. A cancel that
// comes between two statements is lost: callers repeat it while their work goes on.
class TStatementCanceller
{
public:
    explicit TStatementCanceller(TAdoConn* conn);
    ~TStatementCanceller();
    TStatementCanceller(const TStatementCanceller&) = delete;
    TStatementCanceller& operator=(const TStatementCanceller&) = delete;
    void Cancel();
    // The cancel could not reach the server: the connection is unusable.
    bool Abandoned() const;

private:
    std::function<void()> m_interrupt;       // SQLite
    std::unique_ptr<TCancelSender> m_sender; // PostgreSQL
};
