#pragma once

// Shared by the vector paths of the display conversions: stores 16 pixels given as 8 even and
// 8 odd ones, each colour in 16-bit lanes holding 0 ... 255.

#ifdef __SSE2__

#include <emmintrin.h>
#include <xmmintrin.h>

#include <cstdint>
#include <cstring>

// The vector steps are meant to sit inside their row loops, with their constants in registers.
#if defined(__GNUC__)
#define CONVERT_STEP inline __attribute__((always_inline))
#else
#define CONVERT_STEP inline
#endif

// The two pixel pairs of q, one per 64-bit lane, as 12 bytes at pDst and 2 zero bytes after them.
// HIGH_DIRECT stores the high lane straight from the register instead of shifting it down first:
// one vector operation fewer, for conversions whose time goes on those.
template <bool HIGH_DIRECT> CONVERT_STEP void StorePairLanes(uint8_t* pDst, __m128i q)
{
    _mm_storel_epi64(reinterpret_cast<__m128i*>(pDst), q);
    if (HIGH_DIRECT)
        _mm_storeh_pi(reinterpret_cast<__m64*>(pDst + 6), _mm_castsi128_ps(q));
    else
        _mm_storel_epi64(reinterpret_cast<__m128i*>(pDst + 6), _mm_srli_si128(q, 8));
}

// Writes the 48 bytes B G R of pixels 0 ... 15 at pDst from three vectors of pixel-pair words:
// w0 B G of the even pixels, w1 R of the even and B of the odd, w2 G R of the odd. Unless
// EXACT_END it then writes 2 bytes of pixel 16, which the caller must write again afterwards.
// One pixel pair is six bytes: three 16-bit words gathered into a 64-bit lane whose top two
// bytes are zero, stored with 8 bytes at 6-byte steps so that the zero bytes are overwritten by
// the next store.
template <bool EXACT_END, bool HIGH_DIRECT = false>
CONVERT_STEP void StorePairWords(uint8_t* pDst, __m128i w0, __m128i w1, __m128i w2)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i a0 = _mm_unpacklo_epi16(w0, w1);
    const __m128i a1 = _mm_unpackhi_epi16(w0, w1);
    const __m128i b0 = _mm_unpacklo_epi16(w2, zero);
    const __m128i b1 = _mm_unpackhi_epi16(w2, zero);
    StorePairLanes<HIGH_DIRECT>(pDst, _mm_unpacklo_epi32(a0, b0));
    StorePairLanes<HIGH_DIRECT>(pDst + 12, _mm_unpackhi_epi32(a0, b0));
    StorePairLanes<HIGH_DIRECT>(pDst + 24, _mm_unpacklo_epi32(a1, b1));
    const __m128i last = _mm_unpackhi_epi32(a1, b1);
    if (EXACT_END)
    {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(pDst + 36), last);
        const uint64_t pair = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_srli_si128(last, 8)));
        std::memcpy(pDst + 42, &pair, 6);
    }
    else
    {
        StorePairLanes<HIGH_DIRECT>(pDst + 36, last);
    }
}

// 16 pixels from colours in 16-bit lanes holding 0 ... 255.
CONVERT_STEP void StoreBgrPairs(uint8_t* pDst, __m128i blueE, __m128i greenE, __m128i redE, __m128i blueO,
                                __m128i greenO, __m128i redO)
{
    StorePairWords<false>(pDst, _mm_or_si128(blueE, _mm_slli_epi16(greenE, 8)),
                          _mm_or_si128(redE, _mm_slli_epi16(blueO, 8)),
                          _mm_or_si128(greenO, _mm_slli_epi16(redO, 8)));
}

// Two colours in 16-bit lanes holding 0 ... 32767 as pixel-pair words lo | hi << 8, each
// limited to 255.
CONVERT_STEP __m128i LimitedWords(__m128i lo, __m128i hi)
{
    const __m128i bytes = _mm_packus_epi16(lo, hi);
    return _mm_unpacklo_epi8(bytes, _mm_srli_si128(bytes, 8));
}

// 16 pixels from colours in 16-bit lanes holding 0 ... 32767, limited to 255.
template <bool EXACT_END>
CONVERT_STEP void StoreLimitedBgrPairs(uint8_t* pDst, __m128i blueE, __m128i greenE, __m128i redE,
                                       __m128i blueO, __m128i greenO, __m128i redO)
{
    StorePairWords<EXACT_END>(pDst, LimitedWords(blueE, greenE), LimitedWords(redE, blueO),
                              LimitedWords(greenO, redO));
}

#endif
