#pragma once

// Pictures and a canvas for the drawing tests.

#include "platform/ui/dib_render.h"

#include <cstdint>
#include <vector>

constexpr std::uint32_t SENTINEL = 0xFF123456u;

struct Canvas
{
    Canvas(int w, int h) : nWidth(w), nHeight(h), pixels(static_cast<std::size_t>(w) * h, SENTINEL) {}
    PixelTarget Target() { return PixelTarget{pixels.data(), nWidth, nHeight, nWidth}; }
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * nWidth + x]; }
    int nWidth, nHeight;
    std::vector<std::uint32_t> pixels;
};

// An 8-bit picture whose sample at (column c, row r from the top) is the low byte of r * 16 + c, stored
// bottom-up or top-down with padded rows, and a palette that makes every sample a distinct colour.
struct Picture8
{
    Picture8(int w, int h, bool bTopDown = false) : nWidth(w), nHeight(h)
    {
        bmi.bmiHeader.biWidth = w;
        bmi.bmiHeader.biHeight = bTopDown ? -h : h;
        bmi.bmiHeader.biBitCount = 8;
        for (int i = 0; i < 256; ++i)
            bmi.bmiColors[i] =
                RgbQuad{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 7, 0};
        const int nStride = BitmapStride(w, 8);
        bits.assign(static_cast<std::size_t>(nStride) * h, 0xEE);
        for (int r = 0; r < h; ++r)
        {
            const int nStored = bTopDown ? r : h - 1 - r;
            for (int c = 0; c < w; ++c)
                bits[static_cast<std::size_t>(nStored) * nStride + c] = static_cast<std::uint8_t>(r * 16 + c);
        }
    }
    std::uint32_t Expected(int c, int r) const
    {
        const RgbQuad& q = bmi.bmiColors[(r * 16 + c) & 0xFF];
        return 0xFF000000u | (std::uint32_t(q.rgbRed) << 16) | (std::uint32_t(q.rgbGreen) << 8) | q.rgbBlue;
    }
    ColorRef Color(int c, int r) const { return ColorRefFromPixel(Expected(c, r)); }
    int nWidth, nHeight;
    BitmapInfo bmi;
    std::vector<std::uint8_t> bits;
};
