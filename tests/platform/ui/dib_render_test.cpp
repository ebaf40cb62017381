#include "platform/ui/dib_render.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace
{
constexpr std::uint32_t SENTINEL = 0xFF123456u;

struct Canvas
{
    Canvas(int w, int h) : nWidth(w), nHeight(h), pixels(static_cast<std::size_t>(w) * h, SENTINEL) {}
    PixelTarget Target() { return PixelTarget{pixels.data(), nWidth, nHeight, nWidth}; }
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * nWidth + x]; }
    int nWidth, nHeight;
    std::vector<std::uint32_t> pixels;
};

// An 8-bit picture whose sample at (column c, row r from the top) is r * 16 + c, stored bottom-up
// or top-down, with a palette that makes every sample a distinct colour.
struct Picture8
{
    Picture8(int w, int h, bool bTopDown) : nWidth(w), nHeight(h)
    {
        bmi.bmiHeader.biWidth = w;
        bmi.bmiHeader.biHeight = bTopDown ? -h : h;
        bmi.bmiHeader.biBitCount = 8;
        for (int i = 0; i < 256; ++i)
            bmi.bmiColors[i] = RgbQuad{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 7, 0};
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
        const RgbQuad& q = bmi.bmiColors[r * 16 + c];
        return 0xFF000000u | (std::uint32_t(q.rgbRed) << 16) | (std::uint32_t(q.rgbGreen) << 8) | q.rgbBlue;
    }
    int nWidth, nHeight;
    BitmapInfo bmi;
    std::vector<std::uint8_t> bits;
};
} // namespace

TEST(DibRender, UnscaledBlitShowsTheScrolledPictureAndLeavesTheRestAlone)
{
    // A 5 x 4 picture (rows padded to 8 bytes) scrolled by (2, 1), as a viewer draws it: destination
    // (0, 0), the picture's full size, source origin (hpos, -vpos).
    for (bool bTopDown : {false, true})
    {
        SCOPED_TRACE(bTopDown ? "top-down" : "bottom-up");
        const Picture8 pic(5, 4, bTopDown);
        Canvas canvas(7, 6);
        const int nHpos = 2, nVpos = 1;
        BlitDib(canvas.Target(), 0, 0, pic.nWidth, pic.nHeight, nHpos, -nVpos, pic.bmi, pic.bits.data());
        for (int y = 0; y < canvas.nHeight; ++y)
            for (int x = 0; x < canvas.nWidth; ++x)
            {
                const int c = x + nHpos, r = y + nVpos;
                const bool bInside = x < pic.nWidth && y < pic.nHeight && c < pic.nWidth && r < pic.nHeight;
                EXPECT_EQ(canvas.At(x, y), bInside ? pic.Expected(c, r) : SENTINEL) << x << "," << y;
            }
    }
}

TEST(DibRender, BlitClipsAtEveryEdgeOfTheDestination)
{
    const Picture8 pic(4, 4, false);
    Canvas canvas(3, 3);
    BlitDib(canvas.Target(), -1, -2, 4, 4, 0, 0, pic.bmi, pic.bits.data());
    EXPECT_EQ(canvas.At(0, 0), pic.Expected(1, 2));
    EXPECT_EQ(canvas.At(2, 1), pic.Expected(3, 3));
    EXPECT_EQ(canvas.At(0, 2), SENTINEL); // below the picture
}

TEST(DibRender, TwentyFourBitRowsArePaddedAndReadBlueGreenRed)
{
    // 3 pixels a row: 9 bytes padded to 12.
    BitmapInfo bmi;
    bmi.bmiHeader.biWidth = 3;
    bmi.bmiHeader.biHeight = 2;
    bmi.bmiHeader.biBitCount = 24;
    std::vector<std::uint8_t> bits(24, 0);
    // Bottom row (stored first): pixel 2 is blue 1, green 2, red 3. Top row: pixel 0 is 9, 8, 7.
    bits[6] = 1, bits[7] = 2, bits[8] = 3;
    bits[12] = 9, bits[13] = 8, bits[14] = 7;
    Canvas canvas(3, 2);
    BlitDib(canvas.Target(), 0, 0, 3, 2, 0, 0, bmi, bits.data());
    EXPECT_EQ(canvas.At(2, 1), 0xFF030201u);
    EXPECT_EQ(canvas.At(0, 0), 0xFF070809u);
    EXPECT_EQ(ColorRefFromPixel(canvas.At(2, 1)), 0x00010203u);
}

TEST(DibRender, StretchRepeatsAndDropsWholePixels)
{
    const Picture8 pic(2, 2, false);
    Canvas canvas(5, 5);
    StretchDib(canvas.Target(), 0, 0, 4, 4, 0, 0, 2, 2, pic.bmi, pic.bits.data());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(canvas.At(x, y), pic.Expected(x / 2, y / 2)) << x << "," << y;
    EXPECT_EQ(canvas.At(4, 0), SENTINEL);
    EXPECT_EQ(canvas.At(0, 4), SENTINEL);

    // Shrinking keeps every second column and row, starting with the first.
    const Picture8 big(8, 6, true);
    Canvas small(4, 3);
    StretchDib(small.Target(), 0, 0, 4, 3, 0, 0, 8, 6, big.bmi, big.bits.data());
    EXPECT_EQ(small.At(1, 1), big.Expected(2, 2));
    EXPECT_EQ(small.At(3, 2), big.Expected(6, 4));
}

TEST(DibRender, FitSizedStretchCoversExactlyItsRectangle)
{
    // The viewer's fitted sizes for a 960 x 1284 picture.
    std::vector<std::uint8_t> bits(960 * 1284, 200);
    BitmapInfo bmi;
    bmi.bmiHeader.biWidth = 960;
    bmi.bmiHeader.biHeight = 1284;
    for (int i = 0; i < 256; ++i)
        bmi.bmiColors[i] = RgbQuad{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), 0};
    struct Case
    {
        int dw, dh;
    };
    for (const Case& c : {Case{480, 642}, Case{518, 693}})
    {
        Canvas canvas(c.dw + 3, c.dh + 3);
        StretchDib(canvas.Target(), 0, 0, c.dw, c.dh, 0, 0, 960, 1284, bmi, bits.data());
        EXPECT_EQ(canvas.At(c.dw - 1, c.dh - 1), 0xFFC8C8C8u);
        EXPECT_EQ(canvas.At(c.dw, c.dh - 1), SENTINEL);
        EXPECT_EQ(canvas.At(c.dw - 1, c.dh), SENTINEL);
    }
}

TEST(DibRender, EmptyOrUnsupportedPicturesDrawNothing)
{
    Picture8 pic(4, 4, false);
    Canvas canvas(4, 4);
    pic.bmi.bmiHeader.biWidth = 0;
    BlitDib(canvas.Target(), 0, 0, 4, 4, 0, 0, pic.bmi, pic.bits.data());
    StretchDib(canvas.Target(), 0, 0, 4, 4, 0, 0, 4, 4, pic.bmi, pic.bits.data());
    pic.bmi.bmiHeader.biWidth = 4;
    pic.bmi.bmiHeader.biBitCount = 16;
    BlitDib(canvas.Target(), 0, 0, 4, 4, 0, 0, pic.bmi, pic.bits.data());
    for (std::uint32_t p : canvas.pixels)
        EXPECT_EQ(p, SENTINEL);
}

TEST(DibRender, LinesStopBeforeTheirEndAndDotsAlternateByThree)
{
    Canvas canvas(12, 6);
    DrawLine(canvas.Target(), Point{0, 0}, Point{10, 0}, Pen{PenStyle::Solid, 1, Rgb(255, 0, 0)});
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(canvas.At(x, 0), 0xFFFF0000u) << x;
    EXPECT_EQ(canvas.At(10, 0), SENTINEL);

    DrawLine(canvas.Target(), Point{0, 2}, Point{11, 2}, Pen{PenStyle::Dot, 1, Rgb(0, 0, 0)});
    const char* pExpected = "xxx...xxx..";
    for (int x = 0; x < 11; ++x)
        EXPECT_EQ(canvas.At(x, 2) == 0xFF000000u, pExpected[x] == 'x') << x;

    // A pen 3 wide covers the columns either side of a vertical line; styles apply to width 1 only.
    DrawLine(canvas.Target(), Point{5, 3}, Point{5, 6}, Pen{PenStyle::Dot, 3, Rgb(0, 255, 0)});
    for (int y = 3; y < 6; ++y)
        for (int x = 3; x < 8; ++x)
            EXPECT_EQ(canvas.At(x, y) == 0xFF00FF00u, x >= 4 && x <= 6) << x << "," << y;
}
