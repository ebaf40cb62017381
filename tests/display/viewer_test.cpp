// The viewer window with its drawing thread, opened for real on the offscreen platform: what the
// drawing thread leaves in the back buffer, and what the handlers do with scroll bars, the
// measured rectangle, the zoom and the keys; a simulated camera streaming into it (run in the
// thread-sanitizer build too) shows whole frames only.

#include "buffers/shared_buffers.h"
#include "camera/camera_device.h"
#include "display/guide_settings.h"
#include "display/measure_rect.h"
#include "display/tarnwick_wnd.h"
#include "platform/capture/capture_system.h"
#include "platform/capture/sim/sim_camera.h"
#include "platform/capture/sim/sim_capture_system.h"
#include "platform/capture/sim/sim_scene.h"
#include "platform/ui/dialog_impl.h"
#include "platform/ui/draw_surface.h"
#include "platform/ui/ui_application.h"
#include "resources/resource.h"
#include "tests/console/console_test_support.h"

#include <gtest/gtest.h>

#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace
{
constexpr ColorRef BACKGROUND = 0xF0F0F0;
constexpr ColorRef WHITE = 0xFFFFFF;
constexpr ColorRef BLACK = 0;
constexpr ColorRef GUIDE = 0xC0C0C0;
constexpr std::size_t LINE_SCAN_TEST_LINES = 256;

const auto Grey = [](int v) { return Rgb(v, v, v); };
// Never the window colour, so that a drawn pixel is always told from an untouched one.
const auto Ramp = [](int r, int c) { return (r * 7 + c * 3) % 200; };

class TestOwner : public ViewerOwner
{
  public:
    int GetTabSelection() const override { return 0; }
    void PostRecCommand(int) override {}
    int GetCursorCheck() const override { return m_nCursor; }
    int GetCenterCheck() const override { return m_nCenter; }
    int GetLinePosition() const override { return m_nLinePos; }

    std::atomic<int> m_nCursor{0};
    std::atomic<int> m_nCenter{0};
    std::atomic<int> m_nLinePos{478};
};

class ViewerTest : public ::testing::Test
{
  protected:
    ViewerTest()
        : m_raw(RAW_FRAME_BYTES, 0), m_bgr(BGR_FRAME_BYTES, 0),
          m_lineScan(LINE_SCAN_TEST_LINES * SENSOR_WIDTH, 0),
          m_lineScanBgr(LINE_SCAN_TEST_LINES * SENSOR_WIDTH * 3, 0)
    {
        g_pRawFrame = m_raw.data();
        g_pBgrFrame = m_bgr.data();
        g_pLineScan = m_lineScan.data();
        g_pLineScanBgr = m_lineScanBgr.data();
        g_rcMeasure.Clear();
        std::tie(g_crGuide, g_nGuideWidth, g_nGuidePitch, g_nGuideDash) = std::tuple(GUIDE, 1, 40, 6);
        // The live viewer as the console prepares it, on a mono camera (1:1, raw samples).
        m_viewer.m_pOwner = &m_owner;
        std::tie(m_viewer.m_nWidth, m_viewer.m_nHeight, m_viewer.m_bOverlay) = std::tuple(960, 1284, 1);
    }
    ~ViewerTest() override
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

    void SizeClient(int cx, int cy)
    {
        int w = cx, h = cy;
        for (int i = 0; i < 20; ++i)
        {
            m_viewer.MoveWindow(0, 0, w, h);
            UiApplication::PumpEvents(20);
            const Rect rc = m_viewer.GetClientRect();
            if (rc.Width() == cx && rc.Height() == cy)
                return;
            // The window's own scroll bars take their room from the window.
            w += cx - rc.Width();
            h += cy - rc.Height();
        }
        FAIL() << "client not sized";
    }

    DrawSurface& Surface() { return m_viewer.GetDrawSurface(); }
    ColorRef Pixel(int x, int y) { return Surface().GetPixel(x, y); }

    // Lets the drawing thread draw the current state: two passes asked for after the state was
    // set (the first may have begun before), then quiet until no pass is under way.
    void Draw()
    {
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
        int n = 0;
        do
        {
            n = Surface().PublishedCount();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        } while (Surface().PublishedCount() != n);
    }

    // The live frame a Ramp in 8 bits: buffer row 0 is the picture's bottom row.
    // The test writes the live frame as the frame store does, under the live-frame lock.
    void FillRamp()
    {
        std::lock_guard<std::mutex> lock(LiveFrameLock());
        for (int r = 0; r < 1284; ++r)
            for (int c = 0; c < 960; ++c)
                m_raw[static_cast<std::size_t>(1283 - r) * 960 + c] = static_cast<unsigned char>(Ramp(r, c));
    }
    void FillRawUniform(unsigned char v)
    {
        std::lock_guard<std::mutex> lock(LiveFrameLock());
        std::fill(m_raw.begin(), m_raw.end(), v);
    }

    // Column x of rows y0 .. y1 - 1, as a string of '#' for colour c and '.' for anything else.
    std::string Column(int x, int y0, int y1, ColorRef c)
    {
        std::string s;
        for (int y = y0; y < y1; ++y)
            s += Pixel(x, y) == c ? '#' : '.';
        return s;
    }
    // The starts of the runs of colour c down column x.
    std::vector<int> DashStarts(int x, ColorRef c)
    {
        std::vector<int> starts;
        for (int y = 0; y < Surface().BufferHeight(); ++y)
            if (Pixel(x, y) == c && (y == 0 || Pixel(x, y - 1) != c))
                starts.push_back(y);
        return starts;
    }
    // Width, height and bit count of the display header as the last pass left it.
    std::vector<int> Header()
    {
        BitmapInfo bmi;
        EXPECT_TRUE(m_viewer.CopyDisplayHeader(&bmi));
        return {bmi.bmiHeader.biWidth, bmi.bmiHeader.biHeight, bmi.bmiHeader.biBitCount};
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
    // A repaint of the whole client (what the window asks for after a change of settings).
    void Repaint()
    {
        m_viewer.RedrawWindow();
        Draw();
    }
    int HScroll(int nCode, int nPos = 0)
    {
        return m_viewer.OnHScroll(nCode, nPos, WINDOW_SCROLL_BAR), m_viewer.GetScrollPos(SB_HORZ);
    }
    int VScroll(int nCode, int nPos = 0)
    {
        return m_viewer.OnVScroll(nCode, nPos, WINDOW_SCROLL_BAR), m_viewer.GetScrollPos(SB_VERT);
    }

    std::vector<unsigned char> m_raw, m_bgr, m_lineScan, m_lineScanBgr;
    TestOwner m_owner;
    TarnwickWnd m_viewer;
};
} // namespace

TEST_F(ViewerTest, FitDrawsThePictureAtTheSmallerWholePercentScale)
{
    FillRamp();
    m_viewer.m_nZoom = VIEW_ZOOM_FIT;
    Open(480, 642);
    Draw();
    // s = t = 50: every other column and row, the whole client covered.
    EXPECT_EQ((std::vector{Pixel(0, 0), Pixel(10, 3), Pixel(479, 641)}),
              (std::vector{Grey(Ramp(0, 0)), Grey(Ramp(6, 20)), Grey(Ramp(1282, 958))}));

    // s = 104, t = 54: 518 x 693.
    SizeClient(1000, 700);
    Draw();
    EXPECT_NE(Pixel(517, 692), BACKGROUND);
    for (Point pt : {Point{518, 100}, Point{100, 693}, Point{999, 699}})
        EXPECT_EQ(Pixel(pt.x, pt.y), BACKGROUND) << pt.x << "," << pt.y;
}

TEST_F(ViewerTest, GuideLineDashesDownTheLineOrCentreColumnAtEitherZoomAndOnlyWithinTheClient)
{
    m_owner.m_nCursor = 1;
    m_owner.m_nLinePos = 100;
    Open(900, 1000);
    // 1:1: the line's column 960 - 100 - 2 (not moved by scrolling) or, with "Center", the full
    // frame's centre; dashes of 6 every 40 pixels from the top. Fit (k = 50) scales the columns
    // and ends the dashes at 1284 * 50 / 100.
    // Zoom, centre, scroll, client width and height, the guide's column and the other one.
    const int CASES[][7] = {{VIEW_ZOOM_1TO1, 0, 0, 900, 1000, 858, 480},
                            {VIEW_ZOOM_1TO1, 0, 30, 900, 1000, 858, 480},
                            {VIEW_ZOOM_1TO1, 1, 0, 900, 1000, 480, 858},
                            {VIEW_ZOOM_FIT, 0, 0, 480, 642, 429, 240},
                            {VIEW_ZOOM_FIT, 1, 0, 480, 642, 240, 429}};
    for (const auto [nZoom, nCenter, nScroll, cx, cy, x, xOther] : CASES)
    {
        SCOPED_TRACE(::testing::Message() << "zoom " << nZoom << " x " << x << " scroll " << nScroll);
        m_viewer.m_nZoom = nZoom;
        m_owner.m_nCenter = nCenter;
        SizeClient(cx, cy);
        HScroll(SB_THUMBPOSITION, nScroll);
        Repaint();
        std::vector<int> dashes;
        for (int y = 0; y < cy; y += 40)
            dashes.push_back(y);
        EXPECT_EQ(DashStarts(x, GUIDE), dashes);
        EXPECT_EQ(Column(x, 0, 40, GUIDE), std::string(6, '#') + std::string(34, '.'));
        for (int xClear : {x - 1, x + 1, xOther})
            EXPECT_TRUE(DashStarts(xClear, GUIDE).empty()) << xClear;
    }

    // A wider pen in another colour, centred on the column.
    g_nGuideWidth = 3;
    g_crGuide = Rgb(255, 0, 0);
    Draw();
    for (int x = 238; x <= 242; ++x)
        EXPECT_EQ(Pixel(x, 2) == Rgb(255, 0, 0), x >= 239 && x <= 241) << x;

    // Hand-edited settings draw promptly within the client, centred at 1:1 on a 600 x 100 client.
    g_crGuide = GUIDE;
    m_viewer.m_nZoom = VIEW_ZOOM_1TO1;
    SizeClient(600, 100);
    // Dash, width and pitch beyond sense, then rows 0 to 99 of the centre column; the columns
    // beside it stay clear except under the widest pen. A dash of a billion pixels once walked every
    // one of them, and lengths near the int limit overflowed.
    const std::string dash = std::string(6, '#') + std::string(34, '.');
    const std::tuple<int, int, int, std::string> EDITS[] = {
        {1000000000, 1, 40, std::string(100, '#')},
        {INT_MAX, 1, 40, std::string(100, '#')},
        {INT_MIN, 1, 40, std::string(81, '#') + std::string(19, '.')},
        {-6, 1, 40,
         "#" + std::string(34, '.') + std::string(6, '#') + std::string(34, '.') + std::string(6, '#') +
             std::string(19, '.')},
        {6, 1, INT_MAX, dash + std::string(60, '.')},
        {6, INT_MAX, 40, std::string(100, '#')},
        {INT_MAX, INT_MAX, 1, std::string(100, '#')},
        {6, 1, 0, std::string(100, '.')}, // a pitch below 1: no dashes, and the pass still ends
        {6, 1, -5, std::string(100, '.')},
    };
    for (const auto& [nDash, nWidth, nPitch, column] : EDITS)
    {
        SCOPED_TRACE(::testing::Message() << "dash " << nDash << " width " << nWidth << " pitch " << nPitch);
        std::tie(g_nGuideDash, g_nGuideWidth, g_nGuidePitch) = std::tuple(nDash, nWidth, nPitch);
        Repaint();
        EXPECT_EQ(Column(480, 0, 100, GUIDE), column);
        EXPECT_EQ((std::vector{Pixel(0, 0) == GUIDE, Pixel(599, 99) == GUIDE, Pixel(481, 0) == GUIDE}),
                  std::vector<bool>(3, nWidth > 1));
    }

    // None with the check box off, on the line-scan viewer (no overlay) or on a frame 4 pixels wide.
    std::tie(g_nGuidePitch, g_nGuideWidth) = std::tuple(40, 1);
    for (int i = 0; i < 3; ++i)
    {
        m_owner.m_nCursor = i != 0;
        m_viewer.m_bOverlay = i != 1;
        m_viewer.m_nWidth = i == 2 ? 4 : 960;
        Repaint();
        EXPECT_EQ(Column(480, 0, 100, GUIDE), std::string(100, '.')) << i;
    }
}

TEST_F(ViewerTest, MeasuringDragDrawsItsLineAndMapsTheClientToPicturePixels)
{
    FillRawUniform(255);
    Open(400, 300);
    // A move with the button held but no press in the window measures nothing.
    m_viewer.OnMouseMove(MK_LBUTTON, Point{50, 60});
    EXPECT_EQ(Measured(), (std::vector<int>{-1, -1, -1, -1}));

    // Taller than wide: a vertical dotted line at the start column.
    m_viewer.OnLButtonDown(MK_LBUTTON, Point{100, 100});
    m_viewer.OnMouseMove(MK_LBUTTON, Point{110, 200});
    Draw();
    EXPECT_EQ(Column(100, 100, 112, BLACK), "###...###...");
    EXPECT_EQ((std::pair{Pixel(100, 200), Pixel(105, 100)}), (std::pair{WHITE, WHITE}));

    // As wide as tall: horizontal, along the start row.
    m_viewer.OnMouseMove(MK_LBUTTON, Point{150, 150});
    m_viewer.OnLButtonUp(0, Point{150, 150});
    Draw();
    EXPECT_EQ(Pixel(100, 103), WHITE);
    for (int x : {101, 103, 106, 150})
        EXPECT_EQ(Pixel(x, 100), x == 101 || x == 106 ? BLACK : WHITE) << x;

    // A right click removes the rectangle, and the line with it.
    m_viewer.OnRButtonDown(MK_RBUTTON, Point{300, 200});
    EXPECT_EQ(Measured(), (std::vector<int>{-1, -1, -1, -1}));
    Draw();
    EXPECT_EQ(Pixel(101, 100), WHITE);

    HScroll(SB_THUMBPOSITION, 100);
    EXPECT_EQ(Drag({10, 20}, {5, 40}), (std::vector<int>{105, 20, 110, 40}));
    // Past the picture's right and bottom edges, and out of the window to the left and top.
    VScroll(SB_THUMBPOSITION, 984);
    EXPECT_EQ(Drag({200, 200}, {2000, 2000}), (std::vector<int>{300, 1184, 959, 1283}));
    HScroll(SB_THUMBPOSITION, 0);
    VScroll(SB_THUMBPOSITION, 0);
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

TEST_F(ViewerTest, ScrollBarsStepFollowTheZoomAndPlaceThePicture)
{
    FillRamp();
    Open(400, 300);
    const auto bars = [&]
    {
        const ScrollInfo &h = m_viewer.m_siH, &v = m_viewer.m_siV;
        return std::vector<int>{h.nMax, h.nPage, v.nMax, v.nPage};
    };
    EXPECT_EQ(bars(), (std::vector<int>{960, 401, 1284, 301}));

    // Horizontal and vertical position asked for, then kept by the bars: scrolled to the far
    // corner, the picture's last column and row touch the client's edges.
    const int CASES[][4] = {{100, 200, 100, 200}, {960, 1284, 560, 984}, {0, 0, 0, 0}};
    for (const auto& c : CASES)
    {
        EXPECT_EQ(HScroll(SB_THUMBPOSITION, c[0]), c[2]);
        EXPECT_EQ(VScroll(SB_THUMBTRACK, c[1]), c[3]);
        Draw();
        for (Point pt : {Point{0, 0}, Point{17, 5}, Point{399, 299}})
            EXPECT_EQ(Pixel(pt.x, pt.y), Grey(Ramp(c[3] + pt.y, c[2] + pt.x))) << pt.x << "," << pt.y;
    }

    // Code and position, then where the bar is left: the thumb takes the low 16 bits of the
    // position, and the bar keeps it within 960 - 400.
    const int STEPS[][3] = {{SB_LINERIGHT, 0, 2},   {SB_PAGERIGHT, 0, 12}, {SB_LINELEFT, 0, 10},
                            {SB_PAGELEFT, 0, 0},    {SB_LINELEFT, 0, 0},   {SB_THUMBTRACK, 0x10064, 100},
                            {SB_ENDSCROLL, 0, 100}, {SB_RIGHT, 0, 100},    {SB_THUMBPOSITION, 5000, 560}};
    for (const auto& step : STEPS)
        EXPECT_EQ(HScroll(step[0], step[1]), step[2]) << "code " << step[0];
    VScroll(SB_PAGEDOWN);
    EXPECT_EQ(VScroll(SB_LINEDOWN), 12);

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
    EXPECT_EQ(bars()[0] + bars()[2], 0); // no range to scroll
    EXPECT_EQ(HScroll(SB_PAGERIGHT), 0);
    EXPECT_EQ(doubleClick(), "[ 1:1 ]");
}

TEST_F(ViewerTest, OpeningShowsItMaximisedAndReopeningStartsANewThreadWithNewEventsAndHeader)
{
    FillRamp();
    ASSERT_TRUE(m_viewer.Create(nullptr));
    EXPECT_EQ((std::pair{m_viewer.IsZoomed(), m_viewer.IsTopMost()}), (std::pair{true, false}));
    Draw();
    EXPECT_EQ(Header(), (std::vector<int>{960, 1284, 8}));
    EXPECT_EQ(Pixel(0, 0), Grey(Ramp(0, 0)));
    // A top-down picture gets a negative height; its top row is then stored first.
    m_viewer.m_bTopDown = 1;
    Draw();
    EXPECT_EQ(Header(), (std::vector<int>{960, -1284, 8}));
    EXPECT_EQ(Pixel(0, 0), Grey(m_raw[0]));
    m_viewer.m_bTopDown = 0;
    const std::weak_ptr<AutoResetEvent> oldDraw = m_viewer.DrawEvent(), oldQuit = m_viewer.QuitEvent();
    const BitmapInfo* pOldBmi = m_viewer.m_pBmi.get();

    m_viewer.OnCancel();
    EXPECT_EQ(Header()[0], 960); // the header stays readable after the window has gone

    Open(300, 200);
    // The old thread has ended and let go of its events; the new one has its own.
    EXPECT_TRUE(oldDraw.expired() && oldQuit.expired());
    EXPECT_NE(m_viewer.m_pBmi.get(), pOldBmi);
    Repaint();
    EXPECT_EQ(Pixel(5, 5), Grey(Ramp(5, 5)));

    // Closing while frames keep signalling, then opening again at once.
    std::atomic<bool> bStop{false};
    std::thread frames(
        [&]
        {
            while (!bStop)
            {
                m_viewer.m_bConverted = 0;
                m_viewer.SignalDraw();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    m_viewer.m_nSourceMode = VIEW_SRC_BAYER;
    for (int i = 0; i < 3; ++i)
    {
        m_viewer.OnCancel();
        ASSERT_TRUE(m_viewer.Create(nullptr));
    }
    bStop = true;
    frames.join();
    EXPECT_TRUE(m_viewer.m_hThread.IsRunning());

    // The close box closes it.
    m_viewer.Impl().Window()->close();
    UiApplication::PumpEvents(10);
    EXPECT_EQ((std::vector<int>{m_viewer.IsWindow(), m_viewer.m_bRunning, m_viewer.m_bConverted}),
              (std::vector<int>{0, 0, 0}));
}

TEST_F(ViewerTest, NothingIsDrawnForAnEmptyPictureOrAClosingViewer)
{
    FillRawUniform(100);
    Open(300, 200);
    Draw();
    ASSERT_EQ(Pixel(5, 5), Grey(100));

    // No lines yet (a line-scan image of nothing), at 1:1 and fitted, with the overlays on; the
    // measuring drag has nothing to map to either (the sanitizer build checks the divisions).
    // Last, a picture larger than its buffer.
    m_owner.m_nCursor = 1;
    g_rcMeasure.Set(MeasureRect{0, 0, 10, 10});
    const int CASES[][3] = {{VIEW_ZOOM_1TO1, 0, 1284},
                            {VIEW_ZOOM_1TO1, 960, 0},
                            {VIEW_ZOOM_FIT, 0, 1284},
                            {VIEW_ZOOM_FIT, 960, 0},
                            {VIEW_ZOOM_1TO1, 4000, 4000}};
    for (const auto& c : CASES)
    {
        std::tie(m_viewer.m_nZoom, m_viewer.m_nWidth, m_viewer.m_nHeight) = std::tuple(c[0], c[1], c[2]);
        Repaint();
        EXPECT_EQ((std::pair{Pixel(5, 5), Pixel(0, 0)}), (std::pair{BACKGROUND, BACKGROUND}))
            << c[0] << ": " << c[1] << "x" << c[2];
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
}

TEST_F(ViewerTest, ColourFramesAreConvertedOncePerFrameAndLineScanOncePerImage)
{
    m_viewer.m_nSourceMode = VIEW_SRC_BAYER;
    FillRawUniform(100);
    for (std::size_t i = 0; i < m_bgr.size(); ++i)
        m_bgr[i] = static_cast<unsigned char>(10 * (i % 3 + 1)); // blue 10, green 20, red 30
    Open(300, 200);
    Draw();
    // Opened with the conversion marked current: the converted buffer is drawn as it is.
    EXPECT_EQ((std::pair{Pixel(5, 5), Header()[2]}), (std::pair{Rgb(30, 20, 10), 24}));

    // A colour camera in line-scan readout: the raw samples in grey, no conversion, no guide line.
    m_owner.m_nCursor = 1;
    m_viewer.m_nWidth = 4;
    FillRawUniform(77);
    m_viewer.m_bConverted = 0;
    Repaint();
    EXPECT_EQ((std::vector<ColorRef>{Pixel(0, 5), Pixel(3, 199), Pixel(4, 5)}),
              (std::vector<ColorRef>{Grey(77), Grey(77), BACKGROUND}));
    EXPECT_EQ(Header()[2], 8);
    EXPECT_EQ(std::count(m_bgr.begin(), m_bgr.end(), 30), static_cast<std::ptrdiff_t>(m_bgr.size() / 3));

    // A new live frame, or a new line-scan image, is converted once when its flag is cleared;
    // redraws without one draw the same conversion.
    m_owner.m_nCursor = 0;
    for (const int nMode : {VIEW_SRC_BAYER, VIEW_SRC_LINESCAN_BAYER})
    {
        m_viewer.m_nSourceMode = nMode;
        m_viewer.m_nWidth = nMode == VIEW_SRC_BAYER ? 960 : 64;
        const auto fill = [&](unsigned char v)
        {
            if (nMode == VIEW_SRC_BAYER)
                FillRawUniform(v);
            else
                std::fill(m_lineScan.begin(), m_lineScan.end(), v);
        };
        fill(100);
        m_viewer.m_bConverted = 0;
        Repaint();
        fill(200);
        Draw();
        EXPECT_EQ((std::pair{Pixel(5, 5), int(m_viewer.m_bConverted)}), (std::pair{Grey(100), 1})) << nMode;
        m_viewer.m_bConverted = 0;
        Draw();
        EXPECT_EQ(Pixel(5, 5), Grey(200)) << nMode;
    }
}

TEST_F(ViewerTest, StoppingTheViewerLeavesNoConversionRunning)
{
    // The longest line-scan image, whose conversion outlasts a pass's bounded waits in the
    // sanitizer build: once the drawing thread is stopped, the image may be released at once.
    constexpr std::size_t LINES = 65500;
    auto pGrey = std::make_unique<std::vector<unsigned char>>(LINES * SENSOR_WIDTH, 80);
    auto pBgr = std::make_unique<std::vector<unsigned char>>(LINES * SENSOR_WIDTH * 3, 0);
    g_pLineScan = pGrey->data();
    g_pLineScanBgr = pBgr->data();
    m_viewer.m_bOverlay = 0;
    m_viewer.m_nSourceMode = VIEW_SRC_LINESCAN_BAYER;
    m_viewer.m_nWidth = static_cast<int>(LINES);
    Open(300, 200);
    m_viewer.SignalDraw();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    m_viewer.OnCancel();
    m_viewer.StopDrawThread();

    // The first and last rows of each worker's half: converted all, or (no pass begun) not at all.
    const auto converted = [&](int nRow) { return (*pBgr)[(nRow * LINES + LINES / 2) * 3] == 80; };
    const std::vector<bool> done = {converted(1), converted(641), converted(643), converted(1282)};
    EXPECT_EQ(done, std::vector<bool>(4, done[0]));
    pBgr.reset();
    pGrey.reset();
}

namespace
{
constexpr int W = 1284;
constexpr int FULL = 960;

// Whether a copy of a full frame is one whole frame of the camera: the frame from some line counter
// (a multiple of 96 line periods, taken modulo the scene's length) in every sample.
bool WholeFrame(const std::vector<uint8_t>& copy, const SimFrameSettings& settings, bool bColor)
{
    for (uint64_t nLine = 0; nLine < SimScene::ROWS * 3; nLine += 96)
    {
        bool bSame = true;
        for (int x = 0; x < W && bSame; ++x)
            for (int y = 0; y < FULL && bSame; ++y)
                bSame = copy[static_cast<size_t>(W - 1 - x) * FULL + (FULL - 1 - y)] ==
                        SimCamera::SampleAt(settings, bColor, nLine, x, y);
        if (bSame)
            return true;
    }
    return false;
}

// What the console's frame handler does for the viewer: marks the picture stale and wakes the
// drawing thread.
struct Streamed
{
    TarnwickWnd* pViewer;
    std::atomic<int> nFrames{0};
};
void MarkStaleAndWake(void* pArg)
{
    auto* p = static_cast<Streamed*>(pArg);
    p->pViewer->m_bConverted = 0;
    p->pViewer->SignalDraw();
    ++p->nFrames;
}
} // namespace

TEST_F(ViewerTest, StreamingIntoAnOpenViewerShowsAndSavesWholeFrames)
{
    // Camera kind and frame height; the line-scan frames come hundreds a second.
    for (const auto& [bColor, nHeight] : {std::pair{false, FULL}, std::pair{true, FULL}, std::pair{true, 4}})
    {
        SCOPED_TRACE(::testing::Message() << (bColor ? "colour " : "mono ") << nHeight);
        SimCameraConfig config;
        config.bColor = bColor;
        const auto pSim = std::make_shared<SimCaptureSystem>(std::vector<SimCameraConfig>{config});
        CaptureSystem::SetCurrent(pSim);
        CameraDevice camera;
        ASSERT_EQ(camera.Init(), 1);
        camera.WriteRegister16(0, REG_LINE_PERIOD, 1388);
        m_viewer.m_nSourceMode = bColor ? VIEW_SRC_BAYER : VIEW_SRC_RAW8;
        m_viewer.m_nWidth = nHeight == FULL ? FULL : 4;
        if (!m_viewer.IsWindow())
            Open(640, 480);
        Streamed streamed{&m_viewer};
        const int nPasses = Surface().PublishedCount();
        ASSERT_EQ(camera.Open(0, W, nHeight, &MarkStaleAndWake, &streamed), CAMERA_OK);
        ASSERT_EQ(camera.Run(), CAMERA_OK);

        // Meanwhile, copies as Save Image takes them: the frame and the header under the lock.
        // However slow the machine, until enough frames were drawn and copied (or a long deadline).
        std::vector<std::vector<uint8_t>> copies;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while ((copies.size() < 10 || streamed.nFrames <= 5 || Surface().PublishedCount() <= nPasses + 5) &&
               std::chrono::steady_clock::now() < deadline)
        {
            UiApplication::PumpEvents(60);
            if (streamed.nFrames == 0)
                continue;
            std::lock_guard<std::mutex> lock(LiveFrameLock());
            BitmapInfo bmi;
            m_viewer.CopyDisplayHeader(&bmi);
            copies.emplace_back(m_raw.begin(), m_raw.begin() + W * FULL);
        }
        EXPECT_EQ(camera.Stop(), CAMERA_OK);
        const SimFrameSettings settings = pSim->Camera(0)->CurrentSettings();
        camera.Close();
        CaptureSystem::SetCurrent(nullptr);

        EXPECT_GT(streamed.nFrames, 5);
        EXPECT_GT(Surface().PublishedCount(), nPasses + 5);
        EXPECT_EQ(std::ranges::count_if(copies, [&](const auto& copy)
                                        { return nHeight == FULL && !WholeFrame(copy, settings, bColor); }),
                  0);
    }
}
