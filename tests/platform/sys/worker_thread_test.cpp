#include "platform/sys/auto_reset_event.h"
#include "platform/sys/worker_thread.h"

#include <gtest/gtest.h>

#include <atomic>

TEST(WorkerThread, TimedWaitGivesUpARestartWaitsForTheStragglerAndASignalWakesOneWait)
{
    AutoResetEvent release;
    release.Set(), release.Set(); // two sets before a wait give one wake-up
    EXPECT_TRUE(release.Wait(0) && !release.TryWait());
    std::atomic<int> nValue{0};
    WorkerThread worker;
    EXPECT_TRUE(worker.WaitFor(0)); // never started
    ASSERT_TRUE(worker.Start(
        [&]
        {
            release.Wait();
            nValue = 1;
        }));
    EXPECT_TRUE(worker.IsRunning() && !worker.WaitFor(20));

    // A second start must not overlap the first run: the second sees the first one's write.
    std::thread releaser([&] { release.Set(); });
    int nSeen = -1;
    ASSERT_TRUE(worker.Start([&] { nSeen = nValue; }));
    EXPECT_TRUE(worker.WaitFor(-1) && !worker.IsRunning());
    releaser.join();
    EXPECT_EQ(nSeen, 1);
}
