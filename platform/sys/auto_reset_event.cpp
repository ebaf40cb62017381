#include "platform/sys/auto_reset_event.h"

#include <chrono>

void AutoResetEvent::Set()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bSignalled = true;
    }
    m_cond.notify_one();
}

bool AutoResetEvent::Wait(int nTimeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    auto signalled = [this] { return m_bSignalled; };
    if (nTimeoutMs < 0)
        m_cond.wait(lock, signalled);
    else if (!m_cond.wait_for(lock, std::chrono::milliseconds(nTimeoutMs), signalled))
        return false;
    m_bSignalled = false;
    return true;
}
