// The viewer opened for real offscreen: its drawing thread's back buffer and its handlers, and the
// frame store streaming into it.

#include "buffers/shared_buffers.h"
#include "display/guide_settings.h"
#include "display/measure_rect.h"
#include "display/tarnwick_wnd.h"
#include "platform/ui/dialog_impl.h"
#include "platform/ui/draw_surface.h"
#include "platform/ui/ui_application.h"
#include "tests/console/console_test_support.h"
#include "tests/support/two_grey_frames.h"

#include <gtest/gtest.h>

#include <QTest>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <climits>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace
{
constexpr ColorRef BACKGROUND = 0xF0F0F0, WHITE = 0xFFFFFF, BLACK = 0, GUIDE = 0xC0C0C0;

const auto Grey = [](int v) { return Rgb(v, v, v); };
// Never the window colour, so that a drawn pixel is always told from an untouched one.
const auto Ramp = [](int r, int c) { return (r * 7 + c * 3) % 200; };

// The viewer, and its owner's check boxes and line position.
class ViewerTest : public ::testing::Test, public ViewerOwner
{
  protected:
    int GetTabSelection() const override { return 0; }
    void PostRecCommand(int) override {}
    int GetCursorCheck() const override { return m_nCursor; }
    int GetCenterCheck() const override { return m_nCenter; }
    int GetLinePosition() const override { return m_nLinePos; }
    ViewerTest()
        : m_raw(RAW_FRAME_BYTES, 0), m_bgr(BGR_FRAME_BYTES, 0), m_lineScan(256 * SENSOR_WIDTH, 0),
          m_lineScanBgr(256 * SENSOR_WIDTH * 3, 0)
    {
        std::tie(g_pRawFrame, g_pBgrFrame, g_pLineScan, g_pLineScanBgr) =
            std::tuple(m_raw.data(), m_bgr.data(), m_lineScan.data(), m_lineScanBgr.data());
        g_rcMeasure.Clear();
        std::tie(g_crGuide, g_nGuideWidth, g_nGuidePitch, g_nGuideDash) = std::tuple(GUIDE, 1, 40, 6);
        // The live viewer as the console prepares it, on a mono camera (1:1, raw samples).
        m_viewer.m_pOwner = this;
        std::tie(m_viewer.m_nWidth, m_viewer.m_nHeight, m_viewer.m_bOverlay) = std::tuple(960, 1284, 1);
    }
    // Before any destructor: the drawing thread calls this fixture as the viewer's owner.
    void TearDown() override
    {
        if (m_viewer.IsWindow())
            m_viewer.OnCancel();
        m_viewer.StopDrawThread();
        UiApplication::PumpEvents(0);
        g_pRawFrame = g_pBgrFrame = g_pLineScan = g_pLineScanBgr = nullptr;
        g_rcMeasure.Clear();
    }
    // Opens the viewer and gives it a client area of cx x cy (restored instead of maximised).
    void Open(int cx, int cy)
    {
        ASSERT_TRUE(m_viewer.Create(nullptr));
        m_viewer.ShowWindow(ShowState::Normal);
        SizeClient(cx, cy);
    }
    void SizeClient(int cx, int cy) // the window's own scroll bars take their room from the window
    {
        Rect rc{};
        for (int i = 0, w = cx, h = cy; i < 20 && (rc.Width() != cx || rc.Height() != cy); ++i)
        {
            m_viewer.MoveWindow(0, 0, w, h);
            UiApplication::PumpEvents(20);
            rc = m_viewer.GetClientRect();
            std::tie(w, h) = std::pair(w + cx - rc.Width(), h + cy - rc.Height());
        }
        ASSERT_EQ(std::pair(rc.Width(), rc.Height()), std::pair(cx, cy)) << "client not sized";
    }
    DrawSurface& Surface() { return m_viewer.GetDrawSurface(); }
    ColorRef Pixel(int x, int y) { return Surface().GetPixel(x, y); }
    // Two passes after the state was set (the first may have begun before), then quiet; bRepaint erases.
    void Draw(bool bRepaint = false)
    {
        if (bRepaint)
            m_viewer.RedrawWindow();
        for (int nRound = 0; nRound < 2; ++nRound)
        {
            const int n = Surface().PublishedCount();
            m_viewer.SignalDraw();
            ASSERT_TRUE(PumpUntil([&] { return Surface().PublishedCount() > n; })) << "no pass drawn";
        }
        Settle();
    }
    void Settle()
    {
        for (int n = -1; n != Surface().PublishedCount(); std::this_thread::sleep_for(100ms))
            n = Surface().PublishedCount();
    }
    // The live frame, value(r, c) at picture row r and column c, stored as the frame store does.
    template <class Value> void FillRaw(Value value)
    {
        std::lock_guard<std::mutex> lock(LiveFrameLock());
        for (int r = 0; r < 1284; ++r)
            for (int c = 0; c < 960; ++c)
                m_raw[static_cast<std::size_t>(1283 - r) * 960 + c] = static_cast<unsigned char>(value(r, c));
    }
    // n pixels from (x, y) a step (dx, dy) apart, as a string of '#' for colour c and '.' for others.
    std::string Run(int x, int y, int n, ColorRef c, int dx = 0, int dy = 1)
    {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += Pixel(x + i * dx, y + i * dy) == c ? '#' : '.';
        return s;
    }
    // Width, height and bit count of the display header as the last pass left it.
    std::vector<int> Header()
    {
        BitmapInfo bmi;
        return {m_viewer.CopyDisplayHeader(&bmi), bmi.bmiHeader.biWidth, bmi.bmiHeader.biHeight,
                bmi.bmiHeader.biBitCount};
    }
    // A measuring drag from one client point to another; the measured rectangle after it.
    std::vector<int> Drag(Point from, Point to)
    {
        m_viewer.OnLButtonDown(MK_LBUTTON, from);
        m_viewer.OnMouseMove(MK_LBUTTON, to);
        m_viewer.OnLButtonUp(0, to);
        return Measured();
    }
    static std::vector<int> Measured()
    {
        const MeasureRect rc = g_rcMeasure.Get();
        return {rc.left, rc.top, rc.right, rc.bottom};
    }
    // A scroll gesture on the window's bar nBar; the bar's position after it.
    int Scroll(int nBar, int nCode, int nPos = 0)
    {
        nBar == SB_HORZ ? m_viewer.OnHScroll(nCode, nPos, WINDOW_SCROLL_BAR)
                        : m_viewer.OnVScroll(nCode, nPos, WINDOW_SCROLL_BAR);
        return m_viewer.GetScrollPos(nBar);
    }
    std::atomic<int> m_nCursor{0}, m_nCenter{0}, m_nLinePos{478};
    std::vector<unsigned char> m_raw, m_bgr, m_lineScan, m_lineScanBgr;
    TarnwickWnd m_viewer;
};

// The guide's dashes down n rows: 6 pixels every 40 from the top.
std::string Dashes(int n)
{
    std::string s;
    while (s.size() < static_cast<std::size_t>(n))
        s += std::string(6, '#') + std::string(34, '.');
    return s.substr(0, n);
}
} // namespace

TEST_F(ViewerTest, GuideLineDashesDownTheLineOrCentreColumnAtEitherZoomAndOnlyWithinTheClient)
{
    m_nCursor = 1;
    m_nLinePos = 100;
    Open(900, 1000);
    // Zoom, "Center", scroll, client, the guide's column and the other: 960 - 100 - 2 or the centre.
    const int CASES[][7] = {{VIEW_ZOOM_1TO1, 0, 0, 900, 1000, 858, 480},
                            {VIEW_ZOOM_1TO1, 0, 30, 900, 1000, 858, 480},
                            {VIEW_ZOOM_1TO1, 1, 0, 900, 1000, 480, 858},
                            {VIEW_ZOOM_FIT, 0, 0, 480, 642, 429, 240},
                            {VIEW_ZOOM_FIT, 1, 0, 480, 642, 240, 429}};
    for (const auto [nZoom, nCenter, nScroll, cx, cy, x, xOther] : CASES)
    {
        SCOPED_TRACE(::testing::Message() << "zoom " << nZoom << " x " << x << " scroll " << nScroll);
        std::tie(m_viewer.m_nZoom, m_nCenter) = std::tuple(nZoom, nCenter);
        SizeClient(cx, cy);
        Scroll(SB_HORZ, SB_THUMBPOSITION, nScroll);
        Draw(true);
        EXPECT_EQ((std::vector{Run(x, 0, cy, GUIDE), Run(x - 1, 0, cy, GUIDE) + Run(x + 1, 0, cy, GUIDE),
                               Run(xOther, 0, cy, GUIDE)}),
                  (std::vector{Dashes(cy), std::string(2 * cy, '.'), std::string(cy, '.')}));
    }
    // A wider pen in another colour, centred on the column.
    std::tie(g_nGuideWidth, g_crGuide) = std::tuple(3, Rgb(255, 0, 0));
    Draw();
    EXPECT_EQ(Run(238, 2, 5, Rgb(255, 0, 0), 1, 0), ".###.");
    // Hand-edited dash, width and pitch beyond sense stay within the 600 x 100 client.
    std::tie(g_crGuide, m_viewer.m_nZoom) = std::tuple(GUIDE, VIEW_ZOOM_1TO1);
    SizeClient(600, 100);
    const std::tuple<int, int, int, std::string> EDITS[] = {
        {1000000000, 1, 40, std::string(100, '#')}, // once walked pixel by pixel
        {INT_MAX, 1, 40, std::string(100, '#')},
        {INT_MIN, 1, 40, std::string(81, '#') + std::string(19, '.')},
        {-6, 1, 40, "#" + std::string(34, '.') + Dashes(46) + std::string(19, '.')},
        {6, 1, INT_MAX, Dashes(40) + std::string(60, '.')},
        {6, INT_MAX, 40, std::string(100, '#')},
        {INT_MAX, INT_MAX, 1, std::string(100, '#')},
        {6, 1, 0, std::string(100, '.')}, // a pitch below 1: no dashes, and the pass still ends
        {6, 1, -5, std::string(100, '.')},
    };
    for (const auto& [nDash, nWidth, nPitch, column] : EDITS)
    {
        SCOPED_TRACE(::testing::Message() << "dash " << nDash << " width " << nWidth << " pitch " << nPitch);
        std::tie(g_nGuideDash, g_nGuideWidth, g_nGuidePitch) = std::tuple(nDash, nWidth, nPitch);
        Draw(true);
        EXPECT_EQ(Run(480, 0, 100, GUIDE), column);
        EXPECT_EQ((std::vector{Pixel(0, 0) == GUIDE, Pixel(599, 99) == GUIDE, Pixel(481, 0) == GUIDE}),
                  std::vector<bool>(3, nWidth > 1));
    }
    // None with the check box off, on the line-scan viewer (no overlay) or on a frame 4 pixels wide.
    std::tie(g_nGuidePitch, g_nGuideWidth) = std::tuple(40, 1);
    for (int i = 0; i < 3; ++i)
    {
        std::tie(m_nCursor, m_viewer.m_bOverlay, m_viewer.m_nWidth) =
            std::tuple(i != 0, i != 1, i == 2 ? 4 : 960);
        Draw(true);
        EXPECT_EQ(Run(480, 0, 100, GUIDE), std::string(100, '.')) << i;
    }
}

TEST_F(ViewerTest, MeasuringDragDrawsItsLineAndMapsTheClientToPicturePixels)
{
    FillRaw([](int, int) { return 255; });
    Open(400, 300);
    // A move with the button held but no press in the window measures nothing.
    m_viewer.OnMouseMove(MK_LBUTTON, Point{50, 60});
    EXPECT_EQ(Measured(), (std::vector<int>{-1, -1, -1, -1}));
    // Taller than wide: a vertical dotted line at the start column, the end excluded.
    m_viewer.OnLButtonDown(MK_LBUTTON, Point{100, 100});
    m_viewer.OnMouseMove(MK_LBUTTON, Point{110, 200});
    Draw();
    EXPECT_EQ(Run(100, 100, 12, BLACK) + Run(100, 200, 1, BLACK) + Run(105, 100, 1, BLACK), "###...###.....");
    // As wide as tall: horizontal, along the start row.
    m_viewer.OnMouseMove(MK_LBUTTON, Point{150, 150});
    m_viewer.OnLButtonUp(0, Point{150, 150});
    Draw();
    EXPECT_EQ(Run(100, 100, 12, BLACK, 1, 0) + Run(150, 100, 1, BLACK) + Run(100, 103, 1, BLACK),
              "###...###.....");
    // A right click removes the rectangle, and the line with it.
    m_viewer.OnRButtonDown(MK_RBUTTON, Point{300, 200});
    EXPECT_EQ(Measured(), (std::vector<int>{-1, -1, -1, -1}));
    Draw();
    EXPECT_EQ(Pixel(101, 100), WHITE);
    Scroll(SB_HORZ, SB_THUMBPOSITION, 100);
    EXPECT_EQ(Drag({10, 20}, {5, 40}), (std::vector<int>{105, 20, 110, 40}));
    // Past the picture's right and bottom edges, and out of the window to the left and top.
    Scroll(SB_VERT, SB_THUMBPOSITION, 984);
    EXPECT_EQ(Drag({200, 200}, {2000, 2000}), (std::vector<int>{300, 1184, 959, 1283}));
    Scroll(SB_HORZ, SB_THUMBPOSITION, 0);
    Scroll(SB_VERT, SB_THUMBPOSITION, 0);
    EXPECT_EQ(Drag({10, 10}, {-20, -30}), (std::vector<int>{0, 0, 10, 10}));
    // A move after the release, and a drag on the line-scan viewer (no overlay), leave it.
    m_viewer.OnMouseMove(MK_LBUTTON, Point{50, 60});
    m_viewer.m_bOverlay = 0;
    EXPECT_EQ(Drag({30, 30}, {60, 90}), (std::vector<int>{0, 0, 10, 10}));
    m_viewer.m_bOverlay = 1;
    // Fit, 480 x 642 client over 960 x 1284: q = 50.5, so x 480 is column 950.
    m_viewer.OnLButtonDblClk(0, Point{});
    SizeClient(480, 642);
    EXPECT_EQ(Drag({0, 0}, {480, 101}), (std::vector<int>{0, 0, 950, 200}));
    EXPECT_EQ(Drag({-10, 5}, {600, 700}), (std::vector<int>{0, 9, 959, 1283}));
}

TEST_F(ViewerTest, ScrollBarsStepFollowTheZoomAndPlaceThePictureWhichFitDrawsAtTheSmallerWholePercent)
{
    FillRaw(Ramp);
    Open(400, 300);
    const auto bars = [&]
    {
        const ScrollInfo &h = m_viewer.m_siH, &v = m_viewer.m_siV;
        return std::vector<int>{h.nMax, h.nPage, v.nMax, v.nPage};
    };
    EXPECT_EQ(bars(), (std::vector<int>{960, 401, 1284, 301}));
    // Positions asked for and kept: at the far corner the picture's last pixel is the client's.
    for (const auto [x, y, xKept, yKept] :
         {std::array{100, 200, 100, 200}, {960, 1284, 560, 984}, {0, 0, 0, 0}})
    {
        EXPECT_EQ((std::pair{Scroll(SB_HORZ, SB_THUMBPOSITION, x), Scroll(SB_VERT, SB_THUMBTRACK, y)}),
                  (std::pair{xKept, yKept}));
        Draw();
        EXPECT_EQ((std::vector{Pixel(0, 0), Pixel(17, 5), Pixel(399, 299)}),
                  (std::vector{Grey(Ramp(yKept, xKept)), Grey(Ramp(yKept + 5, xKept + 17)),
                               Grey(Ramp(yKept + 299, xKept + 399))}));
    }
    // Code and position, then where the bar is left: the thumb's low 16 bits, within 960 - 400.
    const int STEPS[][3] = {{SB_LINERIGHT, 0, 2},   {SB_PAGERIGHT, 0, 12}, {SB_LINELEFT, 0, 10},
                            {SB_PAGELEFT, 0, 0},    {SB_LINELEFT, 0, 0},   {SB_THUMBTRACK, 0x10064, 100},
                            {SB_ENDSCROLL, 0, 100}, {SB_RIGHT, 0, 100},    {SB_THUMBPOSITION, 5000, 560}};
    for (const auto& step : STEPS)
        EXPECT_EQ(Scroll(SB_HORZ, step[0], step[1]), step[2]) << "code " << step[0];
    Scroll(SB_VERT, SB_PAGEDOWN);
    EXPECT_EQ(Scroll(SB_VERT, SB_LINEDOWN), 12);
    // The wheel: 120 a notch, vertical, horizontal with Shift.
    for (auto [nKeys, nDelta, nH, nV] :
         {std::tuple{0, -120, 560, 132}, {0, 240, 560, 0}, {MK_SHIFT, 120, 440, 0}})
    {
        m_viewer.OnMouseWheel(nKeys, nDelta, Point{});
        EXPECT_EQ((std::pair{m_viewer.GetScrollPos(SB_HORZ), m_viewer.GetScrollPos(SB_VERT)}),
                  (std::pair{nH, nV}));
    }
    // A resize keeps the positions as far as the new range allows.
    SizeClient(700, 300);
    EXPECT_EQ(m_viewer.GetScrollPos(SB_HORZ), 260);
    // Double clicks toggle the zoom and its caption; fitted there is nothing to scroll.
    const auto doubleClick = [&]
    {
        QTest::mouseDClick(m_viewer.Impl().Client(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        UiApplication::PumpEvents(20);
        return m_viewer.GetWindowText();
    };
    EXPECT_EQ(doubleClick(), "[ Fit ]");
    EXPECT_EQ((std::pair{bars()[0] + bars()[2], Scroll(SB_HORZ, SB_PAGERIGHT)}), (std::pair{0, 0}));
    // Fitted at s = t = 50: every other column and row, the whole client covered.
    SizeClient(480, 642);
    Draw();
    EXPECT_EQ((std::vector{Pixel(0, 0), Pixel(10, 3), Pixel(479, 641)}),
              (std::vector{Grey(Ramp(0, 0)), Grey(Ramp(6, 20)), Grey(Ramp(1282, 958))}));
    // s = 104, t = 54: 518 x 693.
    SizeClient(1000, 700);
    Draw();
    EXPECT_NE(Pixel(517, 692), BACKGROUND);
    EXPECT_EQ((std::vector{Pixel(518, 100), Pixel(100, 693), Pixel(999, 699)}), std::vector(3, BACKGROUND));
    EXPECT_EQ(doubleClick(), "[ 1:1 ]");
}

TEST_F(ViewerTest, OpeningShowsItMaximisedReopeningStartsANewThreadAndNothingIsDrawnEmptyOrClosing)
{
    FillRaw(Ramp);
    ASSERT_TRUE(m_viewer.Create(nullptr));
    EXPECT_EQ((std::pair{m_viewer.IsZoomed(), m_viewer.IsTopMost()}), (std::pair{true, false}));
    // Bottom-up, then top-down: a negative height, the top row stored first.
    for (const int bTopDown : {0, 1})
    {
        m_viewer.m_bTopDown = bTopDown;
        Draw();
        EXPECT_EQ((std::pair{Header(), Pixel(0, 0)}),
                  (std::pair{std::vector<int>{1, 960, bTopDown ? -1284 : 1284, 8},
                             Grey(bTopDown ? m_raw[0] : Ramp(0, 0))}));
    }
    m_viewer.m_bTopDown = 0;
    const std::weak_ptr<AutoResetEvent> oldDraw = m_viewer.DrawEvent(), oldQuit = m_viewer.QuitEvent();
    const BitmapInfo* pOldBmi = m_viewer.m_pBmi.get();
    m_viewer.OnCancel();
    EXPECT_EQ(Header()[1], 960); // the header stays readable after the window has gone
    Open(300, 200);
    // The old thread has ended and let go of its events; the new one has its own.
    EXPECT_TRUE(oldDraw.expired() && oldQuit.expired() && m_viewer.m_pBmi.get() != pOldBmi);
    Draw(true);
    EXPECT_EQ(Pixel(5, 5), Grey(Ramp(5, 5)));
    // No lines yet, at either zoom, overlays on and a drag; last, a picture larger than its buffer.
    m_nCursor = 1;
    g_rcMeasure.Set(MeasureRect{0, 0, 10, 10});
    const int EMPTY[][3] = {{VIEW_ZOOM_1TO1, 0, 1284},
                            {VIEW_ZOOM_1TO1, 960, 0},
                            {VIEW_ZOOM_FIT, 0, 1284},
                            {VIEW_ZOOM_FIT, 960, 0},
                            {VIEW_ZOOM_1TO1, 4000, 4000}};
    for (const auto [nZoom, nWidth, nHeight] : EMPTY)
    {
        std::tie(m_viewer.m_nZoom, m_viewer.m_nWidth, m_viewer.m_nHeight) =
            std::tuple(nZoom, nWidth, nHeight);
        Draw(true);
        EXPECT_EQ((std::pair{Pixel(5, 5), Pixel(0, 0)}), (std::pair{BACKGROUND, BACKGROUND}))
            << nZoom << ": " << nWidth << "x" << nHeight;
        Drag({1, 1}, {50, 50});
    }
    // Closing: the flag goes first, and no pass draws after it.
    std::tie(m_viewer.m_nWidth, m_viewer.m_nHeight, m_viewer.m_bRunning) = std::tuple(960, 1284, 0);
    Settle(); // a pass that began before the flag may still finish
    const int n = Surface().PublishedCount();
    m_viewer.SignalDraw();
    UiApplication::PumpEvents(200);
    Settle();
    EXPECT_EQ(Surface().PublishedCount(), n);
    // Closing while frames keep signalling, then opening again at once.
    m_viewer.m_nSourceMode = VIEW_SRC_BAYER;
    {
        std::jthread frames(
            [&](std::stop_token stop)
            {
                for (; !stop.stop_requested(); std::this_thread::sleep_for(1ms))
                    m_viewer.m_bConverted = 0, m_viewer.SignalDraw();
            });
        for (int i = 0; i < 3; ++i)
        {
            m_viewer.OnCancel();
            ASSERT_TRUE(m_viewer.Create(nullptr));
        }
    }
    EXPECT_TRUE(m_viewer.m_hThread.IsRunning());
    // The close box closes it.
    m_viewer.Impl().Window()->close();
    UiApplication::PumpEvents(10);
    EXPECT_EQ((std::vector<int>{m_viewer.IsWindow(), m_viewer.m_bRunning, m_viewer.m_bConverted}),
              (std::vector<int>{0, 0, 0}));
}

TEST_F(ViewerTest, ColourFramesAreConvertedOncePerFrameLineScanOncePerImageAndNeverAfterStopping)
{
    m_viewer.m_nSourceMode = VIEW_SRC_BAYER;
    for (std::size_t i = 0; i < m_bgr.size(); ++i)
        m_bgr[i] = static_cast<unsigned char>(10 * (i % 3 + 1)); // blue 10, green 20, red 30
    Open(300, 200);
    Draw();
    // Opened with the conversion marked current: the converted buffer is drawn as it is.
    EXPECT_EQ((std::pair{Pixel(5, 5), Header()[3]}), (std::pair{Rgb(30, 20, 10), 24}));
    // A colour camera in line-scan readout: the raw samples in grey, no conversion, no guide line.
    m_nCursor = 1;
    m_viewer.m_nWidth = 4;
    FillRaw([](int, int) { return 77; });
    m_viewer.m_bConverted = 0;
    Draw(true);
    EXPECT_EQ((std::vector{Pixel(0, 5), Pixel(3, 199), Pixel(4, 5)}),
              (std::vector{Grey(77), Grey(77), BACKGROUND}));
    EXPECT_EQ(std::count(m_bgr.begin(), m_bgr.end(), 30), static_cast<std::ptrdiff_t>(m_bgr.size() / 3));
    // A new live frame or line-scan image is converted once its flag is cleared, not on redraws.
    m_nCursor = 0;
    for (const int nMode : {VIEW_SRC_BAYER, VIEW_SRC_LINESCAN_BAYER})
    {
        std::tie(m_viewer.m_nSourceMode, m_viewer.m_nWidth) =
            std::tuple(nMode, nMode == VIEW_SRC_BAYER ? 960 : 64);
        // Both pictures filled: the viewer reads only the one of its mode.
        const auto fill = [&](int v)
        {
            FillRaw([v](int, int) { return v; });
            std::ranges::fill(m_lineScan, static_cast<unsigned char>(v));
        };
        fill(100);
        m_viewer.m_bConverted = 0;
        Draw(true);
        fill(200);
        Draw();
        EXPECT_EQ((std::pair{Pixel(5, 5), int(m_viewer.m_bConverted)}), (std::pair{Grey(100), 1})) << nMode;
        m_viewer.m_bConverted = 0;
        Draw();
        EXPECT_EQ(Pixel(5, 5), Grey(200)) << nMode;
    }
    // The longest image may be released as soon as the drawing thread is stopped, mid-conversion.
    constexpr std::size_t LINES = 65500;
    auto pGrey = std::make_unique<std::vector<unsigned char>>(LINES * SENSOR_WIDTH, 80);
    auto pBgr = std::make_unique<std::vector<unsigned char>>(LINES * SENSOR_WIDTH * 3, 0);
    std::tie(g_pLineScan, g_pLineScanBgr) = std::tuple(pGrey->data(), pBgr->data());
    std::tie(m_viewer.m_nWidth, m_viewer.m_bConverted) = std::tuple(int(LINES), 0);
    m_viewer.SignalDraw();
    std::this_thread::sleep_for(30ms);
    m_viewer.OnCancel();
    m_viewer.StopDrawThread();
    // The first and last rows of each worker's half: converted all, or (no pass begun) not at all.
    const auto converted = [&](int nRow) { return (*pBgr)[(nRow * LINES + LINES / 2) * 3] == 80; };
    const std::vector<bool> done = {converted(1), converted(641), converted(643), converted(1282)};
    EXPECT_EQ(done, std::vector<bool>(4, done[0]));
    pBgr.reset();
    pGrey.reset();
}

TEST_F(ViewerTest, StreamingIntoAnOpenViewerShowsAndSavesWholeFrames)
{
    // Fitted at 25 %: every drawn picture shows the whole frame, one grey in every pixel.
    FillRaw([](int, int) { return 60; });
    Open(240, 321);
    m_viewer.m_nZoom = VIEW_ZOOM_FIT;
    TwoGreyFrames frames(960);
    ASSERT_TRUE(PumpUntil([&] { return frames.Stored() > 0; }));

    // Each picture drawn while nothing else draws, read whole; beside it a copy as Save Image takes
    // it, the header and the frame under the lock: how many of each held two frames.
    int nMixed = 0, nSavedMixed = 0;
    for (int nChecked = 0; nChecked < 80;)
    {
        // The second half on the colour viewer: each frame converted (its edges black), then drawn.
        const bool bColour = nChecked >= 40;
        if (bColour && m_viewer.m_nSourceMode != VIEW_SRC_BAYER)
        {
            m_viewer.m_nSourceMode = VIEW_SRC_BAYER;
            Draw();
        }
        const int n = Surface().PublishedCount();
        m_viewer.m_bConverted = 0;
        m_viewer.SignalDraw();
        ASSERT_TRUE(PumpUntil([&] { return Surface().PublishedCount() > n; })) << "no pass drawn";
        std::set<ColorRef> greys;
        for (int y = 0; y < 321; ++y)
            for (int x = 0; x < 240; ++x)
                greys.insert(Pixel(x, y));
        if (Surface().PublishedCount() != n + 1)
            continue; // another pass replaced the picture while it was read
        ++nChecked;
        if (bColour)
            greys.erase(BLACK);
        if (greys != std::set{Grey(TwoGreyFrames::GREYS[0])} &&
            greys != std::set{Grey(TwoGreyFrames::GREYS[1])})
            ++nMixed;
        std::vector<uint8_t> saved;
        {
            std::lock_guard<std::mutex> lock(LiveFrameLock());
            EXPECT_EQ(Header(), (std::vector<int>{1, 960, 1284, bColour ? 24 : 8}));
            saved.assign(m_raw.begin(), m_raw.begin() + 960 * 1284);
        }
        nSavedMixed += !TwoGreyFrames::IsOneFrame(saved);
    }
    EXPECT_EQ((std::pair{nMixed, nSavedMixed}), (std::pair{0, 0}))
        << "pictures and saved copies of two frames";
}
