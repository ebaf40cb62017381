#include "display/yuy2_convert.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

constexpr int SIMD_PIXELS = 8;

inline __m128i Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Sum - bias, both unsigned 16-bit, divided by 100 toward zero and limited to 0 ... 255. The
// saturating add and subtract are exact where it matters: a sum that saturates is far above the
// 25500 that gives 255, and a negative result becomes 0 either way.
inline __m128i Finish(__m128i sum, __m128i bias)
{
    const __m128i n = _mm_subs_epu16(sum, bias);
    // floor(n / 100) == (n * 5243) >> 19 for every n below 65536.
    const __m128i q = _mm_srli_epi16(_mm_mulhi_epu16(n, _mm_set1_epi16(5243)), 3);
    return _mm_min_epi16(q, _mm_set1_epi16(255));
}

inline __m128i Mul(__m128i v, int k) { return _mm_mullo_epi16(v, _mm_set1_epi16(static_cast<short>(k))); }

// Converts pixels x ... x + 7 (x even, x >= 2, x + 9 <= width). Reads bytes 2x - 2 ... 2x + 15;
// writes the 24 bytes of the 8 pixels and 2 bytes of pixel x + 8, which the caller writes again
// afterwards.
template <bool STUDIO>
inline void SimdPixels(const uint8_t* b, uint8_t* pOut, int x)
{
    const __m128i cur = Load(b + 2 * x);
    const __m128i y = _mm_and_si128(cur, _mm_set1_epi16(0x00FF));
    const __m128i after = _mm_srli_epi16(cur, 8);                 // b[2p + 1]
    const __m128i before = _mm_srli_epi16(Load(b + 2 * x - 2), 8); // b[2p - 1]
    // Even pixels: U after, V before; odd pixels the other way round.
    const __m128i swap = _mm_and_si128(_mm_xor_si128(after, before), _mm_set1_epi32(0x0000FFFF));
    const __m128i u = _mm_xor_si128(before, swap);
    const __m128i v = _mm_xor_si128(after, swap);

    __m128i blue, green, red;
    if (STUDIO)
    {
        const __m128i y116 = Mul(y, 116);
        blue = Finish(_mm_adds_epu16(y116, Mul(u, 202)), _mm_set1_epi16(27712));
        green = Finish(_mm_adds_epu16(y116, _mm_set1_epi16(13504)), _mm_add_epi16(Mul(v, 81), Mul(u, 39)));
        red = Finish(_mm_adds_epu16(y116, Mul(v, 160)), _mm_set1_epi16(22336));
    }
    else
    {
        const __m128i y100 = Mul(y, 100);
        blue = Finish(_mm_adds_epu16(y100, Mul(u, 177)), _mm_set1_epi16(22656));
        green = Finish(_mm_adds_epu16(y100, _mm_set1_epi16(13440)), _mm_add_epi16(Mul(u, 34), Mul(v, 71)));
        red = Finish(_mm_adds_epu16(y100, Mul(v, 140)), _mm_set1_epi16(17920));
    }

    // B G R 0 per 32-bit lane, then each 64-bit lane squeezed to six bytes B G R B G R 0 0 and
    // stored with 8 bytes at 6-byte steps, so the zero bytes are overwritten by the next store.
    const __m128i bg = _mm_or_si128(blue, _mm_slli_epi16(green, 8));
    const __m128i lowPixel = _mm_set1_epi64x(0x0000000000FFFFFF);
    const __m128i highPixel = _mm_set1_epi64x(0x0000FFFFFF000000);
    const __m128i quads[2] = {_mm_unpacklo_epi16(bg, red), _mm_unpackhi_epi16(bg, red)};
    uint8_t* pDst = pOut + 3 * static_cast<ptrdiff_t>(x);
    for (int i = 0; i < 2; ++i)
    {
        const __m128i q = _mm_or_si128(_mm_and_si128(quads[i], lowPixel),
                                       _mm_and_si128(_mm_srli_epi64(quads[i], 8), highPixel));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(pDst + 12 * i), q);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(pDst + 12 * i + 6), _mm_srli_si128(q, 8));
    }
}

#endif

template <bool STUDIO>
void ConvertRow(const uint8_t* b, uint8_t* pOut, int nWidth)
{
    // Pixel 0 has no chroma before it: it takes its own pair's U and V.
    ScalarPixel<STUDIO>(b[0], b[1], b[3], pOut);
    int x = 1;
#ifdef __SSE2__
    if (nWidth >= 2 + SIMD_PIXELS + 1)
    {
        ScalarPixels<STUDIO>(b, pOut, 1, 2);
        for (x = 2; x + SIMD_PIXELS + 1 <= nWidth; x += SIMD_PIXELS)
            SimdPixels<STUDIO>(b, pOut, x);
    }
#endif
    // The rest, last pixel included, after the vector steps.
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
