#include "display/bayer_demosaic.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "display/bgr_pair_store.h"

namespace
{

// One output row's layout: GREEN_ODD when green sits on the odd columns, RED_ROW when the other
// sites of the row are red (else blue). The row above and below then holds the other colour.
template <bool GREEN_ODD, bool RED_ROW>
inline void ScalarPixels(const uint8_t* p, const uint8_t* c, const uint8_t* n, uint8_t* pOut, int x0, int x1)
{
    for (int x = x0; x < x1; ++x)
    {
        const unsigned own = c[x];
        unsigned green;
        unsigned rowSide; // colour of the row's non-green sites
        unsigned colSide; // the other of red and blue
        if (((x & 1) != 0) == GREEN_ODD)
        {
            green = own;
            rowSide = (unsigned(c[x - 1]) + c[x + 1]) >> 1;
            colSide = (unsigned(p[x]) + n[x]) >> 1;
        }
        else
        {
            green = (unsigned(c[x - 1]) + c[x + 1] + p[x] + n[x]) >> 2;
            rowSide = own;
            colSide = (unsigned(p[x - 1]) + p[x + 1] + n[x - 1] + n[x + 1]) >> 2;
        }
        uint8_t* px = pOut + 3 * static_cast<ptrdiff_t>(x);
        px[0] = static_cast<uint8_t>(RED_ROW ? colSide : rowSide);
        px[1] = static_cast<uint8_t>(green);
        px[2] = static_cast<uint8_t>(RED_ROW ? rowSide : colSide);
    }
}

#ifdef __SSE2__

// Pixels handled per vector step, and how far past them the step reads and writes.
constexpr int SIMD_PIXELS = 16;

inline __m128i Load(const uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline __m128i EvenOf(__m128i v)
{
    return _mm_and_si128(v, _mm_set1_epi16(0x00FF));
}
inline __m128i OddOf(__m128i v)
{
    return _mm_srli_epi16(v, 8);
}

// Converts pixels x ... x + 15 (x even, x >= 2, x + 18 <= width). Samples are split into even
// and odd columns held as 16-bit lanes, so sums of four never overflow and each lane pair is one
// pixel of each parity. Reads columns x - 2 ... x + 17; writes the 48 bytes of the 16 pixels and
// then 2 bytes of pixel x + 16, which the caller writes again afterwards.
template <bool GREEN_ODD, bool RED_ROW>
CONVERT_STEP void SimdPixels(const uint8_t* p, const uint8_t* c, const uint8_t* n, uint8_t* pOut, int x)
{
    const __m128i cMid = Load(c + x);
    const __m128i cE = EvenOf(cMid);             // S(y, x + 2i)
    const __m128i cO = OddOf(cMid);              // S(y, x + 2i + 1)
    const __m128i cOm = OddOf(Load(c + x - 2));  // S(y, x + 2i - 1)
    const __m128i cEp = EvenOf(Load(c + x + 2)); // S(y, x + 2i + 2)
    const __m128i pMid = Load(p + x);
    const __m128i nMid = Load(n + x);
    const __m128i vE = _mm_add_epi16(EvenOf(pMid), EvenOf(nMid)); // above + below, even columns
    const __m128i vO = _mm_add_epi16(OddOf(pMid), OddOf(nMid));   // above + below, odd columns
    const __m128i hE = _mm_add_epi16(cOm, cO);                    // left + right, even columns
    const __m128i hO = _mm_add_epi16(cE, cEp);                    // left + right, odd columns

    __m128i greenE, rowE, colE, greenO, rowO, colO;
    if (GREEN_ODD)
    {
        // Even columns are red or blue: diagonals are the odd columns x + 2i -+ 1 above and below.
        const __m128i diag = _mm_add_epi16(vO, _mm_add_epi16(OddOf(Load(p + x - 2)), OddOf(Load(n + x - 2))));
        greenE = _mm_srli_epi16(_mm_add_epi16(hE, vE), 2);
        rowE = cE;
        colE = _mm_srli_epi16(diag, 2);
        greenO = cO;
        rowO = _mm_srli_epi16(hO, 1);
        colO = _mm_srli_epi16(vO, 1);
    }
    else
    {
        // Odd columns are red or blue: diagonals are the even columns x + 2i and x + 2i + 2.
        const __m128i diag =
            _mm_add_epi16(vE, _mm_add_epi16(EvenOf(Load(p + x + 2)), EvenOf(Load(n + x + 2))));
        greenE = cE;
        rowE = _mm_srli_epi16(hE, 1);
        colE = _mm_srli_epi16(vE, 1);
        greenO = _mm_srli_epi16(_mm_add_epi16(hO, vO), 2);
        rowO = cO;
        colO = _mm_srli_epi16(diag, 2);
    }
    const __m128i blueE = RED_ROW ? colE : rowE;
    const __m128i redE = RED_ROW ? rowE : colE;
    const __m128i blueO = RED_ROW ? colO : rowO;
    const __m128i redO = RED_ROW ? rowO : colO;

    StoreBgrPairs(pOut + 3 * static_cast<ptrdiff_t>(x), blueE, greenE, redE, blueO, greenO, redO);
}

#endif

template <bool GREEN_ODD, bool RED_ROW>
void ConvertRow(const uint8_t* p, const uint8_t* c, const uint8_t* n, uint8_t* pOut, int nWidth)
{
    std::memset(pOut, 0, 3);
    int x = 1;
#ifdef __SSE2__
    if (nWidth >= 2 + 2 + SIMD_PIXELS)
    {
        ScalarPixels<GREEN_ODD, RED_ROW>(p, c, n, pOut, 1, 2);
        // The last step is moved back to end as near the row's end as it can; it may
        // recompute pixels of the step before, with the same results.
        const int last = (nWidth - SIMD_PIXELS - 2) & ~1;
        for (x = 2; x < last; x += SIMD_PIXELS)
            SimdPixels<GREEN_ODD, RED_ROW>(p, c, n, pOut, x);
        SimdPixels<GREEN_ODD, RED_ROW>(p, c, n, pOut, last);
        x = last + SIMD_PIXELS;
    }
#endif
    ScalarPixels<GREEN_ODD, RED_ROW>(p, c, n, pOut, x, nWidth - 1);
    // Last, so that it also covers what the vector step wrote past its pixels.
    if (nWidth > 1)
        std::memset(pOut + 3 * static_cast<ptrdiff_t>(nWidth - 1), 0, 3);
}

// EVEN_GREEN_ODD and EVEN_RED describe the even image rows of the phase; odd rows have green on
// the other column parity and the other of red and blue.
template <bool EVEN_GREEN_ODD, bool EVEN_RED> unsigned Demosaic(void* pParam)
{
    const ConvertParams block = *static_cast<const ConvertParams*>(pParam);
    if (block.nRows < 1 || block.nWidth < 1)
        return 0;
    const ptrdiff_t w = block.nWidth;
    for (int k = 0; k < block.nRows; ++k)
    {
        const ptrdiff_t at = w * k;
        // The block starts on an odd image row.
        if ((k & 1) == 0)
            ConvertRow<!EVEN_GREEN_ODD, !EVEN_RED>(block.pPrev + at, block.pCur + at, block.pNext + at,
                                                   block.pOut + 3 * at, block.nWidth);
        else
            ConvertRow<EVEN_GREEN_ODD, EVEN_RED>(block.pPrev + at, block.pCur + at, block.pNext + at,
                                                 block.pOut + 3 * at, block.nWidth);
    }
    return 0;
}

} // namespace

unsigned DemosaicRGGB(void* pParam)
{
    return Demosaic<true, true>(pParam);
}
unsigned DemosaicGRBG(void* pParam)
{
    return Demosaic<false, true>(pParam);
}
unsigned DemosaicBGGR(void* pParam)
{
    return Demosaic<true, false>(pParam);
}
unsigned DemosaicGBRG(void* pParam)
{
    return Demosaic<false, false>(pParam);
}
