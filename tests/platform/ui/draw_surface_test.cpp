// The surface a viewer's drawing thread draws a picture on.

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
// An 8-bit bottom-up picture whose sample at (column c, row r from the top) is the low byte of
// r * 16 + c, with padded rows and a palette that makes every sample a distinct colour.
struct Picture8
{
    Picture8(int w, int h)
    {
        bmi.bmiHeader.biWidth = w;
        bmi.bmiHeader.biHeight = h;
        bmi.bmiHeader.biBitCount = 8;
        for (int i = 0; i < 256; ++i)
            bmi.bmiColors[i] =
                RgbQuad{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 7, 0};
        const int nStride = BitmapStride(w, 8);
        bits.assign(static_cast<std::size_t>(nStride) * h, 0xEE);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c)
                bits[static_cast<std::size_t>(h - 1 - r) * nStride + c] =
                    static_cast<std::uint8_t>(r * 16 + c);
    }
    ColorRef Color(int c, int r) const
    {
        const RgbQuad& q = bmi.bmiColors[(r * 16 + c) & 0xFF];
        return Rgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
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
