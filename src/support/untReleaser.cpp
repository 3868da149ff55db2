#include "support/untReleaser.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace
{
class TReleaser
{
public:
    TReleaser() : m_thread([this] { Run(); }) {}
    ~TReleaser()
    {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_stopping = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    void Release(std::vector<std::shared_ptr<const void>> objects)
    {
        if (objects.empty())
            return;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_queue.insert(m_queue.end(), std::make_move_iterator(objects.begin()),
                           std::make_move_iterator(objects.end()));
        }
        m_wake.notify_all();
    }

private:
    void Run()
    {
        for (;;) {
            std::vector<std::shared_ptr<const void>> batch;
            {
                std::unique_lock<std::mutex> lock(m_lock);
                m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
                if (m_queue.empty())
                    return; // stopping, nothing left
                batch.swap(m_queue);
            }
            batch.clear(); // freed here, outside the lock
        }
    }

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::vector<std::shared_ptr<const void>> m_queue;
    bool m_stopping = false;
    std::thread m_thread; // last: starts once the members above are made
};
} // namespace

void ReleaseBeside(std::vector<std::shared_ptr<const void>> objects)
{
    static TReleaser releaser;
    releaser.Release(std::move(objects));
}
