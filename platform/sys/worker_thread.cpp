#include "platform/sys/worker_thread.h"

#include <chrono>
#include <system_error>

bool WorkerThread::Start(std::function<void()> fn)
{
    Join();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bDone = false;
    }
    try
    {
        m_thread = std::thread(
            [this, fn = std::move(fn)]
            {
                fn();
                std::lock_guard<std::mutex> lock(m_mutex);
                m_bDone = true;
                m_cond.notify_all();
            });
    }
    catch (const std::system_error&)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bDone = true;
        return false;
    }
    return true;
}

bool WorkerThread::WaitFor(int nTimeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    auto done = [this] { return m_bDone; };
    if (nTimeoutMs < 0)
    {
        m_cond.wait(lock, done);
        return true;
    }
    return m_cond.wait_for(lock, std::chrono::milliseconds(nTimeoutMs), done);
}

void WorkerThread::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool WorkerThread::IsRunning()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_bDone;
}
