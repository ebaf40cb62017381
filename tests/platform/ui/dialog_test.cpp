// Dialogs, their units and fonts, the surface a viewer's drawing thread draws on, and whether a
// display will open at all.

#include "platform/ui/dialog_units.h"
#include "platform/ui/dib_render.h"
#include "platform/ui/draw_surface.h"
#include "test_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace
{
QScrollBar* WindowBar(Dialog& dlg, Qt::Orientation orientation)
{
    for (QScrollBar* p : dlg.Impl().Window()->findChildren<QScrollBar*>())
        if (p->orientation() == orientation && p->parentWidget() == dlg.Impl().Window())
            return p;
    return nullptr;
}

void SendMouse(QWidget* pWidget, QEvent::Type type, QPoint pt, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(pt), QPointF(pWidget->mapToGlobal(pt)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(pWidget, &e);
}
} // namespace

TEST(DialogUnits, ConvertWithTheFontsBaseUnitsRoundingToNearestAndMapFacesToInstalledFonts)
{
    // Base units 6 x 12: the main dialog's 255 x 474 units, a control at (7, 10, 160 x 14); halves round up.
    const Rect rc = DialogRectToPixels(Rect{7, 10, 167, 24}, 6, 12);
    EXPECT_EQ((std::vector<int>{DialogUnitsToPixelsX(255, 6), DialogUnitsToPixelsY(474, 12), rc.left, rc.top,
                                rc.right, rc.bottom, DialogFontPixelSize(9)}),
              (std::vector<int>{383, 711, 11, 15, 251, 36, 12}));
    // Japanese Gothic faces map to an installed font, proportional for proportional; unknown faces
    // to the system's.
    const QStringList families = QFontDatabase::families();
    if (families.contains(QStringLiteral("IPAPGothic")) && families.contains(QStringLiteral("IPAGothic")))
    {
        EXPECT_EQ(ResolveDialogFontFamily("MS UI Gothic") + " " + ResolveDialogFontFamily("MS Gothic"),
                  "IPAPGothic IPAGothic");
    }
    EXPECT_FALSE(ResolveDialogFontFamily("MS UI Gothic").empty());
    EXPECT_EQ(ResolveDialogFontFamily("No Such Face Anywhere"),
              QFontDatabase::systemFont(QFontDatabase::GeneralFont).family().toStdString());
}

TEST(Dialog, ModelessWindowLivesFromCreateUntilItsCancelDestroysItAndCanBeCreatedAgain)
{
    RecordingDialog dlg(MakeTemplate(120, 80, VIEWER_STYLE & ~(DLG_HSCROLL | DLG_VSCROLL)));
    EXPECT_FALSE(dlg.IsWindow());
    ASSERT_TRUE(dlg.Create(nullptr));
    EXPECT_FALSE(dlg.Create(nullptr)); // already there
    EXPECT_TRUE(dlg.IsWindowVisible());
    EXPECT_EQ(dlg.m_log.at(0), "init");
    // The client is sized in dialog units of the real font; a new size reaches OnSize, and the
    // client rectangle from any thread.
    EXPECT_EQ(dlg.GetClientRect().Width(), DialogUnitsToPixelsX(120, dlg.BaseUnitX()));
    EXPECT_EQ(dlg.GetClientRect().Height(), DialogUnitsToPixelsY(80, dlg.BaseUnitY()));
    UiApplication::PumpEvents(10);
    dlg.MoveWindow(0, 0, 321, 123);
    UiApplication::PumpEvents(10);
    EXPECT_EQ(dlg.m_log.back(), "size 0 321x123");
    std::atomic<int> nWidth{0};
    std::thread([&] { nWidth = dlg.GetClientRect().Width(); }).join();
    EXPECT_EQ(nWidth, 321);

    // Topmost re-creates the native window: it stays shown.
    dlg.SetWindowPos(ZOrder::TopMost, 0, 0);
    EXPECT_TRUE(dlg.IsTopMost() && dlg.IsWindowVisible());

    // The close box asks OnCancel, which decides.
    dlg.Impl().Window()->close();
    EXPECT_EQ(dlg.m_log.back(), "cancel");
    EXPECT_TRUE(dlg.IsWindow());
    dlg.m_bCancelDestroys = true;
    dlg.Impl().Window()->close();
    EXPECT_FALSE(dlg.IsWindow());

    UiApplication::PumpEvents();
    dlg.m_log.clear();
    ASSERT_TRUE(dlg.Create(nullptr));
    EXPECT_EQ(dlg.m_log.at(0), "init");
}

// A viewer's window: its scroll bars and the mouse in its client.
TEST(Dialog, WindowScrollBarsKeepThePositionInRangeAndMouseMessagesArriveInClientCoordinates)
{
    RecordingDialog dlg(MakeTemplate(200, 120, VIEWER_STYLE));
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.SetScrollInfo(SB_HORZ, 0, 960, 401, false);
    QScrollBar* pBar = WindowBar(dlg, Qt::Horizontal);
    ASSERT_NE(pBar, nullptr);
    EXPECT_TRUE(pBar->isVisibleTo(dlg.Impl().Window()));

    // Fit: maximum 0, page the client width: nothing to scroll, the bar goes, the position is 0.
    dlg.SetScrollPos(SB_VERT, 30, true);
    dlg.SetScrollInfo(SB_VERT, 0, 0, 300, false);
    EXPECT_EQ(dlg.GetScrollPos(SB_VERT), 0);
    EXPECT_FALSE(WindowBar(dlg, Qt::Vertical)->isVisibleTo(dlg.Impl().Window()));
    int nMin = -1, nMax = -1, nPage = -1;
    dlg.GetScrollInfo(SB_VERT, &nMin, &nMax, &nPage);
    EXPECT_EQ((std::vector<int>{nMin, nMax, nPage}), (std::vector<int>{0, 0, 1})); // page never above range

    // The right arrow: its code for the window's bar, then the end; the bar does not move by itself.
    dlg.SetScrollPos(SB_HORZ, 50, false);
    UiApplication::PumpEvents(20);
    const QPoint ptRightArrow(pBar->width() - 4, pBar->height() / 2);
    QTest::mouseClick(pBar, Qt::LeftButton, Qt::NoModifier, ptRightArrow);
    UiApplication::PumpEvents(20);
    EXPECT_EQ(dlg.ScrollCodes(), (std::vector<int>{SB_LINERIGHT, SB_ENDSCROLL}));
    EXPECT_EQ(dlg.m_scroll.at(0).nBar, WINDOW_SCROLL_BAR);
    EXPECT_EQ(pBar->value(), 50);

    // Readable from another thread without the user-interface thread.
    std::atomic<int> nSeen{-1};
    std::thread([&] { nSeen = dlg.GetScrollPos(SB_HORZ); }).join();
    EXPECT_EQ(nSeen, 50);

    // Mouse messages follow the capture.
    QWidget* pClient = dlg.Impl().Client();
    dlg.m_log.clear();
    SendMouse(pClient, QEvent::MouseButtonPress, QPoint(10, 20), Qt::LeftButton, Qt::LeftButton);
    dlg.SetCapture();
    EXPECT_TRUE(dlg.HasCapture());
    SendMouse(pClient, QEvent::MouseMove, QPoint(-7, -9), Qt::NoButton, Qt::LeftButton);
    SendMouse(pClient, QEvent::MouseButtonRelease, QPoint(-7, -9), Qt::LeftButton, Qt::NoButton);
    dlg.ReleaseCapture();
    EXPECT_FALSE(dlg.HasCapture());
    SendMouse(pClient, QEvent::MouseButtonDblClick, QPoint(3, 4), Qt::LeftButton, Qt::LeftButton);
    SendMouse(pClient, QEvent::MouseButtonPress, QPoint(5, 6), Qt::RightButton, Qt::RightButton);
    QWheelEvent wheel(QPointF(5, 5), QPointF(pClient->mapToGlobal(QPoint(5, 5))), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::ShiftModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(pClient, &wheel);
    const std::vector<std::string> expected = {"ldown 10,20", "move -7,-9", "lup -7,-9",
                                               "ldbl 3,4",    "rdown 5,6",  "wheel -120 shift"};
    EXPECT_EQ(dlg.m_log, expected);
    dlg.SetCursor(CursorShape::Cross);
    EXPECT_EQ(pClient->cursor().shape(), Qt::CrossCursor);
}

TEST(Dialog, TimersAndPostedCommandsRunLaterAndNotOnceTheWindowIsGone)
{
    const int ID_START = 1016;
    RecordingDialog dlg(MakeTemplate(100, 60, DLG_VISIBLE | DLG_CAPTION,
                                     {ControlTemplate{ID_START, ControlKind::PushButton, "Rec Start", 5, 5,
                                                      50, 14, CTL_TABSTOP | CTL_DISABLED}}));
    int nClicks = 0;
    dlg.MapClicked(ID_START, [&] { ++nClicks; });
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.m_bOneShot = true;
    ASSERT_TRUE(dlg.SetTimer(7, 1));
    ASSERT_TRUE(dlg.SetTimer(9, 1));
    UiApplication::PumpEvents(60);
    std::sort(dlg.m_timers.begin(), dlg.m_timers.end());
    EXPECT_EQ(dlg.m_timers, (std::vector<int>{7, 9})); // each ran once: its handler killed it

    // A command posted from another thread, as the frame handler does, is handled later as a click,
    // even on a disabled button.
    std::thread([&] { dlg.PostCommand(ID_START); }).join();
    EXPECT_EQ(nClicks, 0);
    UiApplication::PumpEvents(10);
    EXPECT_EQ(nClicks, 1);
    // Without a handler, IDCANCEL reaches OnCancel.
    dlg.PostCommand(IDCANCEL);
    UiApplication::PumpEvents(10);
    EXPECT_EQ(dlg.m_log.back(), "cancel");

    // Neither a timer nor a command outlives the window.
    dlg.m_timers.clear();
    dlg.SetTimer(4, 1);
    dlg.PostCommand(ID_START);
    dlg.DestroyWindow();
    UiApplication::PumpEvents(30);
    EXPECT_TRUE(dlg.m_timers.empty());
    EXPECT_EQ(nClicks, 1);
    EXPECT_FALSE(dlg.SetTimer(5, 1));
}

TEST(Dialog, ModalLoopReturnsTheEndDialogResultAndDisablesTheParent)
{
    RecordingDialog parent(MakeTemplate(60, 40, DLG_VISIBLE | DLG_CAPTION));
    ASSERT_TRUE(parent.Create(nullptr));
    RecordingDialog modal(MakeTemplate(60, 40, DLG_CAPTION));
    bool bParentEnabledInside = true;
    QTimer::singleShot(10,
                       [&]
                       {
                           bParentEnabledInside = parent.IsWindowEnabled();
                           modal.EndDialog(7);
                       });
    EXPECT_EQ(modal.DoModal(&parent), 7);
    EXPECT_FALSE(bParentEnabledInside);
    EXPECT_TRUE(parent.IsWindowEnabled());
    EXPECT_FALSE(modal.IsWindow());

    // Ended during its own initialisation: no loop at all.
    RecordingDialog quick(MakeTemplate(60, 40, DLG_CAPTION));
    quick.m_nEndInInit = IDCANCEL;
    EXPECT_EQ(quick.DoModal(), IDCANCEL);
}

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

// Whether the program will find a display, asked before the toolkit starts: the environments a
// user meets (no display, a dead X server, a Wayland socket that is not there) and the reason
// given for each. A live X server is met by the operator run on a virtual X server.
namespace
{
const char* const VARIABLES[] = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE",
                                 "XDG_RUNTIME_DIR"};

// Sets the display variables for one case (unset unless given); the saved ones are put back after.
void SetDisplayEnvironment(const std::map<std::string, std::optional<std::string>>& values)
{
    for (const char* pName : VARIABLES)
    {
        const auto it = values.find(pName);
        if (it != values.end() && it->second)
            setenv(pName, it->second->c_str(), 1);
        else
            unsetenv(pName);
    }
}
} // namespace

TEST(DisplayAvailable, SaysWhyNoDisplayWillOpen)
{
    const std::string strRuntime = "/nowhere/run";
    // Environment, then what the reason names; an empty reason: a display is available.
    const struct
    {
        std::map<std::string, std::optional<std::string>> env;
        std::string strWhy;
    } CASES[] = {
        {{}, "neither DISPLAY nor WAYLAND_DISPLAY is set"},
        {{{"QT_QPA_PLATFORM", "offscreen"}}, ""},
        {{{"DISPLAY", ":4711"}}, "no X server accepts a connection on DISPLAY \":4711\""},
        {{{"DISPLAY", "no display at all"}}, "DISPLAY \"no display at all\" is not a display name"},
        {{{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "wayland-0"}}, "DISPLAY is not set"},
        {{{"WAYLAND_DISPLAY", "/nowhere/wayland-9"}},
         "no Wayland compositor listens at \"/nowhere/wayland-9\"; DISPLAY is not set"},
        {{{"WAYLAND_DISPLAY", "wayland-9"}, {"XDG_RUNTIME_DIR", strRuntime}},
         "no Wayland compositor listens at \"" + strRuntime + "/wayland-9\"; DISPLAY is not set"},
        {{{"WAYLAND_DISPLAY", "wayland-9"}},
         "XDG_RUNTIME_DIR is not set, so the Wayland socket \"wayland-9\""},
        {{{"QT_QPA_PLATFORM", "wayland:option;xcb"}, {"DISPLAY", ":4711"}, {"XDG_RUNTIME_DIR", strRuntime}},
         "no Wayland compositor listens at \"" + strRuntime + "/wayland-0\"; no X server"},
    };
    std::map<std::string, std::optional<std::string>> saved;
    for (const char* pName : VARIABLES)
        saved[pName] =
            std::getenv(pName) != nullptr ? std::optional<std::string>(std::getenv(pName)) : std::nullopt;
    for (const auto& c : CASES)
    {
        SetDisplayEnvironment(c.env);
        std::string strWhy = "left over";
        const bool bAvailable = UiApplication::DisplayAvailable(&strWhy);
        EXPECT_EQ(bAvailable, c.strWhy.empty()) << c.strWhy;
        // Available: no reason at all; else the reason begins with the one expected.
        EXPECT_EQ(bAvailable ? strWhy : strWhy.substr(0, c.strWhy.size()), c.strWhy);
    }
    SetDisplayEnvironment(saved);
}
