#include "platform/ui/draw_surface.h"
#include "test_dialog.h"
#include "test_picture.h"

#include <gtest/gtest.h>

#include <QImage>

#include <functional>
#include <thread>

namespace
{
// Draws one picture on the surface from a thread of its own, as a viewer's drawing thread does.
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

TEST(DrawSurface, DrawingThreadDrawsIntoABackBufferTheSizeOfTheClient)
{
    RecordingDialog dlg(MakeTemplate(120, 80, DLG_VISIBLE | DLG_CAPTION | DLG_THICKFRAME));
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
                       surface.SelectPen(PenStyle::Solid, 1, Rgb(255, 0, 0));
                       surface.MoveTo(50, 0);
                       surface.LineTo(50, 30);
                       surface.Release();
                       surface.SelectPen(PenStyle::Dot, 1, Rgb(0, 0, 0));
                       surface.MoveTo(60, 5);
                       surface.LineTo(70, 5);
                   });
    EXPECT_EQ(surface.BufferWidth(), 200);
    EXPECT_EQ(surface.BufferHeight(), 100);
    EXPECT_EQ(surface.PublishedCount(), 1); // the inner release publishes nothing
    EXPECT_EQ(surface.GetPixel(0, 0), pic.Color(3, 2));
    EXPECT_EQ(surface.GetPixel(16, 7), pic.Color(19, 9));
    const ColorRef background = surface.GetPixel(150, 80);
    EXPECT_EQ(surface.GetPixel(17, 0), background); // beyond the picture's last column
    EXPECT_EQ(surface.GetPixel(0, 8), background);  // below its last row
    EXPECT_EQ(surface.GetPixel(50, 29), Rgb(255, 0, 0));
    EXPECT_EQ(surface.GetPixel(50, 30), background);
    EXPECT_EQ(surface.GetPixel(62, 5), Rgb(0, 0, 0));
    EXPECT_EQ(surface.GetPixel(63, 5), background);
    EXPECT_EQ(surface.GetPixel(-1, 0), DrawSurface::INVALID_COLOR);

    // The next picture keeps what this one left outside its own drawing.
    DrawFromThread(surface, [&] { surface.FillRect(Rect{0, 0, 5, 5}, Rgb(1, 2, 3)); });
    EXPECT_EQ(surface.GetPixel(4, 4), Rgb(1, 2, 3));
    EXPECT_EQ(surface.GetPixel(16, 7), pic.Color(19, 9));

    // An erase asked for by the window clears the buffer at the next Acquire.
    dlg.RedrawWindow();
    DrawFromThread(surface, [] {});
    EXPECT_EQ(surface.GetPixel(4, 4), background);
}

TEST(DrawSurface, ShowingCoalescesTheDrawingThreadNeverWaitsForTheWindowAndOutlivesIt)
{
    RecordingDialog dlg(MakeTemplate(120, 80, VIEWER_STYLE));
    ASSERT_TRUE(dlg.Create(nullptr));
    UiApplication::PumpEvents(10);
    DrawSurface& surface = dlg.GetDrawSurface();
    const Picture8 pic(20, 10);
    const int nPasses = 3000;
    // The user-interface thread is not running its loop while the passes are made: they must still
    // all finish.
    std::thread(
        [&]
        {
            for (int i = 0; i < nPasses; ++i)
            {
                surface.Acquire();
                surface.BlitBitmap(0, 0, 20, 10, 0, 0, pic.bmi, pic.bits.data());
                surface.FillRect(Rect{30, 0, 31, 1}, Rgb(i & 0xFF, 0, 0));
                surface.Release();
            }
        })
        .join();
    EXPECT_EQ(surface.PublishedCount(), nPasses);
    UiApplication::PumpEvents(100);
    EXPECT_GE(surface.ShownCount(), 1);
    EXPECT_LE(surface.ShownCount(), 3);
    // The window shows the last picture.
    const QImage shown = dlg.Impl().Client()->grab().toImage();
    EXPECT_EQ(qRed(shown.pixel(30, 0)), (nPasses - 1) & 0xFF);

    // Drawing after the window is gone is harmless and shows nothing.
    const int nShown = surface.ShownCount();
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
    EXPECT_EQ(surface.ShownCount(), nShown);
}
