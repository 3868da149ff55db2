#include "context/untRowChunks.h"

void TReadInterrupter::Interrupt()
{
    m_interrupted = true;
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_stop)
        m_stop();
}

void TReadInterrupter::Arm(std::function<void()> stop)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_stop = std::move(stop);
    if (m_interrupted && m_stop)
        m_stop(); // cancelled before the statement began
}

void TReadInterrupter::Disarm()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_stop = nullptr;
}
