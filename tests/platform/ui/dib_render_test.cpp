#include "test_picture.h"

#include <gtest/gtest.h>

TEST(DibRender, UnscaledBlitShowsTheScrolledPictureClipsAtEveryEdgeAndLeavesTheRestAlone)
{
    // A 5 x 4 picture (rows padded to 8 bytes) on a 7 x 6 canvas. A viewer scrolled by (h, v) draws at
    // (0, 0) with the picture's full size and the source origin (h, -v).
    struct Case
    {
        bool bTopDown;
        int xDest, yDest, xSrc, ySrc;
    };
    for (const Case& c : {Case{false, 0, 0, 2, -1}, Case{true, 0, 0, 2, -1}, Case{false, -1, -2, 0, 0},
                          Case{true, 4, 3, 0, 0}, Case{false, 1, 1, -1, 1}})
    {
        SCOPED_TRACE(testing::Message()
                     << c.bTopDown << " " << c.xDest << "," << c.yDest << " " << c.xSrc << "," << c.ySrc);
        const Picture8 pic(5, 4, c.bTopDown);
        Canvas canvas(7, 6);
        BlitDib(canvas.Target(), c.xDest, c.yDest, 5, 4, c.xSrc, c.ySrc, pic.bmi, pic.bits.data());
        for (int y = 0; y < canvas.nHeight; ++y)
            for (int x = 0; x < canvas.nWidth; ++x)
            {
                const int col = x - c.xDest + c.xSrc, row = y - c.yDest - c.ySrc;
                const bool bInside = x >= c.xDest && x < c.xDest + 5 && y >= c.yDest && y < c.yDest + 4 &&
                                     col >= 0 && col < 5 && row >= 0 && row < 4;
                EXPECT_EQ(canvas.At(x, y), bInside ? pic.Expected(col, row) : SENTINEL) << x << "," << y;
            }
    }
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

TEST(DibRender, StretchTakesTheNearestLowerPixelAndCoversExactlyItsRectangle)
{
    // Enlarging repeats whole pixels, shrinking drops them; the last two are a viewer's fitted sizes
    // for a 960 x 1284 picture.
    struct Case
    {
        int sw, sh;
        bool bTopDown;
        int dw, dh;
    };
    for (const Case& c : {Case{2, 2, false, 4, 4}, Case{8, 6, true, 4, 3}, Case{960, 1284, false, 480, 642},
                          Case{960, 1284, false, 518, 693}})
    {
        SCOPED_TRACE(testing::Message() << c.dw << "x" << c.dh);
        const Picture8 pic(c.sw, c.sh, c.bTopDown);
        Canvas canvas(c.dw + 1, c.dh + 1);
        StretchDib(canvas.Target(), 0, 0, c.dw, c.dh, 0, 0, c.sw, c.sh, pic.bmi, pic.bits.data());
        int nWrong = 0;
        for (int y = 0; y <= c.dh; ++y)
            for (int x = 0; x <= c.dw; ++x)
            {
                const bool bInside = x < c.dw && y < c.dh;
                nWrong +=
                    canvas.At(x, y) != (bInside ? pic.Expected(x * c.sw / c.dw, y * c.sh / c.dh) : SENTINEL);
            }
        EXPECT_EQ(nWrong, 0);
    }
}

TEST(DibRender, EmptyOrUnsupportedPicturesDrawNothing)
{
    Picture8 pic(4, 4);
    Canvas canvas(4, 4);
    pic.bmi.bmiHeader.biWidth = 0;
    BlitDib(canvas.Target(), 0, 0, 4, 4, 0, 0, pic.bmi, pic.bits.data());
    StretchDib(canvas.Target(), 0, 0, 4, 4, 0, 0, 4, 4, pic.bmi, pic.bits.data());
    pic.bmi.bmiHeader.biWidth = 4;
    pic.bmi.bmiHeader.biBitCount = 16;
    BlitDib(canvas.Target(), 0, 0, 4, 4, 0, 0, pic.bmi, pic.bits.data());
    EXPECT_EQ(canvas.pixels, Canvas(4, 4).pixels);
}

TEST(DibRender, LinesStopBeforeTheirEndAndDotsAlternateByThree)
{
    Canvas canvas(12, 7);
    DrawLine(canvas.Target(), Point{0, 0}, Point{10, 0}, Pen{PenStyle::Solid, 1, Rgb(255, 0, 0)});
    DrawLine(canvas.Target(), Point{0, 2}, Point{11, 2}, Pen{PenStyle::Dot, 1, Rgb(0, 0, 0)});
    // A pen 3 wide covers the columns either side of a vertical line; styles apply to width 1 only.
    // Its ends ('?') are not checked.
    DrawLine(canvas.Target(), Point{5, 4}, Point{5, 6}, Pen{PenStyle::Dot, 3, Rgb(0, 255, 0)});
    const char* pExpected[] = {"rrrrrrrrrr..", "............", "kkk...kkk...", "....???.....",
                               "....ggg.....", "....ggg.....", "....???....."};
    for (int y = 0; y < canvas.nHeight; ++y)
        for (int x = 0; x < canvas.nWidth; ++x)
        {
            const char ch = pExpected[y][x];
            const std::uint32_t expected = ch == 'r'   ? 0xFFFF0000u
                                           : ch == 'k' ? 0xFF000000u
                                           : ch == 'g' ? 0xFF00FF00u
                                                       : SENTINEL;
            if (ch != '?')
            {
                EXPECT_EQ(canvas.At(x, y), expected) << x << "," << y;
            }
        }
}
