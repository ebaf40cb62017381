#include "platform/ui/dialog_impl.h"
#include "platform/ui/draw_surface.h"
#include "test_dialog.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>

#include <thread>
#include <vector>

namespace
{
constexpr unsigned VIEWER_STYLE = DLG_VISIBLE | DLG_CAPTION | DLG_SYSMENU | DLG_THICKFRAME;

// A grey-ramp 8-bit picture, bottom-up, whose sample is (row from top) * 10 + column.
struct GreyPicture
{
    GreyPicture(int w, int h)
    {
        bmi.bmiHeader.biWidth = w;
        bmi.bmiHeader.biHeight = h;
        for (int i = 0; i < 256; ++i)
            bmi.bmiColors[i] = RgbQuad{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), 0};
        const int nStride = BitmapStride(w, 8);
        bits.assign(static_cast<std::size_t>(nStride) * h, 0);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c)
                bits[static_cast<std::size_t>(h - 1 - r) * nStride + c] = static_cast<std::uint8_t>(r * 10 + c);
    }
    static ColorRef Grey(int n) { return Rgb(n, n, n); }
    BitmapInfo bmi;
    std::vector<std::uint8_t> bits;
};
} // namespace

TEST(DrawSurface, DrawingThreadDrawsIntoABackBufferTheSizeOfTheClient)
{
    RecordingDialog dlg(MakeTemplate(120, 80, VIEWER_STYLE));
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.MoveWindow(0, 0, 200, 100);
    UiApplication::PumpEvents(10);
    DrawSurface& surface = dlg.GetDrawSurface();
    const GreyPicture pic(20, 10);

    std::thread([&] {
        ASSERT_TRUE(surface.Acquire());
        surface.BlitBitmap(0, 0, 20, 10, 3, -2, pic.bmi, pic.bits.data()); // scrolled by (3, 2)
        ASSERT_TRUE(surface.Acquire()); // a second surface inside the first
        surface.SelectPen(PenStyle::Solid, 1, Rgb(255, 0, 0));
        surface.MoveTo(50, 0);
        surface.LineTo(50, 30);
        surface.Release();
        surface.SelectPen(PenStyle::Dot, 1, Rgb(0, 0, 0));
        surface.MoveTo(60, 5);
        surface.LineTo(70, 5);
        surface.Release();
    }).join();

    EXPECT_EQ(surface.BufferWidth(), 200);
    EXPECT_EQ(surface.BufferHeight(), 100);
    EXPECT_EQ(surface.PublishedCount(), 1); // the inner release publishes nothing
    EXPECT_EQ(surface.GetPixel(0, 0), GreyPicture::Grey(2 * 10 + 3));
    EXPECT_EQ(surface.GetPixel(16, 7), GreyPicture::Grey(9 * 10 + 19));
    const ColorRef background = surface.GetPixel(150, 80);
    EXPECT_EQ(surface.GetPixel(17, 0), background); // beyond the picture's last column
    EXPECT_EQ(surface.GetPixel(0, 8), background);  // below its last row
    EXPECT_EQ(surface.GetPixel(50, 29), Rgb(255, 0, 0));
    EXPECT_EQ(surface.GetPixel(50, 30), background);
    EXPECT_EQ(surface.GetPixel(62, 5), Rgb(0, 0, 0));
    EXPECT_EQ(surface.GetPixel(63, 5), background);
    EXPECT_EQ(surface.GetPixel(-1, 0), DrawSurface::INVALID_COLOR);

    // The next picture keeps what this one left outside its own drawing.
    std::thread([&] {
        surface.Acquire();
        surface.FillRect(Rect{0, 0, 5, 5}, Rgb(1, 2, 3));
        surface.Release();
    }).join();
    EXPECT_EQ(surface.GetPixel(4, 4), Rgb(1, 2, 3));
    EXPECT_EQ(surface.GetPixel(16, 7), GreyPicture::Grey(9 * 10 + 19));

    // An erase asked for by the window clears the buffer at the next Acquire.
    dlg.RedrawWindow();
    std::thread([&] {
        surface.Acquire();
        surface.Release();
    }).join();
    EXPECT_EQ(surface.GetPixel(4, 4), background);
}

TEST(DrawSurface, ShowingCoalescesAndTheDrawingThreadNeverWaitsForTheWindow)
{
    RecordingDialog dlg(MakeTemplate(120, 80, VIEWER_STYLE));
    ASSERT_TRUE(dlg.Create(nullptr));
    UiApplication::PumpEvents(10);
    DrawSurface& surface = dlg.GetDrawSurface();
    const GreyPicture pic(20, 10);
    const int nPasses = 3000;
    // The user-interface thread is not running its loop while the passes are made: they must still
    // all finish.
    std::thread([&] {
        for (int i = 0; i < nPasses; ++i)
        {
            surface.Acquire();
            surface.BlitBitmap(0, 0, 20, 10, 0, 0, pic.bmi, pic.bits.data());
            surface.FillRect(Rect{30, 0, 31, 1}, Rgb(i & 0xFF, 0, 0));
            surface.Release();
        }
    }).join();
    EXPECT_EQ(surface.PublishedCount(), nPasses);
    UiApplication::PumpEvents(100);
    EXPECT_GE(surface.ShownCount(), 1);
    EXPECT_LE(surface.ShownCount(), 3);
    // The window shows the last picture.
    const QImage shown = dlg.Impl().Client()->grab().toImage();
    EXPECT_EQ(qRed(shown.pixel(30, 0)), (nPasses - 1) & 0xFF);
}

TEST(DrawSurface, DrawingAfterTheWindowIsGoneIsHarmless)
{
    RecordingDialog dlg(MakeTemplate(60, 40, VIEWER_STYLE));
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.DestroyWindow();
    DrawSurface& surface = dlg.GetDrawSurface();
    const GreyPicture pic(4, 4);
    std::thread([&] {
        EXPECT_FALSE(surface.Acquire());
        surface.BlitBitmap(0, 0, 4, 4, 0, 0, pic.bmi, pic.bits.data());
        surface.Release();
    }).join();
    UiApplication::PumpEvents(20);
    EXPECT_EQ(surface.ShownCount(), 0);
}
