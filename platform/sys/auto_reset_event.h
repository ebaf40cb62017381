#pragma once

#include <condition_variable>
#include <mutex>

// An event that releases one waiter per Set and then clears itself; a Set with nobody waiting is
// kept until the next wait. Any thread may set or wait.
class AutoResetEvent
{
  public:
    static constexpr int INFINITE_WAIT = -1;

    void Set();
    // Waits at most nTimeoutMs (INFINITE_WAIT: without limit); true when the event was signalled.
    bool Wait(int nTimeoutMs = INFINITE_WAIT);
    // Takes the signal if it is set, without waiting.
    bool TryWait() { return Wait(0); }

  private:
    std::mutex m_mutex; // protects m_bSignalled
    std::condition_variable m_cond;
    bool m_bSignalled = false;
};
