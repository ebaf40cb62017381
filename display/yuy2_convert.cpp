#include "display/yuy2_convert.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "display/bgr_pair_store.h"

namespace
{

// Each variant's formulas in one form, in hundredths:
//   blue  = (luma * Y + blueU * U - blueBias) / 100
//   green = (luma * Y + greenBase - greenU * U - greenV * V) / 100
//   red   = (luma * Y + redV * V - redBias) / 100
struct Coefficients
{
    int luma, blueU, blueBias, greenBase, greenU, greenV, redV, redBias;
};
// Y + 1.77 (U - 128), Y - 0.34 (U - 128) - 0.71 (V - 128), Y + 1.40 (V - 128).
constexpr Coefficients FULL_RANGE = {100, 177, 22656, 13440, 34, 71, 140, 17920};
// 1.16 (Y - 16) + 2.02 (U - 128), 1.16 (Y - 16) - 0.39 (U - 128) - 0.81 (V - 128),
// 1.16 (Y - 16) + 1.60 (V - 128).
constexpr Coefficients STUDIO_RANGE = {116, 202, 27712, 13504, 39, 81, 160, 22336};

inline uint8_t Limit(int value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

template <const Coefficients& K>
inline void ScalarPixel(int y, int u, int v, uint8_t* pOut)
{
    const int luma = K.luma * y;
    pOut[0] = Limit((luma + K.blueU * u - K.blueBias) / 100);
    pOut[1] = Limit((luma + K.greenBase - K.greenU * u - K.greenV * v) / 100);
    pOut[2] = Limit((luma + K.redV * v - K.redBias) / 100);
}

// Pixels x0 ... x1 - 1 of a row, x0 >= 1: pixel p's chroma bytes are b[2p - 1] and b[2p + 1];
// the U is the one at an odd byte offset within its pair.
template <const Coefficients& K>
inline void ScalarPixels(const uint8_t* b, uint8_t* pOut, int x0, int x1)
{
    for (int p = x0; p < x1; ++p)
    {
        const int before = b[2 * p - 1];
        const int after = b[2 * p + 1];
        const bool odd = (p & 1) != 0;
        ScalarPixel<K>(b[2 * p], odd ? before : after, odd ? after : before, pOut + 3 * static_cast<ptrdiff_t>(p));
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
template <const Coefficients& K, bool EXACT_END>
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

    const __m128i l0 = Mul(y0, K.luma), l1 = Mul(y1, K.luma);
    const __m128i ub = Mul(u, K.blueU), ug = Mul(u, K.greenU);
    const __m128i blueE = Finish(_mm_adds_epu16(l0, ub), Bias(K.blueBias));
    const __m128i blueO = Finish(_mm_adds_epu16(l1, ub), Bias(K.blueBias));
    const __m128i greenE = Finish(_mm_adds_epu16(l0, Bias(K.greenBase)), _mm_add_epi16(Mul(vPrev, K.greenV), ug));
    const __m128i greenO = Finish(_mm_adds_epu16(l1, Bias(K.greenBase)), _mm_add_epi16(Mul(v, K.greenV), ug));
    const __m128i redE = Finish(_mm_adds_epu16(l0, Mul(vPrev, K.redV)), Bias(K.redBias));
    const __m128i redO = Finish(_mm_adds_epu16(l1, Mul(v, K.redV)), Bias(K.redBias));
    StoreLimitedBgrPairs<EXACT_END>(pOut + 3 * static_cast<ptrdiff_t>(x), blueE, greenE, redE, blueO, greenO, redO);
}

#endif

template <const Coefficients& K>
void ConvertRow(const uint8_t* b, uint8_t* pOut, int nWidth)
{
    int x = 0;
#ifdef __SSE2__
    if (nWidth >= SIMD_PIXELS + 2)
    {
        // The last step is moved back to end at the row's end (or one pixel before it for an
        // odd width); it may recompute pixels of the step before, with the same results.
        const int last = (nWidth - SIMD_PIXELS) & ~1;
        SimdPixels<K, false>(b, pOut, 0);
        for (x = SIMD_PIXELS; x < last; x += SIMD_PIXELS)
            SimdPixels<K, false>(b, pOut, x);
        SimdPixels<K, true>(b, pOut, last);
        x = last + SIMD_PIXELS;
    }
#endif
    if (x == 0)
    {
        // Pixel 0 has no chroma before it: it takes its own pair's U and V.
        ScalarPixel<K>(b[0], b[1], b[3], pOut);
        x = 1;
    }
    ScalarPixels<K>(b, pOut, x, nWidth);
}

template <const Coefficients& K>
unsigned Yuy2ToBgr(void* pParam)
{
    const ConvertParams block = *static_cast<const ConvertParams*>(pParam);
    if (block.nRows < 1 || block.nWidth < 2)
        return 0;
    const ptrdiff_t w = block.nWidth;
    for (int k = 0; k < block.nRows; ++k)
        ConvertRow<K>(block.pPrev + 2 * w * k, block.pOut - 3 * w * k, block.nWidth);
    return 0;
}

} // namespace

unsigned Yuy2ToBgrFullRange(void* pParam) { return Yuy2ToBgr<FULL_RANGE>(pParam); }
unsigned Yuy2ToBgrStudio(void* pParam) { return Yuy2ToBgr<STUDIO_RANGE>(pParam); }
