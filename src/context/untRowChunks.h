#pragma once
// What a chunked read is given: when to hand on a chunk, where to, and how to stop it.

#include "store/untColumnStore.h"

#include <atomic>
#include <functional>
#include <mutex>

// When a chunk is handed on: after FirstRows rows for the first chunk, then after Rows rows or
// Millis milliseconds, whichever comes first. 0 means no limit (all rows in one chunk).
struct TChunkPolicy {
    int FirstRows = 0;
    int Rows = 0;
    int Millis = 0;
};

// Cancels a read running on another thread: SQLite is interrupted, PostgreSQL's statement is
// cancelled on the server (the request sent from a thread of its own). Safe to call from any
// thread, before, during or after the read; it never waits for the database.
class TReadInterrupter
{
public:
    void Interrupt();
    bool Interrupted() const { return m_interrupted.load(); }
    // The stop could not reach the database in time: the connection was cut and is to be
    // replaced before the next read.
    void NoteAbandoned() { m_abandoned = true; }
    bool Abandoned() const { return m_abandoned.load(); }
    // The reader's way of stopping its statement, while it runs.
    void Arm(std::function<void()> stop);
    void Disarm();

private:
    std::mutex m_lock;
    std::function<void()> m_stop;
    std::atomic<bool> m_interrupted{false};
    std::atomic<bool> m_abandoned{false};
};

// Takes one chunk; false stops the read.
using TChunkSink = std::function<bool(TColumnStore&& chunk)>;
