#pragma once

// Straightforward scalar conversions, written from the formulas, that the fast procedures must
// match byte for byte; one-block conversion into a picture with guard bytes around it.

#include "display/convert_params.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace convert_test
{

// Colour of the mosaic sample at (y, x) for a phase 0 ... 3: 'R', 'G' or 'B'.
inline char ColourAt(int nPhase, int y, int x)
{
    static const char* const TABLE[4][2] = {{"GB", "RG"}, {"BG", "GR"}, {"RG", "GB"}, {"GR", "BG"}};
    return TABLE[nPhase][y & 1][x & 1];
}

inline int ChannelOf(char colour)
{
    return colour == 'B' ? 0 : colour == 'G' ? 1 : 2;
}

// Output rows 1 ... H - 2 of a W x H mosaic into pOut (3 * W bytes a row); rows 0 and H - 1 are
// left alone.
inline void ReferenceDemosaic(int nPhase, const uint8_t* pSrc, int nWidth, int nHeight, uint8_t* pOut)
{
    auto s = [&](int y, int x) { return unsigned(pSrc[size_t(y) * nWidth + x]); };
    for (int y = 1; y + 1 < nHeight; ++y)
    {
        for (int x = 0; x < nWidth; ++x)
        {
            unsigned bgr[3] = {0, 0, 0};
            if (x != 0 && x != nWidth - 1)
            {
                const char own = ColourAt(nPhase, y, x);
                bgr[ChannelOf(own)] = s(y, x);
                if (own == 'G')
                {
                    bgr[ChannelOf(ColourAt(nPhase, y, x + 1))] = (s(y, x - 1) + s(y, x + 1)) >> 1;
                    bgr[ChannelOf(ColourAt(nPhase, y + 1, x))] = (s(y - 1, x) + s(y + 1, x)) >> 1;
                }
                else
                {
                    bgr[1] = (s(y, x - 1) + s(y, x + 1) + s(y - 1, x) + s(y + 1, x)) >> 2;
                    bgr[2 - ChannelOf(own)] =
                        (s(y - 1, x - 1) + s(y - 1, x + 1) + s(y + 1, x - 1) + s(y + 1, x + 1)) >> 2;
                }
            }
            uint8_t* px = pOut + (size_t(y) * nWidth + x) * 3;
            for (int i = 0; i < 3; ++i)
                px[i] = uint8_t(bgr[i]);
        }
    }
}

inline uint8_t Limit(int v)
{
    return uint8_t(std::clamp(v, 0, 255));
}

// One YUY2 pixel as blue, green, red.
inline void ReferenceYuvPixel(bool bStudio, int y, int u, int v, uint8_t* px)
{
    if (bStudio)
    {
        px[0] = Limit((116 * y + 202 * u - 27712) / 100);
        px[1] = Limit((116 * y - 81 * v - 39 * u + 13504) / 100);
        px[2] = Limit((116 * y + 160 * v - 22336) / 100);
    }
    else
    {
        px[0] = Limit((100 * y + 177 * (u - 128)) / 100);
        px[1] = Limit((100 * y - 34 * u - 71 * v + 13440) / 100);
        px[2] = Limit((100 * y + 140 * (v - 128)) / 100);
    }
}

// All H rows of a W x H YUY2 picture, source row r into output row H - 1 - r.
inline void ReferenceYuy2(bool bStudio, const uint8_t* pSrc, int nWidth, int nHeight, uint8_t* pOut)
{
    for (int r = 0; r < nHeight; ++r)
    {
        const uint8_t* b = pSrc + size_t(r) * nWidth * 2;
        uint8_t* pRow = pOut + size_t(nHeight - 1 - r) * nWidth * 3;
        for (int p = 0; p < nWidth; ++p)
        {
            int u, v;
            if (p == 0)
            {
                u = b[1];
                v = b[3];
            }
            else if (p % 2 == 1)
            {
                u = b[2 * p - 1];
                v = b[2 * p + 1];
            }
            else
            {
                u = b[2 * p + 1];
                v = b[2 * p - 1];
            }
            ReferenceYuvPixel(bStudio, b[2 * p], u, v, pRow + 3 * p);
        }
    }
}

inline void FillRandom(std::vector<uint8_t>& bytes, std::mt19937& rng)
{
    std::uniform_int_distribution<int> byte(0, 255);
    for (uint8_t& b : bytes)
        b = uint8_t(byte(rng));
}

// Output pictures start GUARD bytes into a buffer of UNTOUCHED bytes, so that comparing the whole
// buffer also catches writes outside the picture, and bytes left alone are told from written ones.
constexpr uint8_t UNTOUCHED = 0x5A;
constexpr size_t GUARD = 64;

inline std::vector<uint8_t> Untouched(int nWidth, int nHeight)
{
    return std::vector<uint8_t>(size_t(nWidth) * nHeight * 3 + 2 * GUARD, UNTOUCHED);
}

// Converts a whole W x H picture into pPicture with one block, as a single worker would: a Bayer
// mosaic's rows 1 ... H - 2, or every row of a YUY2 picture (2 bytes a pixel) in reversed order.
inline void ConvertAlone(ConvertProc proc, bool bBayer, const std::vector<uint8_t>& src, int nWidth,
                         int nHeight, uint8_t* pPicture)
{
    const size_t nRow = size_t(nWidth) * 3;
    ConvertParams block =
        bBayer
            ? ConvertParams{nHeight - 2,    nWidth, src.data(), src.data() + nWidth, src.data() + 2 * nWidth,
                            pPicture + nRow}
            : ConvertParams{nHeight, nWidth, src.data(), nullptr, nullptr, pPicture + (nHeight - 1) * nRow};
    EXPECT_EQ(0u, proc(&block));
}

// The same, giving the picture's bytes (UNTOUCHED where nothing was written).
inline std::vector<uint8_t> ConvertAlone(ConvertProc proc, bool bBayer, const std::vector<uint8_t>& src,
                                         int nWidth, int nHeight)
{
    std::vector<uint8_t> out = Untouched(nWidth, nHeight);
    ConvertAlone(proc, bBayer, src, nWidth, nHeight, out.data() + GUARD);
    const std::vector<uint8_t> picture(out.begin() + GUARD, out.end() - GUARD);
    std::fill(out.begin() + GUARD, out.end() - GUARD, UNTOUCHED);
    EXPECT_EQ(Untouched(nWidth, nHeight), out) << "written outside the picture";
    return picture;
}

} // namespace convert_test
