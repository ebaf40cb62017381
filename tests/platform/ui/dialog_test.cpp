// Dialogs, their units and fonts, the surface a viewer's drawing thread draws on, and whether a
// display will open at all.

#include "platform/ui/dialog_units.h"
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
#include <cstdlib>
#include <thread>

namespace
{
QScrollBar* WindowBar(Dialog& dlg, Qt::Orientation orientation)
{
    for (QScrollBar* p : dlg.Impl().Window()->findChildren<QScrollBar*>())
        if (p->orientation() == orientation && p->parentWidget() == dlg.Impl().Window())
            return p;
    return nullptr;
}
} // namespace

TEST(Dialog, UnitsFollowTheFontAndAModelessWindowLivesFromCreateAndAsksOnCancelAtTheCloseBox)
{
    // Base units 6 x 12: the main dialog's 255 x 474 units, a control at (7, 10, 160 x 14); halves round up.
    const Rect rc = DialogRectToPixels(Rect{7, 10, 167, 24}, 6, 12);
    EXPECT_EQ((std::vector<int>{DialogUnitsToPixelsX(255, 6), DialogUnitsToPixelsY(474, 12), rc.left, rc.top,
                                rc.right, rc.bottom, DialogFontPixelSize(9)}),
              (std::vector<int>{383, 711, 11, 15, 251, 36, 12}));
    // Gothic faces map to an installed font, proportional for proportional; unknown ones to the system's.
    const QStringList families = QFontDatabase::families();
    if (families.contains(QStringLiteral("IPAPGothic")) && families.contains(QStringLiteral("IPAGothic")))
    {
        EXPECT_EQ(ResolveDialogFontFamily("MS UI Gothic") + " " + ResolveDialogFontFamily("MS Gothic"),
                  "IPAPGothic IPAGothic");
    }
    EXPECT_EQ(ResolveDialogFontFamily("No Such Face Anywhere"),
              QFontDatabase::systemFont(QFontDatabase::GeneralFont).family().toStdString());
    // The client is sized in dialog units of the real font; a new size reaches OnSize.
    RecordingDialog dlg(MakeTemplate(120, 80, DLG_VISIBLE | DLG_CAPTION | DLG_SYSMENU | DLG_THICKFRAME));
    ASSERT_TRUE(dlg.Create(nullptr));
    EXPECT_FALSE(dlg.Create(nullptr)); // already there
    EXPECT_EQ(
        std::pair(dlg.GetClientRect().Width(), dlg.GetClientRect().Height()),
        std::pair(DialogUnitsToPixelsX(120, dlg.BaseUnitX()), DialogUnitsToPixelsY(80, dlg.BaseUnitY())));
    UiApplication::PumpEvents(10);
    dlg.MoveWindow(0, 0, 321, 123);
    UiApplication::PumpEvents(10);
    EXPECT_EQ(dlg.m_log.back(), "size 0 321,123");
    // Topmost re-creates the native window: it stays shown. The close box asks OnCancel, which decides.
    dlg.SetWindowPos(ZOrder::TopMost, 0, 0);
    EXPECT_TRUE(dlg.IsTopMost() && dlg.IsWindowVisible());
    dlg.Impl().Window()->close();
    EXPECT_TRUE(dlg.m_log.back() == "cancel" && dlg.IsWindowVisible());
}

// A viewer's window: its scroll bars, the mouse in its client, the surface its drawing thread draws on.
TEST(Dialog, ViewerWindowKeepsScrollPositionsInRangeGivesClientMouseAndADrawingSurfaceThatOutlivesIt)
{
    RecordingDialog dlg(
        MakeTemplate(200, 120, DLG_VISIBLE | DLG_CAPTION | DLG_THICKFRAME | DLG_HSCROLL | DLG_VSCROLL));
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.SetScrollInfo(SB_HORZ, 0, 960, 401, false);
    QScrollBar* pBar = WindowBar(dlg, Qt::Horizontal);
    ASSERT_TRUE(pBar != nullptr && pBar->isVisibleTo(dlg.Impl().Window()));
    // Fit: maximum 0, page the client width: nothing to scroll, the bar goes, the position is 0, and
    // the page is never above the range.
    dlg.SetScrollPos(SB_VERT, 30, true);
    dlg.SetScrollInfo(SB_VERT, 0, 0, 300, false);
    int nMin = -1, nMax = -1, nPage = -1;
    dlg.GetScrollInfo(SB_VERT, &nMin, &nMax, &nPage);
    EXPECT_EQ((std::vector<int>{dlg.GetScrollPos(SB_VERT), nMin, nMax, nPage,
                                WindowBar(dlg, Qt::Vertical)->isVisibleTo(dlg.Impl().Window())}),
              (std::vector<int>{0, 0, 0, 1, false}));
    // The right arrow: its code for the window's bar, then the end; the bar moves only when told. The
    // position is read from another thread without the user-interface thread.
    dlg.SetScrollPos(SB_HORZ, 50, false);
    UiApplication::PumpEvents(20);
    QTest::mouseClick(pBar, Qt::LeftButton, Qt::NoModifier, QPoint(pBar->width() - 4, pBar->height() / 2));
    UiApplication::PumpEvents(20);
    EXPECT_EQ(std::tuple(dlg.m_scrollCodes, dlg.m_scroll.at(0).nBar, pBar->value()),
              std::tuple(std::vector<int>{SB_LINERIGHT, SB_ENDSCROLL}, WINDOW_SCROLL_BAR, 50));
    int nSeen = -1;
    std::thread([&] { nSeen = dlg.GetScrollPos(SB_HORZ); }).join();
    EXPECT_EQ(nSeen, 50);
    // Mouse messages in client coordinates, also beyond the client (a drag that left it).
    QWidget* pClient = dlg.Impl().Client();
    dlg.m_log.clear();
    const std::tuple<QEvent::Type, QPoint, Qt::MouseButton, Qt::MouseButtons> events[] = {
        {QEvent::MouseButtonPress, {10, 20}, Qt::LeftButton, Qt::LeftButton},
        {QEvent::MouseMove, {-7, -9}, Qt::NoButton, Qt::LeftButton},
        {QEvent::MouseButtonRelease, {-7, -9}, Qt::LeftButton, Qt::NoButton},
        {QEvent::MouseButtonDblClick, {3, 4}, Qt::LeftButton, Qt::LeftButton},
        {QEvent::MouseButtonPress, {5, 6}, Qt::RightButton, Qt::RightButton}};
    for (const auto& [type, pt, button, buttons] : events)
    {
        QMouseEvent e(type, QPointF(pt), QPointF(pClient->mapToGlobal(pt)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(pClient, &e);
    }
    QWheelEvent wheel(QPointF(5, 5), QPointF(pClient->mapToGlobal(QPoint(5, 5))), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::ShiftModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(pClient, &wheel);
    EXPECT_EQ(dlg.m_log, (std::vector<std::string>{"ldown 10,20", "move -7,-9", "lup -7,-9", "ldbl 3,4",
                                                   "rdown 5,6", "wheel -120 shift"}));
    dlg.SetCursor(CursorShape::Cross);
    dlg.SetCapture();
    const bool bCaptured = dlg.HasCapture();
    dlg.ReleaseCapture();
    EXPECT_EQ(std::tuple(pClient->cursor().shape(), bCaptured, dlg.HasCapture()),
              std::tuple(Qt::CrossCursor, true, false));
    // The surface, drawn from a thread of its own as a viewer's drawing thread does, while this one waits.
    DrawSurface& surface = dlg.GetDrawSurface();
    const auto drawFromThread = [&](const std::function<void()>& draw)
    {
        std::thread(
            [&]
            {
                surface.Acquire();
                draw();
                surface.Release();
            })
            .join();
    };
    // An 8-bit bottom-up picture of 20 x 10 whose sample at column c, row r from the top is
    // r * 16 + c, and a palette that makes every sample a colour of its own.
    const int nStride = BitmapStride(20, 8);
    BitmapInfo bmi;
    bmi.bmiHeader.biWidth = 20;
    bmi.bmiHeader.biHeight = 10;
    bmi.bmiHeader.biBitCount = 8;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(nStride) * 10);
    for (int i = 0; i < 256; ++i)
        bmi.bmiColors[i] = RgbQuad{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 7, 0};
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 20; ++c)
            bits[static_cast<std::size_t>(9 - r) * nStride + c] = static_cast<std::uint8_t>(r * 16 + c);
    const auto color = [](int c, int r) { return Rgb(7, 255 - (r * 16 + c), r * 16 + c); };
    // Scrolled by (3, 2); a second surface inside the first publishes nothing.
    drawFromThread(
        [&]
        {
            surface.BlitBitmap(0, 0, 20, 10, 3, -2, bmi, bits.data());
            EXPECT_TRUE(surface.Acquire());
            surface.Release();
        });
    EXPECT_EQ(surface.PublishedCount(), 1);
    const ColorRef background = surface.GetPixel(surface.BufferWidth() - 1, 0);
    // The picture's corners, beyond its last column, below its last row, outside the client.
    EXPECT_EQ((std::vector<ColorRef>{surface.GetPixel(0, 0), surface.GetPixel(16, 7), surface.GetPixel(17, 0),
                                     surface.GetPixel(0, 8), surface.GetPixel(-1, 0)}),
              (std::vector<ColorRef>{color(3, 2), color(19, 9), background, background,
                                     DrawSurface::INVALID_COLOR}));
    // The next picture keeps what this one left outside its own drawing.
    drawFromThread([&] { surface.FillRect(Rect{0, 0, 5, 5}, Rgb(1, 2, 3)); });
    EXPECT_EQ(std::pair(surface.GetPixel(4, 4), surface.GetPixel(16, 7)),
              std::pair(Rgb(1, 2, 3), color(19, 9)));
    // The window shows each picture, at most once a screen refresh: one drawn right after another was
    // shown waits for the refresh to end, and is then shown too.
    for (const int nRed : {10, 20})
    {
        const int nShown = surface.ShownCount();
        drawFromThread([&] { surface.FillRect(Rect{30, 0, 31, 1}, Rgb(nRed, 0, 0)); });
        for (int i = 0; i < 3000 && surface.ShownCount() == nShown; ++i)
            UiApplication::PumpEvents(1);
        const bool bShown = surface.ShownCount() > nShown; // before the grab below paints it
        EXPECT_EQ(std::pair(bShown, qRed(pClient->grab().toImage().pixel(30, 0))), std::pair(true, nRed));
    }
    // Drawing after the window is gone is harmless.
    dlg.DestroyWindow();
    drawFromThread(
        [&]
        {
            EXPECT_FALSE(surface.Acquire());
            surface.BlitBitmap(0, 0, 20, 10, 0, 0, bmi, bits.data());
        });
}

TEST(Dialog, TimersAndPostedCommandsRunLaterAndNotOnceTheWindowIsGoneAndAModalLoopReturnsItsEnd)
{
    const int ID_START = 1016;
    RecordingDialog dlg(MakeTemplate(
        100, 60, DLG_VISIBLE | DLG_CAPTION,
        {{ID_START, ControlKind::PushButton, "Rec Start", 5, 5, 50, 14, CTL_TABSTOP | CTL_DISABLED}}));
    int nClicks = 0;
    dlg.MapClicked(ID_START, [&] { ++nClicks; });
    ASSERT_TRUE(dlg.Create(nullptr));
    ASSERT_TRUE(dlg.SetTimer(7, 1) && dlg.SetTimer(9, 1));
    UiApplication::PumpEvents(60);
    std::sort(dlg.m_timers.begin(), dlg.m_timers.end());
    EXPECT_EQ(dlg.m_timers, (std::vector<int>{7, 9})); // each ran once: its handler killed it
    // A command posted from another thread, as the frame handler does, is handled later as a click,
    // even on a disabled button.
    std::thread([&] { dlg.PostCommand(ID_START); }).join();
    EXPECT_EQ(nClicks, 0);
    UiApplication::PumpEvents(10);
    EXPECT_EQ(nClicks, 1);
    // Neither a timer nor a command outlives the window.
    dlg.m_timers.clear();
    dlg.SetTimer(4, 1);
    dlg.PostCommand(ID_START);
    dlg.DestroyWindow();
    UiApplication::PumpEvents(30);
    EXPECT_EQ(std::tuple(dlg.m_timers.size(), nClicks, dlg.SetTimer(5, 1)), std::tuple(0u, 1, false));
    // A modal loop returns what ends it and disables its parent meanwhile; ended during its own
    // initialisation, it runs no loop at all.
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
    const int nResult = modal.DoModal(&parent);
    EXPECT_EQ(std::tuple(nResult, bParentEnabledInside, parent.IsWindowEnabled(), modal.IsWindow()),
              std::tuple(7, false, true, false));
    RecordingDialog quick(MakeTemplate(60, 40, DLG_CAPTION));
    quick.m_nEndInInit = IDCANCEL;
    EXPECT_EQ(quick.DoModal(), IDCANCEL);
}

// Whether the program will find a display, asked before the toolkit starts, and why not, where a user meets
// none, a dead X server or no Wayland socket (a live X server is met by the operator run under Xvfb).
TEST(DisplayAvailable, SaysWhyNoDisplayWillOpen)
{
    const char* const VARIABLES[] = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE",
                                     "XDG_RUNTIME_DIR"};
    // Sets the variables given as NAME=value and unsets the others.
    const auto setEnvironment = [&](const std::vector<std::string>& values)
    {
        for (const char* pName : VARIABLES)
            unsetenv(pName);
        for (const std::string& str : values)
            setenv(str.substr(0, str.find('=')).c_str(), str.substr(str.find('=') + 1).c_str(), 1);
    };
    std::vector<std::string> saved;
    for (const char* pName : VARIABLES)
        if (const char* pValue = std::getenv(pName))
            saved.push_back(std::string(pName) + "=" + pValue);
    // The environment, then what the reason begins with; none: a display is available, and no reason given.
    const std::pair<std::vector<std::string>, std::string> CASES[] = {
        {{}, "neither DISPLAY nor WAYLAND_DISPLAY is set"},
        {{"QT_QPA_PLATFORM=offscreen"}, ""},
        {{"DISPLAY=:4711"}, "no X server accepts a connection on DISPLAY \":4711\""},
        {{"DISPLAY=no display at all"}, "DISPLAY \"no display at all\" is not a display name"},
        {{"QT_QPA_PLATFORM=xcb", "WAYLAND_DISPLAY=wayland-0"}, "DISPLAY is not set"},
        {{"WAYLAND_DISPLAY=/nowhere/wayland-9"},
         "no Wayland compositor listens at \"/nowhere/wayland-9\"; DISPLAY is not set"},
        {{"WAYLAND_DISPLAY=wayland-9", "XDG_RUNTIME_DIR=/nowhere/run"},
         "no Wayland compositor listens at \"/nowhere/run/wayland-9\"; DISPLAY is not set"},
        {{"WAYLAND_DISPLAY=wayland-9"}, "XDG_RUNTIME_DIR is not set, so the Wayland socket \"wayland-9\""},
        {{"QT_QPA_PLATFORM=wayland:option;xcb", "DISPLAY=:4711", "XDG_RUNTIME_DIR=/nowhere/run"},
         "no Wayland compositor listens at \"/nowhere/run/wayland-0\"; no X server"},
    };
    for (const auto& [env, strExpected] : CASES)
    {
        setEnvironment(env);
        std::string strWhy = "left over";
        const bool bAvailable = UiApplication::DisplayAvailable(&strWhy);
        EXPECT_EQ(std::pair(bAvailable, bAvailable ? strWhy : strWhy.substr(0, strExpected.size())),
                  std::pair(strExpected.empty(), strExpected));
    }
    setEnvironment(saved);
}
