#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// A thread whose end can be waited for with a time limit. The object outlives the thread's
// procedure: its destructor waits for the thread without limit, so nothing the thread reads
// through the object is ever gone while it runs.
class WorkerThread
{
  public:
    WorkerThread() = default;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    ~WorkerThread() { Join(); }

    // Starts fn on a new thread; waits first for a previous thread of this object to end.
    // False when the thread cannot be created.
    bool Start(std::function<void()> fn);
    // Waits at most nTimeoutMs (negative: without limit); true when the thread has ended
    // (or was never started).
    bool WaitFor(int nTimeoutMs);
    // Waits without limit and reclaims the thread.
    void Join();
    bool IsRunning();

  private:
    std::thread m_thread;
    std::mutex m_mutex; // protects m_bDone
    std::condition_variable m_cond;
    bool m_bDone = true;
};
