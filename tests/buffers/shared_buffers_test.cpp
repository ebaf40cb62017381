#include "buffers/shared_buffers.h"
#include "tests/speed/full_speed_run.h" // ResidentBytes

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{

// What the test allocator was asked for, and which call (0-based) it refuses; -1 refuses none.
std::vector<std::size_t> g_anRequested;
int g_nFailCall = -1;

unsigned char* RecordingAllocator(std::size_t nBytes)
{
    const bool bFail = static_cast<int>(g_anRequested.size()) == g_nFailCall;
    g_anRequested.push_back(nBytes);
    return bFail ? nullptr : static_cast<unsigned char*>(std::calloc(nBytes, 1));
}

std::vector<unsigned char*> Buffers()
{
    return {g_pRawFrame, g_pBgrFrame, g_pLineScan, g_pLineScanBgr};
}

TEST(SharedBuffersTest, AllocatesTheFourSizesOnceBlackOrNothingAtAll)
{
    // Any failed allocation stops there and leaves nothing allocated (the sanitizer build's leak
    // checker sees what was not freed); a later attempt may succeed.
    for (g_nFailCall = 0; g_nFailCall < 4; ++g_nFailCall)
    {
        g_anRequested.clear();
        EXPECT_FALSE(AllocateSharedBuffers(RecordingAllocator));
        EXPECT_EQ(g_anRequested.size(), static_cast<std::size_t>(g_nFailCall + 1));
        EXPECT_EQ(Buffers(), std::vector<unsigned char*>(4));
    }
    g_anRequested.clear();
    g_nFailCall = -1;
    const std::size_t nResident = ResidentBytes();
    ASSERT_TRUE(AllocateSharedBuffers(RecordingAllocator));
    EXPECT_EQ(g_anRequested, (std::vector<std::size_t>{2475552, 3713328, 84148224, 252444672}));
#if !defined(__SANITIZE_THREAD__) // the thread sanitizer's calloc writes every byte
    // About 343 MB are allocated; only what is written becomes resident.
    EXPECT_LT(ResidentBytes(), nResident + 32 * 1024 * 1024);
#endif
    // A second allocation keeps the pointers and allocates nothing (nothing leaks).
    const std::vector<unsigned char*> before = Buffers();
    EXPECT_TRUE(AllocateSharedBuffers(RecordingAllocator) && AllocateSharedBuffers());
    EXPECT_EQ(g_anRequested.size(), 4u);
    EXPECT_EQ(Buffers(), before);

    // Released (twice is harmless) and allocated again, reused memory starts black (the sanitizer
    // build checks that each is as long as it should be).
    const std::size_t anBytes[] = {RAW_FRAME_BYTES, BGR_FRAME_BYTES, LINE_SCAN_BYTES, LINE_SCAN_BGR_BYTES};
    for (size_t i = 0; i < 2; ++i) // the frames: small enough to be reused
        std::memset(Buffers()[i], 0xAB, anBytes[i]);
    ReleaseSharedBuffers();
    ReleaseSharedBuffers();
    EXPECT_EQ(Buffers(), std::vector<unsigned char*>(4));
    ASSERT_TRUE(AllocateSharedBuffers());
    for (size_t i = 0; i < 4; ++i) // every byte equal to the first, and the first zero
        EXPECT_TRUE(Buffers()[i][0] == 0 && std::memcmp(Buffers()[i], Buffers()[i] + 1, anBytes[i] - 1) == 0)
            << i;
    std::memset(g_pLineScan, 1, LINE_SCAN_BYTES);
    EXPECT_GT(ResidentBytes(), nResident + LINE_SCAN_BYTES / 2); // the measure does see written pages
    ReleaseSharedBuffers();
}

} // namespace
