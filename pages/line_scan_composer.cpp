#include "pages/line_scan_composer.h"

#include "buffers/shared_buffers.h"
#include "display/convert_params.h"
#include "platform/sys/worker_thread.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace
{

constexpr std::size_t LINE = SENSOR_WIDTH;
constexpr std::size_t GROUP = 16;       // lines, and samples, per transposed block
constexpr std::size_t TILE_LINES = 512; // lines per tile: their transpose (642 KB) stays in the L2 cache
constexpr std::size_t TILE_BYTES = TILE_LINES * LINE;

// Copies lines [c0, c1) of pSrc into their columns of an image of nWidth columns at pDst (line c in
// column c, or nWidth - 1 - c), samples [j0, j1) only, one at a time: the edges the blocks leave.
// Row by row, so that each row of the image is reached once.
void TransposeScalar(const uint8_t* pSrc, uint8_t* pDst, std::size_t nWidth, bool bReverse, std::size_t c0,
                     std::size_t c1, std::size_t j0, std::size_t j1)
{
    for (std::size_t j = j0; j < j1; ++j)
    {
        uint8_t* pRow = pDst + j * nWidth;
        for (std::size_t c = c0; c < c1; ++c)
            pRow[bReverse ? nWidth - 1 - c : c] = pSrc[c * LINE + j];
    }
}

#ifdef __SSE2__

// Transposes 16 lines of 16 samples: the lines start at pSrc, LINE bytes apart; sample j of them
// goes to the 16 bytes at pDst + j * nStride, in line order (or reversed).
[[gnu::always_inline]] inline void Transpose16(const uint8_t* pSrc, uint8_t* pDst, std::size_t nStride,
                                               bool bReverse)
{
    __m128i a[GROUP];
#pragma GCC unroll 16
    for (std::size_t k = 0; k < GROUP; ++k)
        a[k] =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(pSrc + (bReverse ? GROUP - 1 - k : k) * LINE));
        // Each round interleaves vector i with vector i + 8; as a 4-bit vector index and a 4-bit byte
        // index, every byte's 8-bit address rotates left by one, so four rounds swap the two. Unrolled
        // so that the vectors stay in registers.
#pragma GCC unroll 4
    for (int round = 0; round < 4; ++round)
    {
        __m128i b[GROUP];
#pragma GCC unroll 8
        for (std::size_t i = 0; i < GROUP / 2; ++i)
        {
            b[2 * i] = _mm_unpacklo_epi8(a[i], a[i + 8]);
            b[2 * i + 1] = _mm_unpackhi_epi8(a[i], a[i + 8]);
        }
#pragma GCC unroll 16
        for (std::size_t i = 0; i < GROUP; ++i)
            a[i] = b[i];
    }
#pragma GCC unroll 16
    for (std::size_t j = 0; j < GROUP; ++j)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pDst + j * nStride), a[j]);
}

// Copies a tile row into the image. The whole cache lines inside it go by streaming stores: the
// image is far larger than the caches, so its lines are neither read before being written nor
// kept. The partial lines at either end, which the neighbouring tiles also write, go through the
// cache: a line written both ways would cost far more than either.
void WriteRow(uint8_t* pDst, const uint8_t* pSrc, std::size_t n)
{
    const std::size_t nHead = std::min(n, (64 - (reinterpret_cast<uintptr_t>(pDst) & 63)) & 63);
    std::memcpy(pDst, pSrc, nHead);
    std::size_t i = nHead;
    for (; i + 64 <= n; i += 64)
    {
        for (std::size_t q = i; q < i + 64; q += 16)
            _mm_stream_si128(reinterpret_cast<__m128i*>(pDst + q),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(pSrc + q)));
    }
    std::memcpy(pDst + i, pSrc + i, n - i);
}

// Makes the streaming stores visible before the image is read.
void EndRows()
{
    _mm_sfence();
}

#else

[[gnu::always_inline]] inline void Transpose16(const uint8_t* pSrc, uint8_t* pDst, std::size_t nStride,
                                               bool bReverse)
{
    for (std::size_t k = 0; k < GROUP; ++k)
        for (std::size_t j = 0; j < GROUP; ++j)
            pDst[j * nStride + k] = pSrc[(bReverse ? GROUP - 1 - k : k) * LINE + j];
}

void WriteRow(uint8_t* pDst, const uint8_t* pSrc, std::size_t n)
{
    std::memcpy(pDst, pSrc, n);
}
void EndRows() {}

#endif

// Transposes n lines at pSrc into pTile, LINE rows of n bytes: line q in column q, or n - 1 - q.
// Whole groups of lines are read group by group, each group's successor fetched while it is
// transposed, since the strided reads keep the hardware from fetching ahead; the lines after the
// last whole group go one sample at a time.
void TransposeTile(const uint8_t* pSrc, uint8_t* pTile, std::size_t n, bool bReverse)
{
    constexpr std::size_t GROUP_BYTES = GROUP * LINE;
    constexpr std::size_t BLOCKS = LINE / GROUP;
    constexpr std::size_t FETCH_PER_BLOCK = ((GROUP_BYTES + BLOCKS - 1) / BLOCKS + 63) / 64 * 64;
    const std::size_t nGrouped = n / GROUP * GROUP;
    for (std::size_t c = 0; c < nGrouped; c += GROUP)
    {
        const uint8_t* pGroup = pSrc + c * LINE;
        const bool bFetch = c + 2 * GROUP <= n;
        for (std::size_t k = 0; k < BLOCKS; ++k)
        {
            for (std::size_t p = k * FETCH_PER_BLOCK;
                 bFetch && p < std::min((k + 1) * FETCH_PER_BLOCK, GROUP_BYTES); p += 64)
                __builtin_prefetch(pGroup + GROUP_BYTES + p);
            Transpose16(pGroup + k * GROUP, pTile + k * GROUP * n + (bReverse ? n - GROUP - c : c), n,
                        bReverse);
        }
        TransposeScalar(pSrc, pTile, n, bReverse, c, c + GROUP, BLOCKS * GROUP, LINE);
    }
    TransposeScalar(pSrc, pTile, n, bReverse, nGrouped, n, 0, LINE);
}

// Transposes the lines of columns [column0, column1) of the image (nWidth columns at pImage) from
// pStore, tile by tile in the order of the columns, using pTile (TILE_BYTES).
void TransposeColumns(const uint8_t* pStore, uint8_t* pImage, uint8_t* pTile, std::size_t nWidth,
                      bool bReverse, std::size_t column0, std::size_t column1)
{
    for (std::size_t column = column0; column < column1; column += TILE_LINES)
    {
        const std::size_t n = std::min(TILE_LINES, column1 - column);
        const std::size_t first = bReverse ? nWidth - column - n : column; // the lines of these columns
        TransposeTile(pStore + first * LINE, pTile, n, bReverse);
        for (std::size_t j = 0; j < LINE; ++j)
            WriteRow(pImage + j * nWidth + column, pTile + j * n, n);
    }
    EndRows();
}

// Runs fn(1) on a worker thread and fn(0) on this one, and returns when both are done; runs both
// here when no thread can be had. Memory latency, not arithmetic, bounds the transpose, so a
// second thread nearly halves it.
template <typename Fn> void RunOnTwoThreads(Fn fn)
{
    WorkerThread worker;
    if (!worker.Start([&fn] { fn(1); }))
        fn(1);
    fn(0);
    worker.Join();
}

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

std::size_t LineScanScratchBytes(int nWidth)
{
    return static_cast<std::size_t>(std::max(nWidth, 0)) * LINE + 2 * TILE_BYTES;
}

void ComposeLineScan(unsigned char* pStore, int nWidth, int nDirection, unsigned char* pScratch,
                     std::size_t nScratchBytes)
{
    if (nWidth <= 0)
        return;
    const std::size_t nColumns = static_cast<std::size_t>(nWidth);
    const std::size_t nBytes = nColumns * LINE;
    const bool bReverse = nDirection != 0;
    if (pScratch != nullptr && nScratchBytes >= LineScanScratchBytes(nWidth))
    {
        // Each half of the columns with a tile of its own after the image. The store is read
        // until both halves are done, so the copy back starts only then.
        const std::size_t half = nColumns / 2 / GROUP * GROUP;
        RunOnTwoThreads(
            [&](int i)
            {
                TransposeColumns(pStore, pScratch, pScratch + nBytes + i * TILE_BYTES, nColumns, bReverse,
                                 i == 0 ? 0 : half, i == 0 ? half : nColumns);
            });
        const std::size_t nHalfBytes = nBytes / 2;
        RunOnTwoThreads(
            [&](int i)
            {
                const std::size_t begin = i == 0 ? 0 : nHalfBytes;
                std::memcpy(pStore + begin, pScratch + begin, (i == 0 ? nHalfBytes : nBytes) - begin);
            });
        return;
    }
    if (bReverse)
        ReverseLines(pStore, nColumns);
    const bool bMarks = pScratch != nullptr && nScratchBytes >= nBytes / 8 + 1;
    CycleTranspose(pStore, nColumns, bMarks ? pScratch : nullptr).Run();
}
