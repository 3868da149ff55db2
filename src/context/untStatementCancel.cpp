#include "context/untStatementCancel.h"

#include "context/untAdodbIsomer.h"
#include "context/untChunker.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <libpq-fe.h>
#include <mutex>
#include <sqlite3.h>
#include <sys/socket.h>
#include <thread>

namespace
{
std::atomic<int> g_inFlight{0};
} // namespace

struct TCancelSender::State {
    std::mutex Lock;
    std::condition_variable Changed;
    std::function<void()> Send;
    std::function<void()> GiveUp;
    int GiveUpMillis = 0;
    bool InFlight = false;
    int Requests = 0; // sent so far
    int Answered = 0; // of them, those whose send returned
    bool Detached = false;
    std::atomic<bool> Abandoned{false};
};

TCancelSender::TCancelSender(std::function<void()> send, std::function<void()> giveUp,
                             int giveUpMillis)
    : m_state(std::make_shared<State>())
{
    m_state->Send = std::move(send);
    m_state->GiveUp = std::move(giveUp);
    m_state->GiveUpMillis = giveUpMillis;
}

TCancelSender::~TCancelSender()
{
    Detach();
}

void TCancelSender::Request()
{
    const std::shared_ptr<State> state = m_state;
    int request = 0;
    {
        std::lock_guard<std::mutex> lock(state->Lock);
        if (state->Detached || state->InFlight || state->Abandoned)
            return;
        state->InFlight = true;
        request = ++state->Requests;
    }
    ++g_inFlight;
    // The sender keeps its own copy of what it sends with; it may stay blocked long after the
    // connection is gone.
    std::thread([state, send = state->Send] {
        send();
        {
            std::lock_guard<std::mutex> lock(state->Lock);
            state->InFlight = false;
            ++state->Answered;
        }
        state->Changed.notify_all();
        --g_inFlight;
    }).detach();
    std::thread([state, request] {
        std::unique_lock<std::mutex> lock(state->Lock);
        const bool settled =
            state->Changed.wait_for(lock, std::chrono::milliseconds(state->GiveUpMillis),
                                    [&] { return state->Answered >= request || state->Detached; });
        if (settled)
            return;
        state->Abandoned = true;
        state->GiveUp(); // under the lock: never after Detach
    }).detach();
}

void TCancelSender::Settle()
{
    std::unique_lock<std::mutex> lock(m_state->Lock);
    m_state->Changed.wait_for(lock, std::chrono::milliseconds(m_state->GiveUpMillis), [&] {
        return m_state->Answered >= m_state->Requests || m_state->Abandoned;
    });
}

bool TCancelSender::Abandoned() const
{
    return m_state->Abandoned;
}

void TCancelSender::Detach()
{
    {
        std::lock_guard<std::mutex> lock(m_state->Lock);
        m_state->Detached = true;
    }
    m_state->Changed.notify_all();
}

int TCancelSender::InFlight()
{
    return g_inFlight.load();
}

std::unique_ptr<TCancelSender> MakePgCancelSender(PGconn* conn)
{
    std::shared_ptr<PGcancel> cancel(PQgetCancel(conn), [](PGcancel* c) {
        if (c)
            PQfreeCancel(c);
    });
    const int socket = PQsocket(conn);
    return std::make_unique<TCancelSender>(
        [cancel] {
            char error[256];
            if (cancel)
                PQcancel(cancel.get(), error, sizeof error);
        },
        [socket] {
            // Whoever waits on the connection returns; the connection is dropped afterwards.
            if (socket >= 0)
                shutdown(socket, SHUT_RDWR);
        });
}

TStatementCanceller::TStatementCanceller(TAdoConn* conn)
{
    const QVariant h = conn->Database().driver()->handle();
    if (!h.isValid())
        return;
    if (qstrcmp(h.typeName(), "sqlite3*") == 0) {
        sqlite3* db = *static_cast<sqlite3* const*>(h.constData());
        std::shared_ptr<TSqliteLockWait> wait = conn->SqliteLockWait();
        if (wait)
            wait->Stop = false; // a cancel of an earlier job is not this one's
        if (db)
            m_interrupt = [db, wait] {
                sqlite3_interrupt(db);
                if (wait)
                    wait->Stop = true;
            };
    } else if (qstrcmp(h.typeName(), "PGconn*") == 0 || qstrcmp(h.typeName(), "pg_conn*") == 0) {
        if (PGconn* pg = *static_cast<PGconn* const*>(h.constData()))
            m_sender = MakePgCancelSender(pg);
    }
}

TStatementCanceller::~TStatementCanceller() = default;

void TStatementCanceller::Cancel()
{
    if (m_interrupt)
        m_interrupt();
    if (m_sender)
        m_sender->Request();
}

bool TStatementCanceller::Abandoned() const
{
    return m_sender && m_sender->Abandoned();
}
