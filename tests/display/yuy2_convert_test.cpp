#include "display/conversion_split.h"
#include "display/yuy2_convert.h"
#include "tests/display/convert_reference.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

using namespace convert_test;

namespace
{

constexpr uint8_t UNTOUCHED = 0x5A;

// Converts a whole W x H YUY2 picture with one block, as a single worker would.
std::vector<uint8_t> RunOneBlock(bool bStudio, const std::vector<uint8_t>& src, int nWidth, int nHeight,
                                 bool* pGuardsIntact = nullptr)
{
    GuardedBuffer out(size_t(nWidth) * nHeight * 3, UNTOUCHED);
    ConvertParams block{nHeight, nWidth, src.data(), nullptr, nullptr,
                        out.Data() + size_t(nHeight - 1) * nWidth * 3};
    EXPECT_EQ(0u, (bStudio ? Yuy2ToBgrStudio : Yuy2ToBgrFullRange)(&block));
    if (pGuardsIntact)
        *pGuardsIntact = out.GuardsIntact();
    return out.Contents();
}

std::vector<uint8_t> Expected(bool bStudio, const std::vector<uint8_t>& src, int nWidth, int nHeight)
{
    std::vector<uint8_t> out(size_t(nWidth) * nHeight * 3, UNTOUCHED);
    ReferenceYuy2(bStudio, src.data(), nWidth, nHeight, out.data());
    return out;
}

std::vector<uint8_t> OnePair(uint8_t y0, uint8_t u, uint8_t y1, uint8_t v) { return {y0, u, y1, v}; }

} // namespace

TEST(Yuy2Convert, ModeChoosesProcedure)
{
    EXPECT_EQ(Yuy2Procedure(0), Yuy2ToBgrFullRange);
    for (int nMode : {1, 2, -1})
        EXPECT_EQ(Yuy2Procedure(nMode), Yuy2ToBgrStudio) << nMode;
}

TEST(Yuy2Convert, WorkedValuesAndLimits)
{
    // Y 0, U 128, V 128: black in both variants (studio red (-1856) / 100 limited to 0).
    for (bool bStudio : {false, true})
        EXPECT_EQ(std::vector<uint8_t>(6, 0), RunOneBlock(bStudio, OnePair(0, 128, 0, 128), 2, 1));
    // Y 255: white in full range; studio red 277 is limited to 255.
    EXPECT_EQ(std::vector<uint8_t>(6, 255), RunOneBlock(false, OnePair(255, 128, 255, 128), 2, 1));
    EXPECT_EQ(255, RunOneBlock(true, OnePair(255, 128, 255, 128), 2, 1)[2]);
    // Full range, Y 100, U 0, V 128: blue -126 limited to 0, green 143, red 100; a 2-pixel row
    // gives both pixels the row's only pair.
    EXPECT_EQ(std::vector<uint8_t>({0, 143, 100, 0, 143, 100}), RunOneBlock(false, OnePair(100, 0, 100, 128), 2, 1));

    // Row order is reversed: source row 0 lands in the last output row.
    const std::vector<uint8_t> src = {0, 128, 0, 128, 255, 128, 255, 128};
    EXPECT_EQ(std::vector<uint8_t>({255, 255, 255, 255, 255, 255, 0, 0, 0, 0, 0, 0}), RunOneBlock(false, src, 2, 2));

    // Pixel 2 takes its own U and the previous pair's V; pixel 3 its own pair.
    const std::vector<uint8_t> row = {100, 128, 100, 228, 100, 28, 100, 128};
    const std::vector<uint8_t> out = RunOneBlock(false, row, 4, 1);
    uint8_t want[3];
    ReferenceYuvPixel(false, 100, 28, 228, want);
    EXPECT_EQ(std::vector<uint8_t>(want, want + 3), std::vector<uint8_t>(out.begin() + 6, out.begin() + 9));
    ReferenceYuvPixel(false, 100, 28, 128, want);
    EXPECT_EQ(std::vector<uint8_t>(want, want + 3), std::vector<uint8_t>(out.begin() + 9, out.begin() + 12));
}

TEST(Yuy2Convert, MatchesReferenceOnRandomPicturesOfManySizes)
{
    std::mt19937 rng(99);
    const int widths[] = {2, 3, 4, 5, 6, 8, 9, 10, 11, 16, 17, 18, 19, 20, 30, 32, 34, 35, 62, 66, 101, 960};
    for (int w : widths)
        for (int h : {1, 2, 3, 7})
            for (bool bStudio : {false, true})
            {
                std::vector<uint8_t> src(size_t(w) * h * 2);
                FillRandom(src.data(), src.size(), rng);
                bool bGuards = false;
                const std::vector<uint8_t> out = RunOneBlock(bStudio, src, w, h, &bGuards);
                ASSERT_TRUE(bGuards) << w << "x" << h;
                ASSERT_EQ(Expected(bStudio, src, w, h), out) << w << "x" << h << (bStudio ? " studio" : " full");
            }
}

TEST(Yuy2Convert, MatchesReferenceForEveryChromaPairAtKeyLumas)
{
    // Row v, pair u holds U = u and V = v, so every (U, V) combination meets each luma tried.
    const int w = 512, h = 256;
    std::vector<uint8_t> src(size_t(w) * h * 2);
    for (int y0 : {0, 1, 16, 17, 99, 100, 128, 235, 254, 255})
    {
        const int y1 = 255 - y0;
        for (int v = 0; v < h; ++v)
            for (int u = 0; u < w / 2; ++u)
            {
                uint8_t* pair = src.data() + size_t(v) * w * 2 + 4 * u;
                pair[0] = uint8_t(y0);
                pair[1] = uint8_t(u);
                pair[2] = uint8_t(y1);
                pair[3] = uint8_t(v);
            }
        for (bool bStudio : {false, true})
            ASSERT_EQ(Expected(bStudio, src, w, h), RunOneBlock(bStudio, src, w, h)) << y0 << (bStudio ? " studio" : "");
    }
}

TEST(Yuy2Convert, EmptyBlocksAndSinglePixelRowsWriteNothing)
{
    const std::vector<uint8_t> src(64, 200);
    for (ConvertParams block : {ConvertParams{0, 8, src.data(), nullptr, nullptr, nullptr},
                                ConvertParams{-3, 8, src.data(), nullptr, nullptr, nullptr},
                                ConvertParams{4, 1, src.data(), nullptr, nullptr, nullptr},
                                ConvertParams{4, 0, src.data(), nullptr, nullptr, nullptr}})
    {
        GuardedBuffer out(8 * 4 * 3, UNTOUCHED);
        block.pOut = out.Data() + 8 * 3 * 3;
        EXPECT_EQ(0u, Yuy2ToBgrFullRange(&block));
        EXPECT_EQ(0u, Yuy2ToBgrStudio(&block));
        EXPECT_EQ(std::vector<uint8_t>(out.Size(), UNTOUCHED), out.Contents());
        EXPECT_TRUE(out.GuardsIntact());
    }
}
