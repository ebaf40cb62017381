#include "test_picture.h"

#include <gtest/gtest.h>

TEST(DibRender, BlitShowsTheScrolledPictureClipsAtEveryEdgeAndLeavesTheRestAlone)
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

    // An empty or unsupported picture draws nothing.
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
