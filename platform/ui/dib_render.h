#pragma once

#include "platform/ui/bitmap_info.h"
#include "platform/ui/ui_types.h"

#include <cstdint>

// Pixel operations on a 32-bit destination (0xFFRRGGBB per pixel), apart from any window: the
// drawing surface applies them to its back buffer, tests apply them to plain arrays.
//
// Source bitmaps are 8-bit through the 256-entry palette of BitmapInfo or 24-bit blue-green-red,
// rows padded to 4 bytes, bottom-up (positive biHeight) or top-down (negative biHeight). Source
// coordinates count columns from the picture's left edge and rows from its bottom edge, whichever
// way the rows are stored. Destination pixels that no source pixel maps to keep what they held.

struct PixelTarget
{
    std::uint32_t* pPixels = nullptr;
    int nWidth = 0;
    int nHeight = 0;
    int nStride = 0; // pixels per row
};

enum class PenStyle
{
    Solid,
    Dot, // 3 pixels on, 3 off; a pen wider than 1 draws solid
};

struct Pen
{
    PenStyle style = PenStyle::Solid;
    int nWidth = 1;
    ColorRef color = 0;
};

// Unscaled copy: destination (xDest + i, yDest + j) shows source column xSrc + i and source row
// ySrc + (nHeight - 1 - j) counted from the bottom.
void BlitDib(const PixelTarget& dest, int xDest, int yDest, int nWidth, int nHeight, int xSrc, int ySrc,
             const BitmapInfo& bmi, const void* pBits);

// Nearest-neighbour stretch of the source rectangle (xSrc, ySrc from the bottom, nSrcWidth x
// nSrcHeight) into the destination rectangle; rows and columns are dropped or repeated, never
// blended.
void StretchDib(const PixelTarget& dest, int xDest, int yDest, int nDestWidth, int nDestHeight, int xSrc,
                int ySrc, int nSrcWidth, int nSrcHeight, const BitmapInfo& bmi, const void* pBits);

// A line from 'from' up to, but not including, 'to'.
void DrawLine(const PixelTarget& dest, Point from, Point to, const Pen& pen);

// 0x00BBGGRR to the destination's pixel format and back.
constexpr std::uint32_t PixelFromColorRef(ColorRef c)
{
    return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
constexpr ColorRef ColorRefFromPixel(std::uint32_t p)
{
    return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}
