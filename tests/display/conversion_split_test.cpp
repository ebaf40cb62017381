// The conversions against the scalar reference, each picture converted both as one block and
// through the two-worker split; how the split divides a picture; that a slow conversion is waited for.

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

// Widths odd and even, below, at and around the vector lengths, and the live frame's.
const int WIDTHS[] = {1,  2,  3,  4,  5,  6,  7,  8,  10, 16, 17, 18, 19,  20,
                      21, 22, 30, 32, 33, 34, 35, 36, 37, 50, 62, 66, 101, 960};

// Converts src alone and split with the procedure of nMode (a Bayer phase or a YUV mode); both
// must give the reference's bytes and write nothing outside the picture.
void ExpectReferenceBytes(ConversionSplit& split, bool bBayer, int nMode, const std::vector<uint8_t>& src,
                          int nWidth, int nHeight)
{
    SCOPED_TRACE(::testing::Message() << nWidth << "x" << nHeight << " mode " << nMode);
    std::vector<uint8_t> want = Untouched(nWidth, nHeight), alone = want, halves = want;
    if (bBayer)
        ReferenceDemosaic(nMode >= 0 && nMode <= 3 ? nMode : BAYER_RGGB, src.data(), nWidth, nHeight,
                          want.data() + GUARD);
    else
        ReferenceYuy2(nMode != 0, src.data(), nWidth, nHeight, want.data() + GUARD);
    ConvertAlone(bBayer ? BayerProcedure(nMode) : Yuy2Procedure(nMode), bBayer, src, nWidth, nHeight,
                 alone.data() + GUARD);
    EXPECT_EQ(want, alone);

    ConvertParams params[2];
    if (bBayer)
        split.ConvertBayer(nMode, src.data(), halves.data() + GUARD, nWidth, nHeight, params);
    else
        split.ConvertYuy2(nMode, src.data(), halves.data() + GUARD, nWidth, nHeight, params);
    EXPECT_EQ(want, halves);
}

} // namespace

TEST(ConversionSplit, MatchesReferenceInEveryBayerPhaseAndYuvRangeAloneAndSplit)
{
    std::mt19937 rng(1234);
    ConversionSplit split;
    // YUY2, then Bayer: heights with empty and odd blocks; modes beyond the ranges and phases
    // beyond 0 ... 3 give full range and RGGB.
    const std::vector<int> HEIGHTS[2] = {{1, 2, 3, 5, 7, 64}, {2, 3, 4, 5, 7, 8, 9, 11, 64}};
    const std::vector<int> MODES[2] = {{0, 1, 5, -1},
                                       {BAYER_GBRG, BAYER_BGGR, BAYER_RGGB, BAYER_GRBG, -1, 7}};
    for (const bool bBayer : {false, true})
        for (int w : WIDTHS)
            for (int h : HEIGHTS[bBayer])
                for (int nMode : MODES[bBayer])
                {
                    if (!bBayer && w < 2)
                        continue; // a single pixel has no V byte in its row
                    std::vector<uint8_t> src(size_t(w) * h * (bBayer ? 1 : 2));
                    FillRandom(src, rng);
                    // Some all-bright mosaics check that sums of four never wrap.
                    if (bBayer && (w + h + nMode) % 5 == 0)
                        std::fill(src.begin(), src.end(), uint8_t(255));
                    ExpectReferenceBytes(split, bBayer, nMode, src, w, h);
                    if (::testing::Test::HasFailure())
                        return;
                }
}

TEST(ConversionSplit, BlocksSplitAtAnEvenRow)
{
    // Height, then rows of Bayer blocks 0 and 1 (rows 0 and H - 1 in neither), of YUY2 blocks 0 and 1.
    const int CASES[][5] = {{2, 0, 0, 0, 2}, {3, 0, 1, 0, 3}, {4, 2, 0, 2, 2},
                            {5, 2, 1, 2, 3}, {7, 2, 3, 2, 5}, {1284, 642, 640, 642, 642}};
    std::vector<uint8_t> src(1284 * 8 * 2), dst(1284 * 8 * 3);
    ConvertParams bayer[2], yuy2[2];
    for (const auto& c : CASES)
    {
        FillBayerParams(bayer, src.data(), dst.data(), 8, c[0]);
        FillYuy2Params(yuy2, src.data(), dst.data(), 8, c[0]);
        EXPECT_EQ((std::vector<int>{c[1], c[2], c[3], c[4]}),
                  (std::vector<int>{bayer[0].nRows, bayer[1].nRows, yuy2[0].nRows, yuy2[1].nRows}))
            << c[0];
    }
}

TEST(ConversionSplit, EmptyBlocksWriteNothing)
{
    const std::vector<uint8_t> src(8 * 4 * 2, 200);
    const ConvertProc PROCS[] = {DemosaicRGGB, DemosaicGRBG,       DemosaicBGGR,
                                 DemosaicGBRG, Yuy2ToBgrFullRange, Yuy2ToBgrStudio};
    // Rows, then width: no rows, no pixels, and (YUY2 only: a mosaic's one pixel is a black edge)
    // one pixel.
    for (auto [nRows, nWidth] : {std::pair{0, 8}, std::pair{-3, 8}, std::pair{4, 0}, std::pair{4, 1}})
        for (size_t i = nWidth == 1 ? 4 : 0; i < std::size(PROCS); ++i)
        {
            std::vector<uint8_t> out = Untouched(8, 4);
            ConvertParams block{nRows, nWidth, src.data(), src.data() + 8, src.data() + 16, &out[GUARD + 48]};
            EXPECT_EQ(0u, PROCS[i](&block));
            EXPECT_EQ(Untouched(8, 4), out) << nRows << " x " << nWidth << " procedure " << i;
        }
}

namespace
{

// A conversion held until released, much longer than a frame takes.
std::atomic<int> g_nHeld{0};
AutoResetEvent g_release;

unsigned HeldProc(void*)
{
    ++g_nHeld;
    g_release.Wait(10000);
    --g_nHeld;
    return 0;
}

} // namespace

TEST(ConversionSplit, ASlowConversionIsWaitedForToItsEnd)
{
    ConvertParams params[2] = {};
    ConversionSplit split;
    // The two halves are let go one after the other, 150 ms apart: when Run returns, nothing may
    // still read the source or write the output (the caller may release them at once).
    std::thread releaser(
        []
        {
            for (int i = 0; i < 2; ++i)
            {
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                g_release.Set();
            }
        });
    split.Run(HeldProc, params);
    EXPECT_EQ(0, g_nHeld.load());
    releaser.join();
}
