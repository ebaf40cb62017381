#include "display/yuy2_convert.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "display/bgr_pair_store.h"

namespace
{

// Each variant's formulas in one form, in hundredths, with the chroma centred on 128:
//   blue  = (luma * Y - lumaOffset + blueU * (U - 128)) / 100
//   green = (luma * Y - lumaOffset - greenU * (U - 128) - greenV * (V - 128)) / 100
//   red   = (luma * Y - lumaOffset + redV * (V - 128)) / 100
// Every term then fits a signed 16-bit lane, which lets the vector path add without biases.
struct Coefficients
{
    int luma, lumaOffset, blueU, greenU, greenV, redV;
};
// Y + 1.77 (U - 128), Y - 0.34 (U - 128) - 0.71 (V - 128), Y + 1.40 (V - 128).
constexpr Coefficients FULL_RANGE = {100, 0, 177, 34, 71, 140};
// 1.16 (Y - 16) + 2.02 (U - 128), 1.16 (Y - 16) - 0.39 (U - 128) - 0.81 (V - 128),
// 1.16 (Y - 16) + 1.60 (V - 128).
constexpr Coefficients STUDIO_RANGE = {116, 1856, 202, 39, 81, 160};

inline uint8_t Limit(int value)
{
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

template <const Coefficients& K> inline void ScalarPixel(int y, int u, int v, uint8_t* pOut)
{
    const int luma = K.luma * y - K.lumaOffset;
    u -= 128;
    v -= 128;
    pOut[0] = Limit((luma + K.blueU * u) / 100);
    pOut[1] = Limit((luma - K.greenU * u - K.greenV * v) / 100);
    pOut[2] = Limit((luma + K.redV * v) / 100);
}

// Pixels x0 ... x1 - 1 of a row, x0 >= 1: pixel p's chroma bytes are b[2p - 1] and b[2p + 1];
// the U is the one at an odd byte offset within its pair.
template <const Coefficients& K> inline void ScalarPixels(const uint8_t* b, uint8_t* pOut, int x0, int x1)
{
    for (int p = x0; p < x1; ++p)
    {
        const int before = b[2 * p - 1];
        const int after = b[2 * p + 1];
        const bool odd = (p & 1) != 0;
        ScalarPixel<K>(b[2 * p], odd ? before : after, odd ? after : before,
                       pOut + 3 * static_cast<ptrdiff_t>(p));
    }
}

#ifdef __SSE2__

constexpr int SIMD_PIXELS = 16;

inline __m128i Load(const uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// The same constant in every 16-bit lane, or a for the even lanes (even pixels) and b for the odd.
CONVERT_STEP __m128i Lanes(int a)
{
    return _mm_set1_epi16(static_cast<short>(a));
}
CONVERT_STEP __m128i Lanes(int a, int b)
{
    return _mm_set1_epi32(
        static_cast<int>((static_cast<unsigned>(a) & 0xFFFF) | static_cast<unsigned>(b) << 16));
}

// One multiply instruction for the luma product: hiding the constant keeps the compiler from
// turning it into a longer chain of shifts and adds.
CONVERT_STEP __m128i MulLuma(__m128i y, int k)
{
    __m128i factor = Lanes(k);
#if defined(__GNUC__)
    __asm__("" : "+x"(factor));
#endif
    return _mm_mullo_epi16(y, factor);
}

// The high bytes of eight words as signed 16-bit lanes centred on 128 (byte - 128).
CONVERT_STEP __m128i CentredHighBytes(__m128i words)
{
    return _mm_srai_epi16(_mm_xor_si128(words, Lanes(0x8000)), 8);
}

// A signed sum in hundredths divided by 100: exact (floor (n * 5243 / 2^19) == n / 100) for every
// n from 0 to 32767, the most a saturated sum holds, and negative for every negative n, so that
// limiting to 0 ... 255 afterwards gives the truncated, limited quotient.
CONVERT_STEP __m128i Hundredths(__m128i n)
{
    return _mm_srai_epi16(_mm_mulhi_epi16(n, Lanes(5243)), 3);
}

// Eight pixels in pixel order from the words at s (Y | chroma after << 8) and the words one
// pixel earlier (their high bytes are the chroma before each pixel). An even pixel's U is the
// byte after it and its V the byte before; an odd pixel the other way round. So one multiply
// gives the blue of the even pixels and the red of the odd ones, another the opposite halves.
// Results, signed and not yet limited: blueRed even lanes blue, odd lanes red; redBlue even
// lanes red, odd lanes blue; green in every lane.
template <const Coefficients& K>
CONVERT_STEP void EightPixels(__m128i words, __m128i wordsBefore, __m128i& blueRed, __m128i& redBlue,
                              __m128i& green)
{
    const __m128i after = CentredHighBytes(words);
    const __m128i before = CentredHighBytes(wordsBefore);
    __m128i luma = MulLuma(_mm_and_si128(words, Lanes(0x00FF)), K.luma);
    if (K.lumaOffset != 0)
        luma = _mm_sub_epi16(luma, Lanes(K.lumaOffset));
    // Each product fits 16 bits signed; a sum beyond 32767 saturates, which still limits to 255.
    blueRed = Hundredths(_mm_adds_epi16(luma, _mm_mullo_epi16(after, Lanes(K.blueU, K.redV))));
    redBlue = Hundredths(_mm_adds_epi16(luma, _mm_mullo_epi16(before, Lanes(K.redV, K.blueU))));
    const __m128i chroma = _mm_add_epi16(_mm_mullo_epi16(after, Lanes(-K.greenU, -K.greenV)),
                                         _mm_mullo_epi16(before, Lanes(-K.greenV, -K.greenU)));
    green = Hundredths(_mm_adds_epi16(luma, chroma));
}

// Converts pixels x ... x + 15 (x even, x + 16 <= width). Reads bytes 2x - 2 (from x = 2 on;
// FIRST for x = 0, where pixel 0 takes its own pair's V) ... 2x + 31; writes the 48 bytes of the
// 16 pixels and, unless EXACT_END, 2 bytes of pixel x + 16, which the caller writes again.
template <const Coefficients& K, bool FIRST, bool EXACT_END>
CONVERT_STEP void SimdPixels(const uint8_t* b, uint8_t* pOut, int x)
{
    const uint8_t* s = b + 2 * x;
    const __m128i lo = Load(s);
    __m128i loBefore;
    if (FIRST) // word j - 1 in lane j, and word 1 (V of pair 0) in lane 0
        loBefore = _mm_or_si128(_mm_slli_si128(lo, 2),
                                _mm_and_si128(_mm_srli_si128(lo, 2), _mm_cvtsi32_si128(0xFFFF)));
    else
        loBefore = Load(s - 2);
    __m128i blueRed[2], redBlue[2], green[2];
    EightPixels<K>(lo, loBefore, blueRed[0], redBlue[0], green[0]);
    EightPixels<K>(Load(s + 16), Load(s + 14), blueRed[1], redBlue[1], green[1]);

    // Limited to bytes, one word per pixel pair: blue even | red odd, red even | blue odd,
    // green even | green odd; regrouped into the pair's stored words B G, R B, G R.
    const __m128i br = _mm_packus_epi16(blueRed[0], blueRed[1]);
    const __m128i rb = _mm_packus_epi16(redBlue[0], redBlue[1]);
    const __m128i gg = _mm_packus_epi16(green[0], green[1]);
    const __m128i low = Lanes(0x00FF);
    StorePairWords<EXACT_END, true>(pOut + 3 * static_cast<ptrdiff_t>(x),
                                    _mm_or_si128(_mm_and_si128(br, low), _mm_slli_epi16(gg, 8)), rb,
                                    _mm_or_si128(_mm_srli_epi16(gg, 8), _mm_andnot_si128(low, br)));
}

#endif

template <const Coefficients& K> void ConvertRow(const uint8_t* b, uint8_t* pOut, int nWidth)
{
    int x = 0;
#ifdef __SSE2__
    if (nWidth >= SIMD_PIXELS + 2)
    {
        // The last step is moved back to end at the row's end (or one pixel before it for an
        // odd width); it may recompute pixels of the step before, with the same results.
        const int last = (nWidth - SIMD_PIXELS) & ~1;
        SimdPixels<K, true, false>(b, pOut, 0);
        for (x = SIMD_PIXELS; x < last; x += SIMD_PIXELS)
            SimdPixels<K, false, false>(b, pOut, x);
        SimdPixels<K, false, true>(b, pOut, last);
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

template <const Coefficients& K> unsigned Yuy2ToBgr(void* pParam)
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

unsigned Yuy2ToBgrFullRange(void* pParam)
{
    return Yuy2ToBgr<FULL_RANGE>(pParam);
}
unsigned Yuy2ToBgrStudio(void* pParam)
{
    return Yuy2ToBgr<STUDIO_RANGE>(pParam);
}
