#include "platform/sys/auto_reset_event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(AutoResetEvent, SignalIsKeptUntilOneWaitTakesIt)
{
    AutoResetEvent ev;
    EXPECT_FALSE(ev.TryWait());
    ev.Set();
    ev.Set(); // two sets before a wait give one wake-up
    EXPECT_TRUE(ev.Wait(0));
    EXPECT_FALSE(ev.Wait(10));
}

TEST(AutoResetEvent, WakesAWaiterOnAnotherThread)
{
    AutoResetEvent ev;
    std::atomic<bool> woke{false};
    std::thread t([&] { woke = ev.Wait(); });
    ev.Set();
    t.join();
    EXPECT_TRUE(woke);
    EXPECT_FALSE(ev.TryWait());
}
