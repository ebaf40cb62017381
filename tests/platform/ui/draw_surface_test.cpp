// Drawing a picture: the pixel operations alone, then the surface a viewer's drawing thread draws on.

#include "platform/ui/dib_render.h"
#include "platform/ui/draw_surface.h"
#include "test_dialog.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cstdint>
#include <functional>
#include <thread>
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

// An 8-bit picture whose sample at (column c, row r from the top) is the low byte of r * 16 + c, stored
// bottom-up or top-down with padded rows, and a palette that makes every sample a distinct colour.
struct Picture8
{
    Picture8(int w, int h, bool bTopDown = false)
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
    BitmapInfo bmi;
    std::vector<std::uint8_t> bits;
};

// Draws on the surface from a thread of its own, as a viewer's drawing thread does.
void DrawFromThread(DrawSurface& surface, const std::function<void()>& draw)
{
    std::thread(
        [&]
        {
            surface.Acquire();
            draw();
            surface.Release();
        })
        .join();
}
} // namespace

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

TEST(DrawSurface, DrawingThreadDrawsIntoABackBufferTheWindowShowsCoalescedAndOutlivesTheWindow)
{
    RecordingDialog dlg(MakeTemplate(120, 80, VIEWER_STYLE));
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.MoveWindow(0, 0, 200, 100);
    UiApplication::PumpEvents(10);
    DrawSurface& surface = dlg.GetDrawSurface();
    const Picture8 pic(20, 10);
    DrawFromThread(surface,
                   [&]
                   {
                       surface.BlitBitmap(0, 0, 20, 10, 3, -2, pic.bmi,
                                          pic.bits.data()); // scrolled by (3, 2)
                       EXPECT_TRUE(surface.Acquire());      // a second surface inside the first
                       surface.Release();
                   });
    const int nWidth = surface.BufferWidth();
    EXPECT_EQ(surface.PublishedCount(), 1); // the inner release publishes nothing
    EXPECT_EQ(surface.GetPixel(0, 0), pic.Color(3, 2));
    EXPECT_EQ(surface.GetPixel(16, 7), pic.Color(19, 9));
    const ColorRef background = surface.GetPixel(nWidth - 1, 0);
    EXPECT_EQ(surface.GetPixel(17, 0), background); // beyond the picture's last column
    EXPECT_EQ(surface.GetPixel(0, 8), background);  // below its last row
    EXPECT_EQ(surface.GetPixel(-1, 0), DrawSurface::INVALID_COLOR);

    // The next picture keeps what this one left outside its own drawing; an erase asked for by
    // the window clears the buffer at the next Acquire.
    DrawFromThread(surface, [&] { surface.FillRect(Rect{0, 0, 5, 5}, Rgb(1, 2, 3)); });
    EXPECT_EQ(surface.GetPixel(4, 4), Rgb(1, 2, 3));
    EXPECT_EQ(surface.GetPixel(16, 7), pic.Color(19, 9));
    dlg.RedrawWindow();
    DrawFromThread(surface, [] {});
    EXPECT_EQ(surface.GetPixel(4, 4), background);

    // Many passes while the user-interface thread runs no loop all finish, and are shown at most
    // a few times, the last one last.
    const int nPublished = surface.PublishedCount(), nShown = surface.ShownCount(), nPasses = 3000;
    std::thread(
        [&]
        {
            for (int i = 0; i < nPasses; ++i)
            {
                surface.Acquire();
                surface.FillRect(Rect{30, 0, 31, 1}, Rgb(i & 0xFF, 0, 0));
                surface.Release();
            }
        })
        .join();
    EXPECT_EQ(surface.PublishedCount() - nPublished, nPasses);
    UiApplication::PumpEvents(100);
    EXPECT_GE(surface.ShownCount() - nShown, 1);
    EXPECT_LE(surface.ShownCount() - nShown, 3);
    EXPECT_EQ(qRed(dlg.Impl().Client()->grab().toImage().pixel(30, 0)), (nPasses - 1) & 0xFF);

    // Drawing after the window is gone is harmless and shows nothing.
    const int nShownBefore = surface.ShownCount();
    dlg.DestroyWindow();
    std::thread(
        [&]
        {
            EXPECT_FALSE(surface.Acquire());
            surface.BlitBitmap(0, 0, 20, 10, 0, 0, pic.bmi, pic.bits.data());
            surface.Release();
        })
        .join();
    UiApplication::PumpEvents(20);
    EXPECT_EQ(surface.ShownCount(), nShownBefore);
}
