// The conversions on their two workers against straightforward scalar ones written from the
// formulas, on random pictures with bright ones among them.

#include "display/conversion_split.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

namespace
{
// Colour of the mosaic sample at (y, x) for a phase 0 ... 3: 'R', 'G' or 'B'.
char ColourAt(int nPhase, int y, int x)
{
    static const char* const TABLE[4][2] = {{"GB", "RG"}, {"BG", "GR"}, {"RG", "GB"}, {"GR", "BG"}};
    return TABLE[nPhase][y & 1][x & 1];
}

// Output rows 1 ... H - 2 of a W x H mosaic into pOut (3 * W bytes a row, blue, green, red); rows
// 0 and H - 1 are left alone, columns 0 and W - 1 black. A colour a pixel has not is the mean of
// its nearest samples of that colour: beside, above and below it, else on its diagonals.
void ReferenceDemosaic(int nPhase, const uint8_t* pSrc, int nWidth, int nHeight, uint8_t* pOut)
{
    for (int y = 1; y + 1 < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            for (int ch = 0; ch < 3; ++ch)
            {
                unsigned nSum = 0, nCount = 0;
                for (int nRing = 0; nRing <= 2 && nCount == 0 && x != 0 && x != nWidth - 1; ++nRing)
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx)
                            if (std::abs(dy) + std::abs(dx) == nRing &&
                                ColourAt(nPhase, y + dy, x + dx) == "BGR"[ch])
                                nSum += pSrc[size_t(y + dy) * nWidth + x + dx], ++nCount;
                pOut[(size_t(y) * nWidth + x) * 3 + ch] = uint8_t(nCount ? nSum / nCount : 0);
            }
}

// All H rows of a W x H YUY2 picture as blue, green, red, source row r into output row H - 1 - r.
// A lone pixel has no V byte in its row: nothing is written.
void ReferenceYuy2(bool bStudio, const uint8_t* pSrc, int nWidth, int nHeight, uint8_t* pOut)
{
    const auto Limit = [](int n) { return uint8_t(std::clamp(n, 0, 255)); };
    for (int r = 0; r < nHeight && nWidth > 1; ++r)
    {
        const uint8_t* b = pSrc + size_t(r) * nWidth * 2;
        for (int p = 0; p < nWidth; ++p)
        {
            // The first pixel takes the first pair; an odd one the U before it and V after it, an
            // even one its own U and the V before it.
            const int y = b[2 * p], u = b[p == 0 ? 1 : p % 2 == 1 ? 2 * p - 1 : 2 * p + 1];
            const int v = b[p == 0 ? 3 : p % 2 == 1 ? 2 * p + 1 : 2 * p - 1];
            uint8_t* px = pOut + (size_t(nHeight - 1 - r) * nWidth + p) * 3;
            px[0] = Limit(bStudio ? (116 * y + 202 * u - 27712) / 100 : (100 * y + 177 * (u - 128)) / 100);
            px[1] = Limit(bStudio ? (116 * y - 81 * v - 39 * u + 13504) / 100
                                  : (100 * y - 34 * u - 71 * v + 13440) / 100);
            px[2] = Limit(bStudio ? (116 * y + 160 * v - 22336) / 100 : (100 * y + 140 * (v - 128)) / 100);
        }
    }
}
} // namespace

TEST(ConversionSplit, MatchesReferenceInEveryBayerPhaseAndYuvRange)
{
    std::mt19937 rng(1234);
    ConversionSplit split;
    // Widths odd and even, below, at and around the vector lengths, and the live frame's.
    const int WIDTHS[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  10, 16, 17, 18,  19, 20,
                          21, 22, 30, 32, 33, 34, 35, 36, 37, 50, 62, 66, 101, 960};
    // YUY2, then Bayer: heights with empty, negative (a mosaic of one row), odd and long blocks;
    // modes beyond the ranges and phases beyond 0 ... 3 give full range and RGGB.
    const std::vector<int> HEIGHTS[2] = {{1, 2, 3, 5, 7, 64, 130}, {1, 2, 3, 4, 5, 7, 8, 9, 11, 64, 130}};
    const std::vector<int> MODES[2] = {{0, 1, 5, -1},
                                       {BAYER_GBRG, BAYER_BGGR, BAYER_RGGB, BAYER_GRBG, -1, 7}};
    // The picture starts GUARD bytes into a buffer of UNTOUCHED bytes, so that comparing the whole
    // buffer also catches writes outside it, and bytes left alone are told from written ones.
    constexpr uint8_t UNTOUCHED = 0x5A;
    constexpr size_t GUARD = 64;
    for (const bool bBayer : {false, true})
        for (int w : WIDTHS)
            for (int h : HEIGHTS[bBayer])
                for (int nMode : MODES[bBayer])
                {
                    SCOPED_TRACE(::testing::Message() << w << "x" << h << " mode " << nMode);
                    std::vector<uint8_t> src(size_t(w) * h * (bBayer ? 1 : 2));
                    std::ranges::generate(src, [&] { return uint8_t(rng()); });
                    // Some all-bright mosaics check that sums of four never wrap.
                    if (bBayer && (w + h + nMode) % 5 == 0)
                        std::ranges::fill(src, uint8_t(255));
                    std::vector<uint8_t> want(size_t(w) * h * 3 + 2 * GUARD, UNTOUCHED), got = want;
                    ConvertParams params[2];
                    bBayer ? ReferenceDemosaic(nMode >= 0 && nMode <= 3 ? nMode : BAYER_RGGB, src.data(), w,
                                               h, want.data() + GUARD)
                           : ReferenceYuy2(nMode != 0, src.data(), w, h, want.data() + GUARD);
                    bBayer ? split.ConvertBayer(nMode, src.data(), got.data() + GUARD, w, h, params)
                           : split.ConvertYuy2(nMode, src.data(), got.data() + GUARD, w, h, params);
                    ASSERT_EQ(want, got);
                }
}
