#include "console/shared_buffers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>
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
    return bFail ? nullptr : new (std::nothrow) unsigned char[nBytes]();
}

bool AllNull()
{
    return !g_pRawFrame && !g_pBgrFrame && !g_pLineScan && !g_pLineScanBgr;
}

bool AllZero(const unsigned char* p, std::size_t nBytes)
{
    static const unsigned char ZEROS[1 << 16] = {};
    for (std::size_t nDone = 0; nDone < nBytes; nDone += sizeof ZEROS)
    {
        const std::size_t n = nBytes - nDone < sizeof ZEROS ? nBytes - nDone : sizeof ZEROS;
        if (std::memcmp(p + nDone, ZEROS, n) != 0)
            return false;
    }
    return true;
}

class SharedBuffersTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        g_anRequested.clear();
        g_nFailCall = -1;
    }
    void TearDown() override { ReleaseSharedBuffers(); }
};

TEST_F(SharedBuffersTest, AllocatesTheFourSizesInOrder)
{
    EXPECT_TRUE(AllNull());
    ASSERT_TRUE(AllocateSharedBuffers(RecordingAllocator));
    const std::vector<std::size_t> anExpected = {2475552, 3713328, 84148224, 252444672};
    EXPECT_EQ(g_anRequested, anExpected);
    // The last byte of each is ours to write (the sanitizer build checks the bounds).
    g_pRawFrame[RAW_FRAME_BYTES - 1] = 1;
    g_pBgrFrame[BGR_FRAME_BYTES - 1] = 1;
    g_pLineScan[LINE_SCAN_BYTES - 1] = 1;
    g_pLineScanBgr[LINE_SCAN_BGR_BYTES - 1] = 1;
}

TEST_F(SharedBuffersTest, BuffersStartBlackAlsoWhenMemoryIsReused)
{
    ASSERT_TRUE(AllocateSharedBuffers());
    std::memset(g_pRawFrame, 0xAB, RAW_FRAME_BYTES);
    std::memset(g_pBgrFrame, 0xAB, BGR_FRAME_BYTES);
    ReleaseSharedBuffers();
    EXPECT_TRUE(AllNull());

    ASSERT_TRUE(AllocateSharedBuffers());
    EXPECT_TRUE(AllZero(g_pRawFrame, RAW_FRAME_BYTES));
    EXPECT_TRUE(AllZero(g_pBgrFrame, BGR_FRAME_BYTES));
    EXPECT_TRUE(AllZero(g_pLineScan, LINE_SCAN_BYTES));
    EXPECT_TRUE(AllZero(g_pLineScanBgr, LINE_SCAN_BGR_BYTES));
}

TEST_F(SharedBuffersTest, SecondAllocationKeepsThePointersAndReleaseIsRepeatable)
{
    ASSERT_TRUE(AllocateSharedBuffers(RecordingAllocator));
    unsigned char* const apBefore[] = {g_pRawFrame, g_pBgrFrame, g_pLineScan, g_pLineScanBgr};
    EXPECT_TRUE(AllocateSharedBuffers(RecordingAllocator));
    EXPECT_TRUE(AllocateSharedBuffers());
    EXPECT_EQ(g_anRequested.size(), 4u); // nothing allocated the second time, nothing leaked
    unsigned char* const apAfter[] = {g_pRawFrame, g_pBgrFrame, g_pLineScan, g_pLineScanBgr};
    EXPECT_TRUE(std::equal(std::begin(apBefore), std::end(apBefore), std::begin(apAfter)));

    ReleaseSharedBuffers();
    EXPECT_TRUE(AllNull());
    ReleaseSharedBuffers(); // releasing nothing is harmless
    EXPECT_TRUE(AllNull());
}

TEST_F(SharedBuffersTest, AnyFailedAllocationLeavesNothingAllocated)
{
    for (int nFail = 0; nFail < 4; ++nFail)
    {
        SCOPED_TRACE(nFail);
        g_anRequested.clear();
        g_nFailCall = nFail;
        EXPECT_FALSE(AllocateSharedBuffers(RecordingAllocator));
        EXPECT_EQ(g_anRequested.size(), static_cast<std::size_t>(nFail + 1)); // stops at the failure
        EXPECT_TRUE(AllNull()); // the leak checker of the sanitizer build sees what was not freed
    }
    g_nFailCall = -1;
    EXPECT_TRUE(AllocateSharedBuffers(RecordingAllocator)); // a later attempt may succeed
    EXPECT_FALSE(AllNull());
}

TEST(ReadoutModeTables, FullFrameModesShareARowAndLineScanRowsFitTheirFrames)
{
    const int anFrameWidth[] = {1284, 1284, 1284, 1284};
    const int anFrameHeight[] = {960, 960, 2, 4};
    const int anViewWidth[] = {960, 960, 4, 4};
    const int anShutterMin[] = {960, 960, 960, 960};
    ASSERT_EQ(READOUT_MODE_COUNT, 4);
    for (int m = 0; m < READOUT_MODE_COUNT; ++m)
    {
        SCOPED_TRACE(m);
        EXPECT_EQ(g_anFrameWidth[m], anFrameWidth[m]);
        EXPECT_EQ(g_anFrameHeight[m], anFrameHeight[m]);
        EXPECT_EQ(g_anViewWidth[m], anViewWidth[m]);
        EXPECT_EQ(g_anShutterMin[m], anShutterMin[m]);
        // Every mode's transposed frame fits the raw frame buffer, one row per sensor pixel.
        EXPECT_LE(static_cast<std::size_t>(g_anFrameWidth[m]) * g_anViewWidth[m], RAW_FRAME_BYTES);
        EXPECT_GE(g_anViewWidth[m], g_anFrameHeight[m]);
    }
}

} // namespace
