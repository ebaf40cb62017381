#include "display/yuy2_convert.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "display/bgr_pair_store.h"

namespace
{

inline uint8_t Limit(int value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

template <bool STUDIO>
inline void ScalarPixel(int y, int u, int v, uint8_t* pOut)
{
    if (STUDIO)
    {
        pOut[0] = Limit((116 * y + 202 * u - 27712) / 100);
        pOut[1] = Limit((116 * y - 81 * v - 39 * u + 13504) / 100);
        pOut[2] = Limit((116 * y + 160 * v - 22336) / 100);
    }
    else
    {
        pOut[0] = Limit((100 * y + 177 * (u - 128)) / 100);
        pOut[1] = Limit((100 * y - 34 * u - 71 * v + 13440) / 100);
        pOut[2] = Limit((100 * y + 140 * (v - 128)) / 100);
    }
}

// Pixels x0 ... x1 - 1 of a row, x0 >= 1: pixel p's chroma bytes are b[2p - 1] and b[2p + 1];
// the U is the one at an odd byte offset within its pair.
template <bool STUDIO>
inline void ScalarPixels(const uint8_t* b, uint8_t* pOut, int x0, int x1)
{
    for (int p = x0; p < x1; ++p)
    {
        const int before = b[2 * p - 1];
        const int after = b[2 * p + 1];
        const bool odd = (p & 1) != 0;
        ScalarPixel<STUDIO>(b[2 * p], odd ? before : after, odd ? after : before, pOut + 3 * static_cast<ptrdiff_t>(p));
    }
}

#ifdef __SSE2__

constexpr int SIMD_PIXELS = 16;

inline __m128i Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Sum - bias, both unsigned 16-bit, divided by 100 toward zero; at most 655, limited to 255 when
// stored. The saturating add and subtract are exact where it matters: a sum that saturates is
// far above the 25500 that gives 255, and a negative result becomes 0 either way.
CONVERT_STEP __m128i Finish(__m128i sum, __m128i bias)
{
    const __m128i n = _mm_subs_epu16(sum, bias);
    // floor(n / 100) == (n * 5243) >> 19 for every n below 65536.
    return _mm_srli_epi16(_mm_mulhi_epu16(n, _mm_set1_epi16(5243)), 3);
}

CONVERT_STEP __m128i Bias(int k) { return _mm_set1_epi16(static_cast<short>(k)); }

// One multiply instruction per product: hiding the constant keeps the compiler from turning it
// into longer chains of shifts and adds.
CONVERT_STEP __m128i Mul(__m128i v, int k)
{
    __m128i factor = _mm_set1_epi16(static_cast<short>(k));
#if defined(__GNUC__)
    __asm__("" : "+x"(factor));
#endif
    return _mm_mullo_epi16(v, factor);
}

// Byte I (0 ... 3) of each 4-byte pixel pair of a and b, as eight 16-bit lanes.
template <int I>
CONVERT_STEP __m128i PairByte(__m128i a, __m128i b)
{
    if (I == 3)
        return _mm_packs_epi32(_mm_srli_epi32(a, 24), _mm_srli_epi32(b, 24));
    const __m128i mask = _mm_set1_epi32(0xFF);
    return _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(a, 8 * I), mask), _mm_and_si128(_mm_srli_epi32(b, 8 * I), mask));
}

// Converts pixels x ... x + 15 (x even, x + 16 <= width), held as 8 pixel pairs: the even
// pixel of pair k takes U of pair k and V of pair k - 1 (pixel 0 its own V), the odd pixel both
// of pair k. Reads bytes 2x - 1 (from x = 2 on) ... 2x + 31; writes the 48 bytes of the 16
// pixels and, unless EXACT_END, 2 bytes of pixel x + 16, which the caller writes again.
template <bool STUDIO, bool EXACT_END>
CONVERT_STEP void SimdPixels(const uint8_t* b, uint8_t* pOut, int x)
{
    const __m128i lo = Load(b + 2 * x);
    const __m128i hi = Load(b + 2 * x + 16);
    const __m128i y0 = PairByte<0>(lo, hi);
    const __m128i u = PairByte<1>(lo, hi);
    const __m128i y1 = PairByte<2>(lo, hi);
    const __m128i v = PairByte<3>(lo, hi);
    const __m128i vBefore = x == 0 ? _mm_and_si128(v, _mm_cvtsi32_si128(0xFFFF)) : _mm_cvtsi32_si128(b[2 * x - 1]);
    const __m128i vPrev = _mm_or_si128(_mm_slli_si128(v, 2), vBefore);

    __m128i blueE, greenE, redE, blueO, greenO, redO;
    if (STUDIO)
    {
        const __m128i l0 = Mul(y0, 116), l1 = Mul(y1, 116);
        const __m128i ub = Mul(u, 202), ug = Mul(u, 39);
        blueE = Finish(_mm_adds_epu16(l0, ub), Bias(27712));
        blueO = Finish(_mm_adds_epu16(l1, ub), Bias(27712));
        greenE = Finish(_mm_adds_epu16(l0, Bias(13504)), _mm_add_epi16(Mul(vPrev, 81), ug));
        greenO = Finish(_mm_adds_epu16(l1, Bias(13504)), _mm_add_epi16(Mul(v, 81), ug));
        redE = Finish(_mm_adds_epu16(l0, Mul(vPrev, 160)), Bias(22336));
        redO = Finish(_mm_adds_epu16(l1, Mul(v, 160)), Bias(22336));
    }
    else
    {
        const __m128i l0 = Mul(y0, 100), l1 = Mul(y1, 100);
        const __m128i ub = Mul(u, 177), ug = Mul(u, 34);
        blueE = Finish(_mm_adds_epu16(l0, ub), Bias(22656));
        blueO = Finish(_mm_adds_epu16(l1, ub), Bias(22656));
        greenE = Finish(_mm_adds_epu16(l0, Bias(13440)), _mm_add_epi16(Mul(vPrev, 71), ug));
        greenO = Finish(_mm_adds_epu16(l1, Bias(13440)), _mm_add_epi16(Mul(v, 71), ug));
        redE = Finish(_mm_adds_epu16(l0, Mul(vPrev, 140)), Bias(17920));
        redO = Finish(_mm_adds_epu16(l1, Mul(v, 140)), Bias(17920));
    }
    StoreLimitedBgrPairs<EXACT_END>(pOut + 3 * static_cast<ptrdiff_t>(x), blueE, greenE, redE, blueO, greenO, redO);
}

#endif

template <bool STUDIO>
void ConvertRow(const uint8_t* b, uint8_t* pOut, int nWidth)
{
    int x = 0;
#ifdef __SSE2__
    if (nWidth >= SIMD_PIXELS + 2)
    {
        // The last step is moved back to end at the row's end (or one pixel before it for an
        // odd width); it may recompute pixels of the step before, with the same results.
        const int last = (nWidth - SIMD_PIXELS) & ~1;
        SimdPixels<STUDIO, false>(b, pOut, 0);
        for (x = SIMD_PIXELS; x < last; x += SIMD_PIXELS)
            SimdPixels<STUDIO, false>(b, pOut, x);
        SimdPixels<STUDIO, true>(b, pOut, last);
        x = last + SIMD_PIXELS;
    }
#endif
    if (x == 0)
    {
        // Pixel 0 has no chroma before it: it takes its own pair's U and V.
        ScalarPixel<STUDIO>(b[0], b[1], b[3], pOut);
        x = 1;
    }
    ScalarPixels<STUDIO>(b, pOut, x, nWidth);
}

template <bool STUDIO>
unsigned Yuy2ToBgr(void* pParam)
{
    const ConvertParams block = *static_cast<const ConvertParams*>(pParam);
    if (block.nRows < 1 || block.nWidth < 2)
        return 0;
    const ptrdiff_t w = block.nWidth;
    for (int k = 0; k < block.nRows; ++k)
        ConvertRow<STUDIO>(block.pPrev + 2 * w * k, block.pOut - 3 * w * k, block.nWidth);
    return 0;
}

} // namespace

unsigned Yuy2ToBgrFullRange(void* pParam) { return Yuy2ToBgr<false>(pParam); }
unsigned Yuy2ToBgrStudio(void* pParam) { return Yuy2ToBgr<true>(pParam); }
