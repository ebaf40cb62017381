#include "pages/line_scan_composer.h"

#include "buffers/shared_buffers.h"
#include "display/convert_params.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace
{

constexpr std::size_t LINE = SENSOR_WIDTH;

// Copies lines [c0, c1) of pSrc into their columns of the image at pDst, one sample at a time:
// the edges the vector blocks leave.
void TransposeScalar(const uint8_t* pSrc, uint8_t* pDst, std::size_t nWidth, bool bReverse, std::size_t c0,
                     std::size_t c1, std::size_t j0, std::size_t j1)
{
    for (std::size_t c = c0; c < c1; ++c)
    {
        const uint8_t* pLine = pSrc + c * LINE;
        uint8_t* pColumn = pDst + (bReverse ? nWidth - 1 - c : c);
        for (std::size_t j = j0; j < j1; ++j)
            pColumn[j * nWidth] = pLine[j];
    }
}

#ifdef __SSE2__

constexpr std::size_t BLOCK = 16;

// Transposes 16 lines of 16 samples: the lines start at pSrc, LINE bytes apart; sample j of them
// goes to the 16 bytes at pDst + j * nWidth, in line order (or reversed).
inline void Transpose16(const uint8_t* pSrc, uint8_t* pDst, std::size_t nWidth, bool bReverse)
{
    __m128i a[BLOCK];
    for (std::size_t k = 0; k < BLOCK; ++k)
    {
        const std::size_t line = bReverse ? BLOCK - 1 - k : k;
        a[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pSrc + line * LINE));
    }
    // Each round interleaves vector i with vector i + 8; as a 4-bit vector index and a 4-bit byte
    // index, every byte's 8-bit address rotates left by one, so four rounds swap the two.
    for (int round = 0; round < 4; ++round)
    {
        __m128i b[BLOCK];
        for (std::size_t i = 0; i < BLOCK / 2; ++i)
        {
            b[2 * i] = _mm_unpacklo_epi8(a[i], a[i + 8]);
            b[2 * i + 1] = _mm_unpackhi_epi8(a[i], a[i + 8]);
        }
        std::copy(b, b + BLOCK, a);
    }
    for (std::size_t j = 0; j < BLOCK; ++j)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pDst + j * nWidth), a[j]);
}

void TransposeLines(const uint8_t* pSrc, uint8_t* pDst, std::size_t nWidth, bool bReverse)
{
    const std::size_t nLinesInBlocks = nWidth / BLOCK * BLOCK;
    const std::size_t nSamplesInBlocks = LINE / BLOCK * BLOCK;
    for (std::size_t c0 = 0; c0 < nLinesInBlocks; c0 += BLOCK)
    {
        const std::size_t column = bReverse ? nWidth - BLOCK - c0 : c0;
        for (std::size_t j0 = 0; j0 < nSamplesInBlocks; j0 += BLOCK)
            Transpose16(pSrc + c0 * LINE + j0, pDst + j0 * nWidth + column, nWidth, bReverse);
        TransposeScalar(pSrc, pDst, nWidth, bReverse, c0, c0 + BLOCK, nSamplesInBlocks, LINE);
    }
    TransposeScalar(pSrc, pDst, nWidth, bReverse, nLinesInBlocks, nWidth, 0, LINE);
}

#else

void TransposeLines(const uint8_t* pSrc, uint8_t* pDst, std::size_t nWidth, bool bReverse)
{
    TransposeScalar(pSrc, pDst, nWidth, bReverse, 0, nWidth, 0, LINE);
}

#endif

// Swaps line c with line nWidth - 1 - c, so that a plain transpose gives the reversed columns.
void ReverseLines(uint8_t* pStore, std::size_t nWidth)
{
    for (std::size_t c = 0; c < nWidth / 2; ++c)
        std::swap_ranges(pStore + c * LINE, pStore + (c + 1) * LINE, pStore + (nWidth - 1 - c) * LINE);
}

// In-place transpose of nWidth lines by following the permutation's cycles. Sample j of line c, at
// index i = c * LINE + j, belongs at j * nWidth + c, which is i * nWidth mod (n - 1) for every
// index but the last; the first and last never move. Each cycle is moved once, from its smallest
// index: with pMarks (a bit per index) moved indexes are marked, without it a start is taken only
// when walking its cycle finds no smaller index, which costs time instead of memory.
class CycleTranspose
{
  public:
    CycleTranspose(uint8_t* pStore, std::size_t nWidth, uint8_t* pMarks)
        : m_pStore(pStore), m_nWidth(nWidth), m_nLast(nWidth * LINE - 1), m_pMarks(pMarks)
    {
        if (m_pMarks != nullptr)
            std::memset(m_pMarks, 0, m_nLast / 8 + 1);
    }

    void Run()
    {
        for (std::size_t start = 1; start < m_nLast; ++start)
        {
            if (IsCycleStart(start))
                MoveCycle(start);
        }
    }

  private:
    std::size_t Next(std::size_t i) const
    {
        return static_cast<std::size_t>(uint64_t(i) * m_nWidth % m_nLast);
    }

    bool IsCycleStart(std::size_t start) const
    {
        if (m_pMarks != nullptr)
            return (m_pMarks[start / 8] & (1u << (start % 8))) == 0;
        std::size_t i = Next(start);
        while (i > start)
            i = Next(i);
        return i == start;
    }

    void MoveCycle(std::size_t start)
    {
        uint8_t carried = m_pStore[start];
        std::size_t i = start;
        do
        {
            i = Next(i);
            std::swap(carried, m_pStore[i]);
            if (m_pMarks != nullptr)
                m_pMarks[i / 8] |= static_cast<uint8_t>(1u << (i % 8));
        } while (i != start);
    }

    uint8_t* m_pStore;
    std::size_t m_nWidth;
    std::size_t m_nLast; // index of the last sample, the permutation's modulus
    uint8_t* m_pMarks;
};

} // namespace

int LineScanBayerPhase(int nDirection)
{
    return nDirection == 0 ? BAYER_GRBG : BAYER_RGGB;
}

void ComposeLineScan(unsigned char* pStore, int nWidth, int nDirection, unsigned char* pScratch,
                     std::size_t nScratchBytes)
{
    if (nWidth <= 0)
        return;
    const std::size_t nColumns = static_cast<std::size_t>(nWidth);
    const std::size_t nBytes = nColumns * LINE;
    const bool bReverse = nDirection != 0;
    if (pScratch != nullptr && nScratchBytes >= nBytes)
    {
        TransposeLines(pStore, pScratch, nColumns, bReverse);
        std::memcpy(pStore, pScratch, nBytes);
        return;
    }
    if (bReverse)
        ReverseLines(pStore, nColumns);
    const bool bMarks = pScratch != nullptr && nScratchBytes >= nBytes / 8 + 1;
    CycleTranspose(pStore, nColumns, bMarks ? pScratch : nullptr).Run();
}
