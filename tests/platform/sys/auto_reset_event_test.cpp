#include "platform/sys/auto_reset_event.h"

#include <gtest/gtest.h>

// Waking a waiter on another thread is driven by the worker-thread tests.
TEST(AutoResetEvent, SignalIsKeptUntilOneWaitTakesIt)
{
    AutoResetEvent ev;
    EXPECT_FALSE(ev.TryWait());
    ev.Set();
    ev.Set(); // two sets before a wait give one wake-up
    EXPECT_TRUE(ev.Wait(0));
    EXPECT_FALSE(ev.Wait(10));
}
