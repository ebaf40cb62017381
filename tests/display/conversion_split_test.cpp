#include "display/bayer_demosaic.h"
#include "display/conversion_split.h"
#include "display/yuy2_convert.h"
#include "platform/sys/auto_reset_event.h"
#include "tests/display/convert_reference.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <random>
#include <thread>
#include <vector>

using namespace convert_test;

namespace
{

constexpr uint8_t UNTOUCHED = 0x5A;

} // namespace

TEST(ConversionSplit, FillsBayerBlocksAroundTheSeam)
{
    std::vector<uint8_t> src(960 * 1284);
    std::vector<uint8_t> dst(960 * 1284 * 3);
    ConvertParams params[2];
    FillBayerParams(params, src.data(), dst.data(), 960, 1284);
    EXPECT_EQ(642, params[0].nRows);
    EXPECT_EQ(640, params[1].nRows);
    for (int i = 0; i < 2; ++i)
    {
        const int r = i == 0 ? 0 : 642;
        EXPECT_EQ(960, params[i].nWidth);
        EXPECT_EQ(src.data() + r * 960, params[i].pPrev);
        EXPECT_EQ(src.data() + (r + 1) * 960, params[i].pCur);
        EXPECT_EQ(src.data() + (r + 2) * 960, params[i].pNext);
        EXPECT_EQ(dst.data() + (r + 1) * 960 * 3, params[i].pOut);
    }
    // Small heights: below 4 block 0 is empty, below 3 both are.
    const int heights[] = {2, 3, 4, 5, 7};
    const int rows[][2] = {{0, 0}, {0, 1}, {2, 0}, {2, 1}, {2, 3}};
    for (int i = 0; i < 5; ++i)
    {
        FillBayerParams(params, src.data(), dst.data(), 8, heights[i]);
        EXPECT_EQ(rows[i][0], params[0].nRows) << heights[i];
        EXPECT_EQ(rows[i][1], params[1].nRows) << heights[i];
    }
}

TEST(ConversionSplit, FillsYuy2BlocksInReverseRowOrder)
{
    std::vector<uint8_t> src(960 * 1284 * 2);
    std::vector<uint8_t> dst(960 * 1284 * 3);
    ConvertParams params[2];
    FillYuy2Params(params, src.data(), dst.data(), 960, 1284);
    EXPECT_EQ(642, params[0].nRows);
    EXPECT_EQ(642, params[1].nRows);
    EXPECT_EQ(src.data(), params[0].pPrev);
    EXPECT_EQ(dst.data() + 1283 * 960 * 3, params[0].pOut);
    EXPECT_EQ(src.data() + 642 * 960 * 2, params[1].pPrev);
    EXPECT_EQ(dst.data() + 641 * 960 * 3, params[1].pOut);
}

TEST(ConversionSplit, BayerSplitMatchesReferenceAndKeepsEdgeRows)
{
    std::mt19937 rng(7);
    ConversionSplit split;
    ConvertParams params[2];
    // Heights with odd second blocks and with empty blocks; phases beyond 0 ... 3 too.
    for (int w : {4, 6, 34, 66, 960})
        for (int h : {2, 3, 4, 5, 7, 9, 11, 64})
            for (int nPattern : {0, 1, 2, 3, 7})
            {
                std::vector<uint8_t> src(size_t(w) * h);
                FillRandom(src.data(), src.size(), rng);
                GuardedBuffer out(size_t(w) * h * 3, UNTOUCHED);
                split.ConvertBayer(nPattern, src.data(), out.Data(), w, h, params);
                split.WaitForPrevious();
                std::vector<uint8_t> want(out.Size(), UNTOUCHED);
                ReferenceDemosaic(nPattern == 7 ? BAYER_RGGB : nPattern, src.data(), w, h, want.data());
                ASSERT_EQ(want, out.Contents()) << w << "x" << h << " phase " << nPattern;
                ASSERT_TRUE(out.GuardsIntact());
            }
}

TEST(ConversionSplit, Yuy2SplitWritesEveryRow)
{
    std::mt19937 rng(8);
    ConversionSplit split;
    ConvertParams params[2];
    for (int w : {2, 4, 10, 34, 960})
        for (int h : {1, 2, 3, 5, 7, 64})
            for (int nMode : {0, 1, 5})
            {
                std::vector<uint8_t> src(size_t(w) * h * 2);
                FillRandom(src.data(), src.size(), rng);
                GuardedBuffer out(size_t(w) * h * 3, UNTOUCHED);
                split.ConvertYuy2(nMode, src.data(), out.Data(), w, h, params);
                split.WaitForPrevious();
                std::vector<uint8_t> want(out.Size(), UNTOUCHED);
                ReferenceYuy2(nMode != 0, src.data(), w, h, want.data());
                ASSERT_EQ(want, out.Contents()) << w << "x" << h << " mode " << nMode;
                ASSERT_TRUE(out.GuardsIntact());
            }
}

namespace
{

// Procedures that stand in for a conversion too slow for its bounded wait.
std::atomic<int> g_nSlowRunning{0};
std::atomic<int> g_nSlowFinished{0};
std::atomic<int> g_nOverlaps{0};
std::atomic<int> g_nQuickRuns{0};
AutoResetEvent* g_pRelease = nullptr;

unsigned SlowProc(void*)
{
    ++g_nSlowRunning;
    g_pRelease->Wait(10000);
    ++g_nSlowFinished;
    return 0;
}

unsigned QuickProc(void*)
{
    if (g_nSlowFinished.load() != g_nSlowRunning.load())
        ++g_nOverlaps;
    ++g_nQuickRuns;
    return 0;
}

} // namespace

TEST(ConversionSplit, StragglersFinishBeforeTheNextConversionStarts)
{
    AutoResetEvent release;
    g_pRelease = &release;
    g_nSlowRunning = 0;
    g_nSlowFinished = 0;
    g_nOverlaps = 0;
    g_nQuickRuns = 0;
    ConvertParams params[2] = {};
    {
        ConversionSplit split;
        // The bounded waits give up on both workers, which are still held.
        split.Run(SlowProc, params);
        EXPECT_EQ(2, g_nSlowRunning.load());
        EXPECT_EQ(0, g_nSlowFinished.load());

        // Let the stragglers go only after the next conversion has been asked for.
        std::thread releaser([&release] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            release.Set();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            release.Set();
        });
        split.Run(QuickProc, params);
        split.WaitForPrevious();
        releaser.join();
        EXPECT_EQ(2, g_nSlowFinished.load());
        EXPECT_EQ(2, g_nQuickRuns.load());
        EXPECT_EQ(0, g_nOverlaps.load());

        // The destructor, too, waits for a straggler.
        g_nSlowRunning = 0;
        g_nSlowFinished = 0;
        split.Run(SlowProc, params);
        release.Set();
        release.Set();
    }
    EXPECT_EQ(2, g_nSlowFinished.load());
    g_pRelease = nullptr;
}
