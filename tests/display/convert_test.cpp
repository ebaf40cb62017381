// Worked values and limits of the conversions; the comparison with the reference on random
// pictures is in conversion_split_test.cpp.

#include "display/bayer_demosaic.h"
#include "display/yuy2_convert.h"
#include "tests/display/convert_reference.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace convert_test;

TEST(Convert, WorkedValuesLimitsAndRowOrder)
{
    const std::vector<uint8_t> BLACK(6, 0), WHITE(6, 255), X(12, UNTOUCHED);
    const auto rows = [](std::initializer_list<std::vector<uint8_t>> parts)
    {
        std::vector<uint8_t> all;
        for (const auto& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    const struct
    {
        ConvertProc proc;
        std::vector<uint8_t> src;
        int nWidth, nHeight;
        std::vector<uint8_t> want;
    } CASES[] = {
        {Yuy2ToBgrFullRange, {0, 128, 0, 128}, 2, 1, BLACK},
        {Yuy2ToBgrStudio, {0, 128, 0, 128}, 2, 1, BLACK}, // red (-1856) / 100 limited to 0
        {Yuy2ToBgrFullRange, {255, 128, 255, 128}, 2, 1, WHITE},
        {Yuy2ToBgrStudio, {255, 128, 255, 128}, 2, 1, WHITE}, // 27724 / 100 limited to 255
        // Blue -126 limited to 0; a 2-pixel row gives both pixels the row's only pair.
        {Yuy2ToBgrFullRange, {100, 0, 100, 128}, 2, 1, {0, 143, 100, 0, 143, 100}},
        // Source row 0 lands in the last output row.
        {Yuy2ToBgrFullRange, {0, 128, 0, 128, 255, 128, 255, 128}, 2, 2, rows({WHITE, BLACK})},
        // Pixel 1 takes the chroma beside it; pixel 2 its own U 28 and the previous pair's V 228.
        {Yuy2ToBgrFullRange,
         {100, 128, 100, 228, 100, 28, 100, 128},
         4,
         1,
         {100, 29, 240, 100, 29, 240, 0, 63, 240, 0, 134, 100}},
        // A mosaic's edge columns are black and its edge rows untouched.
        {DemosaicRGGB, std::vector<uint8_t>(16, 100), 4, 4,
         rows({X,
               {0, 0, 0, 100, 100, 100, 100, 100, 100, 0, 0, 0},
               {0, 0, 0, 100, 100, 100, 100, 100, 100, 0, 0, 0},
               X})},
        // Averages are truncated: row 1 is G B G B, its blue (1, 1) has the greens 1, 1, 1, 2 and its
        // green (1, 2) the blues 1 and 2 beside it.
        {DemosaicRGGB,
         {9, 1, 9, 9, 1, 1, 1, 2, 9, 2, 9, 9},
         4,
         3,
         rows({X, {0, 0, 0, 1, 1, 9, 1, 1, 9, 0, 0, 0}, X})},
    };
    for (const auto& c : CASES)
    {
        const bool bBayer = c.proc == DemosaicRGGB;
        EXPECT_EQ(c.want, ConvertAlone(c.proc, bBayer, c.src, c.nWidth, c.nHeight))
            << c.nWidth << "x" << c.nHeight << " case " << (&c - CASES);
    }
}

TEST(Convert, Yuy2MatchesReferenceForEveryChromaPairAtKeyLumas)
{
    // Row v, pair u holds U = u and V = v, so every (U, V) combination meets each luma tried.
    const int w = 512, h = 256;
    std::vector<uint8_t> src(size_t(w) * h * 2);
    for (int y0 : {0, 1, 16, 17, 99, 100, 128, 235, 254, 255})
    {
        for (int v = 0; v < h; ++v)
            for (int u = 0; u < w / 2; ++u)
            {
                uint8_t* pair = &src[size_t(v) * w * 2 + 4 * u];
                pair[0] = uint8_t(y0);
                pair[1] = uint8_t(u);
                pair[2] = uint8_t(255 - y0);
                pair[3] = uint8_t(v);
            }
        for (bool bStudio : {false, true})
        {
            std::vector<uint8_t> want(size_t(w) * h * 3);
            ReferenceYuy2(bStudio, src.data(), w, h, want.data());
            ASSERT_EQ(want, ConvertAlone(bStudio ? Yuy2ToBgrStudio : Yuy2ToBgrFullRange, false, src, w, h))
                << y0 << (bStudio ? " studio" : "");
        }
    }
}
