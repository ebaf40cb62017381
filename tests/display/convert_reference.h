#pragma once

// Straightforward scalar conversions, written from the formulas, that the fast procedures must
// match byte for byte; and a picture buffer with guard bytes around it.

#include <algorithm>
#include <cstdint>
#include <cstring>
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

inline int ChannelOf(char colour) { return colour == 'B' ? 0 : colour == 'G' ? 1 : 2; }

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
                    bgr[2 - ChannelOf(own)] = (s(y - 1, x - 1) + s(y - 1, x + 1) + s(y + 1, x - 1) + s(y + 1, x + 1)) >> 2;
                }
            }
            uint8_t* px = pOut + (size_t(y) * nWidth + x) * 3;
            for (int i = 0; i < 3; ++i)
                px[i] = uint8_t(bgr[i]);
        }
    }
}

inline uint8_t Limit(int v) { return uint8_t(std::clamp(v, 0, 255)); }

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

// A byte buffer with guard bytes before and after, to catch writes outside it.
class GuardedBuffer
{
public:
    static constexpr size_t GUARD = 64;
    static constexpr uint8_t GUARD_BYTE = 0xA5;

    explicit GuardedBuffer(size_t nSize, uint8_t fill = 0) : m_bytes(nSize + 2 * GUARD, GUARD_BYTE), m_nSize(nSize)
    {
        std::memset(Data(), fill, nSize);
    }
    uint8_t* Data() { return m_bytes.data() + GUARD; }
    size_t Size() const { return m_nSize; }
    bool GuardsIntact() const
    {
        auto guard = [](uint8_t b) { return b == GUARD_BYTE; };
        return std::all_of(m_bytes.begin(), m_bytes.begin() + GUARD, guard) &&
               std::all_of(m_bytes.end() - GUARD, m_bytes.end(), guard);
    }
    std::vector<uint8_t> Contents() { return std::vector<uint8_t>(Data(), Data() + m_nSize); }

private:
    std::vector<uint8_t> m_bytes;
    size_t m_nSize;
};

inline void FillRandom(uint8_t* p, size_t n, std::mt19937& rng)
{
    std::uniform_int_distribution<int> byte(0, 255);
    for (size_t i = 0; i < n; ++i)
        p[i] = uint8_t(byte(rng));
}

} // namespace convert_test
