#include "platform/sys/auto_reset_event.h"
#include "platform/sys/worker_thread.h"

#include <gtest/gtest.h>

#include <atomic>

TEST(WorkerThread, TimedWaitGivesUpAndARestartWaitsForTheStraggler)
{
    std::atomic<int> nValue{0};
    AutoResetEvent release;
    WorkerThread worker;
    EXPECT_TRUE(worker.WaitFor(0)); // never started
    ASSERT_TRUE(worker.Start(
        [&]
        {
            release.Wait();
            nValue = 1;
        }));
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_FALSE(worker.WaitFor(20));

    // A second start must not overlap the first run: the second sees the first one's write.
    std::thread releaser([&] { release.Set(); });
    int nSeen = -1;
    ASSERT_TRUE(worker.Start([&] { nSeen = nValue; }));
    EXPECT_TRUE(worker.WaitFor(-1));
    EXPECT_FALSE(worker.IsRunning());
    releaser.join();
    EXPECT_EQ(nSeen, 1);
}
