// The viewer window with its drawing thread, opened for real on the offscreen platform: what the
// drawing thread leaves in the back buffer, and what the handlers do with scroll bars, the
// measured rectangle, the zoom and the keys.

#include "console/shared_buffers.h"
#include "display/guide_settings.h"
#include "display/measure_rect.h"
#include "display/tarnwick_wnd.h"
#include "platform/ui/dialog_impl.h"
#include "platform/ui/draw_surface.h"
#include "platform/ui/ui_application.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <QTest>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace
{
constexpr ColorRef BACKGROUND = 0xF0F0F0;
constexpr ColorRef WHITE = 0xFFFFFF;
constexpr ColorRef BLACK = 0;
constexpr ColorRef GUIDE = 0xC0C0C0;
constexpr std::size_t LINE_SCAN_TEST_LINES = 256;

ColorRef Grey(int v)
{
    return Rgb(v, v, v);
}

class TestOwner : public ViewerOwner
{
  public:
    int GetTabSelection() const override { return m_nSel; }
    void PostRecCommand(int nCommandId) override { m_posted.push_back(nCommandId); }
    int GetCursorCheck() const override { return m_nCursor; }
    int GetCenterCheck() const override { return m_nCenter; }
    int GetLinePosition() const override { return m_nLinePos; }

    std::atomic<int> m_nSel{0};
    std::atomic<int> m_nCursor{0};
    std::atomic<int> m_nCenter{0};
    std::atomic<int> m_nLinePos{478};
    std::vector<int> m_posted;
};

bool WaitUntil(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done())
    {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        UiApplication::PumpEvents(5);
    }
    return true;
}

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
        g_crGuide = GUIDE;
        g_nGuideWidth = 1;
        g_nGuidePitch = 40;
        g_nGuideDash = 6;
        // The live viewer as the console prepares it, on a mono camera.
        m_viewer.m_pOwner = &m_owner;
        m_viewer.m_nWidth = 960;
        m_viewer.m_nHeight = 1284;
        m_viewer.m_bOverlay = 1;
        m_viewer.m_nZoom = VIEW_ZOOM_1TO1;
        m_viewer.m_nSourceMode = VIEW_SRC_RAW8;
        m_viewer.m_nBayerPattern = BAYER_GRBG;
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
            ASSERT_TRUE(WaitUntil([&] { return Surface().PublishedCount() > n; })) << "no pass drawn";
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

    // The raw frame as the viewer draws it in 8 bits: buffer row 0 is the picture's bottom row.
    void FillRaw(int nWidth, int nHeight, int (*value)(int nRowFromTop, int nCol))
    {
        for (int r = 0; r < nHeight; ++r)
            for (int c = 0; c < nWidth; ++c)
                m_raw[static_cast<std::size_t>(nHeight - 1 - r) * nWidth + c] =
                    static_cast<unsigned char>(value(r, c));
    }
    void FillRawUniform(unsigned char v) { std::fill(m_raw.begin(), m_raw.end(), v); }

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
        const int nHeight = Surface().BufferHeight();
        for (int y = 0; y < nHeight; ++y)
            if (Pixel(x, y) == c && (y == 0 || Pixel(x, y - 1) != c))
                starts.push_back(y);
        return starts;
    }

    std::vector<unsigned char> m_raw, m_bgr, m_lineScan, m_lineScanBgr;
    TestOwner m_owner;
    TarnwickWnd m_viewer;
};

int Ramp(int r, int c)
{
    // Never the window colour, so that a drawn pixel is always told from an untouched one.
    return (r * 7 + c * 3) % 200;
}

std::vector<int> Steps(int nFirst, int nStep, int nLimit)
{
    std::vector<int> v;
    for (int y = nFirst; y < nLimit; y += nStep)
        v.push_back(y);
    return v;
}

} // namespace

TEST_F(ViewerTest, OpeningShowsTheViewerMaximisedWithANewGreyHeader)
{
    ASSERT_TRUE(m_viewer.Create(nullptr));
    EXPECT_TRUE(m_viewer.IsZoomed());
    EXPECT_FALSE(m_viewer.IsTopMost());
    EXPECT_EQ(m_viewer.GetWindowText(), "[ 1:1 ]");
    EXPECT_EQ(m_viewer.m_bRunning, 1);
    EXPECT_EQ(m_viewer.m_bConverted, 1);
    EXPECT_EQ(m_viewer.m_ptDown.x, -1);
    EXPECT_EQ(m_viewer.m_ptDown.y, -1);

    FillRaw(960, 1284, Ramp);
    Draw();
    BitmapInfo bmi;
    ASSERT_TRUE(m_viewer.CopyDisplayHeader(&bmi));
    EXPECT_EQ(bmi.bmiHeader.biSize, 40u);
    EXPECT_EQ(bmi.bmiHeader.biWidth, 960);
    EXPECT_EQ(bmi.bmiHeader.biHeight, 1284);
    EXPECT_EQ(bmi.bmiHeader.biBitCount, 8);
    EXPECT_EQ(bmi.bmiHeader.biPlanes, 1);
    EXPECT_EQ(bmi.bmiColors[0x7F].rgbRed, 0x7F);
    EXPECT_EQ(bmi.bmiColors[0x7F].rgbGreen, 0x7F);
    EXPECT_EQ(bmi.bmiColors[0x7F].rgbBlue, 0x7F);

    // A top-down picture gets a negative height; its top row is then stored first.
    m_viewer.m_bTopDown = 1;
    Draw();
    ASSERT_TRUE(m_viewer.CopyDisplayHeader(&bmi));
    EXPECT_EQ(bmi.bmiHeader.biHeight, -1284);
    EXPECT_EQ(Pixel(0, 0), Grey(m_raw[0]));
}

TEST_F(ViewerTest, OneToOneShowsThePictureFromTheScrollPositions)
{
    FillRaw(960, 1284, Ramp);
    Open(400, 300);
    Draw();
    EXPECT_EQ(Pixel(0, 0), Grey(Ramp(0, 0)));
    EXPECT_EQ(Pixel(399, 299), Grey(Ramp(299, 399)));

    m_viewer.OnHScroll(SB_THUMBPOSITION, 100, WINDOW_SCROLL_BAR);
    m_viewer.OnVScroll(SB_THUMBTRACK, 200, WINDOW_SCROLL_BAR);
    Draw();
    EXPECT_EQ(Pixel(0, 0), Grey(Ramp(200, 100)));
    EXPECT_EQ(Pixel(17, 5), Grey(Ramp(205, 117)));
    EXPECT_EQ(Pixel(399, 299), Grey(Ramp(499, 499)));

    // Scrolled to the far corner, the picture's last column and row touch the client's edges.
    m_viewer.OnHScroll(SB_THUMBPOSITION, 960, WINDOW_SCROLL_BAR);
    m_viewer.OnVScroll(SB_THUMBPOSITION, 1284, WINDOW_SCROLL_BAR);
    Draw();
    EXPECT_EQ(m_viewer.GetScrollPos(SB_HORZ), 560);
    EXPECT_EQ(m_viewer.GetScrollPos(SB_VERT), 984);
    EXPECT_EQ(Pixel(399, 299), Grey(Ramp(1283, 959)));
}

TEST_F(ViewerTest, FitDrawsThePictureAtTheSmallerWholePercentScale)
{
    FillRaw(960, 1284, Ramp);
    m_viewer.m_nZoom = VIEW_ZOOM_FIT;
    Open(480, 642);
    EXPECT_EQ(m_viewer.GetWindowText(), "[ Fit ]");
    Draw();
    // s = t = 50: every other column and row, the whole client covered.
    EXPECT_EQ(Pixel(0, 0), Grey(Ramp(0, 0)));
    EXPECT_EQ(Pixel(10, 3), Grey(Ramp(6, 20)));
    EXPECT_EQ(Pixel(479, 641), Grey(Ramp(1282, 958)));

    // s = 104, t = 54: 518 x 693.
    SizeClient(1000, 700);
    Draw();
    EXPECT_NE(Pixel(517, 692), BACKGROUND);
    EXPECT_EQ(Pixel(518, 100), BACKGROUND);
    EXPECT_EQ(Pixel(100, 693), BACKGROUND);
    EXPECT_EQ(Pixel(999, 699), BACKGROUND);
    // The scroll positions play no part.
    m_viewer.OnHScroll(SB_THUMBPOSITION, 300, WINDOW_SCROLL_BAR);
    Draw();
    EXPECT_EQ(Pixel(0, 0), Grey(Ramp(0, 0)));
}

TEST_F(ViewerTest, GuideLineDashesDownTheLineColumn)
{
    m_owner.m_nCursor = 1;
    m_owner.m_nLinePos = 100;
    Open(900, 1000);
    Draw();
    // 1:1: x = 960 - 100 - 2, dashes of 6 every 40 pixels from the top, not shifted by scrolling.
    const int x = 858;
    EXPECT_EQ(DashStarts(x, GUIDE), Steps(0, 40, 1000));
    EXPECT_EQ(DashStarts(x, GUIDE).size(), 25u);
    EXPECT_EQ(Column(x, 960, 1000, GUIDE), std::string(6, '#') + std::string(34, '.'));
    EXPECT_TRUE(DashStarts(x - 1, GUIDE).empty());
    EXPECT_TRUE(DashStarts(x + 1, GUIDE).empty());
    m_viewer.OnHScroll(SB_THUMBPOSITION, 30, WINDOW_SCROLL_BAR);
    Draw();
    EXPECT_EQ(DashStarts(x, GUIDE).size(), 25u);

    // "Center": the full frame's centre column.
    m_owner.m_nCenter = 1;
    m_viewer.RedrawWindow();
    Draw();
    EXPECT_TRUE(DashStarts(x, GUIDE).empty());
    EXPECT_EQ(DashStarts(480, GUIDE), Steps(0, 40, 1000));

    // A wider pen in another colour.
    g_nGuideWidth = 3;
    g_crGuide = Rgb(255, 0, 0);
    Draw();
    for (int x3 : {479, 480, 481})
        EXPECT_EQ(Pixel(x3, 2), Rgb(255, 0, 0)) << x3;
    EXPECT_NE(Pixel(478, 2), Rgb(255, 0, 0));
    EXPECT_NE(Pixel(482, 2), Rgb(255, 0, 0));
}

TEST_F(ViewerTest, GuideLineFollowsTheFitScale)
{
    m_owner.m_nCursor = 1;
    m_owner.m_nLinePos = 100;
    m_viewer.m_nZoom = VIEW_ZOOM_FIT;
    Open(480, 642);
    Draw();
    // k = 50: x = 858 * 50 / 100, dashes while y < 1284 * 50 / 100.
    EXPECT_EQ(DashStarts(429, GUIDE), Steps(0, 40, 642));
    m_owner.m_nCenter = 1;
    m_viewer.RedrawWindow();
    Draw();
    EXPECT_EQ(DashStarts(240, GUIDE), Steps(0, 40, 642));
    EXPECT_TRUE(DashStarts(429, GUIDE).empty());
}

TEST_F(ViewerTest, NoGuideLineWhereItDoesNotBelong)
{
    m_owner.m_nCursor = 1;
    m_owner.m_nCenter = 1;
    Open(600, 400);
    Draw();
    ASSERT_FALSE(DashStarts(480, GUIDE).empty());

    // Check box off; no overlay (the line-scan viewer); a two-line frame 4 pixels wide.
    const auto drawnWith = [&](auto change, auto undo)
    {
        change();
        m_viewer.RedrawWindow();
        Draw();
        const bool bDrawn = !DashStarts(480, GUIDE).empty();
        undo();
        return bDrawn;
    };
    EXPECT_FALSE(drawnWith([&] { m_owner.m_nCursor = 0; }, [&] { m_owner.m_nCursor = 1; }));
    EXPECT_FALSE(drawnWith([&] { m_viewer.m_bOverlay = 0; }, [&] { m_viewer.m_bOverlay = 1; }));
    EXPECT_FALSE(drawnWith([&] { m_viewer.m_nWidth = 4; }, [&] { m_viewer.m_nWidth = 960; }));
    // A pitch below 1 draws no dashes and the pass still ends.
    EXPECT_FALSE(drawnWith([&] { g_nGuidePitch = 0; }, [&] { g_nGuidePitch = 40; }));
    EXPECT_FALSE(drawnWith([&] { g_nGuidePitch = -5; }, [&] { g_nGuidePitch = 40; }));
    EXPECT_TRUE(drawnWith([] {}, [] {}));
}

TEST_F(ViewerTest, MeasuringLineRunsAlongTheLongerSideFromTheDragStart)
{
    FillRawUniform(255);
    Open(600, 400);
    // Taller than wide: a vertical dotted line at the start column.
    m_viewer.OnLButtonDown(MK_LBUTTON, Point{100, 100});
    m_viewer.OnMouseMove(MK_LBUTTON, Point{110, 200});
    Draw();
    EXPECT_EQ(Column(100, 100, 112, BLACK), "###...###...");
    EXPECT_EQ(Pixel(100, 200), WHITE);
    EXPECT_EQ(Pixel(105, 100), WHITE);

    // As wide as tall: horizontal, along the start row.
    m_viewer.OnMouseMove(MK_LBUTTON, Point{150, 150});
    m_viewer.OnLButtonUp(0, Point{150, 150});
    Draw();
    EXPECT_EQ(Pixel(100, 103), WHITE);
    EXPECT_EQ(Pixel(101, 100), BLACK);
    EXPECT_EQ(Pixel(103, 100), WHITE);
    EXPECT_EQ(Pixel(106, 100), BLACK);
    EXPECT_EQ(Pixel(150, 100), WHITE);

    // A right click removes the rectangle, and the line with it.
    m_viewer.OnRButtonDown(MK_RBUTTON, Point{300, 300});
    const MeasureRect rc = g_rcMeasure.Get();
    EXPECT_EQ(rc.left, -1);
    EXPECT_EQ(rc.top, -1);
    EXPECT_EQ(rc.right, -1);
    EXPECT_EQ(rc.bottom, -1);
    Draw();
    EXPECT_EQ(Pixel(101, 100), WHITE);
}

TEST_F(ViewerTest, MeasuringDragMapsTheClientToPicturePixels)
{
    Open(400, 300);
    const auto drag = [&](Point from, Point to)
    {
        m_viewer.OnLButtonDown(MK_LBUTTON, from);
        m_viewer.OnMouseMove(MK_LBUTTON, to);
        m_viewer.OnLButtonUp(0, to);
        const MeasureRect rc = g_rcMeasure.Get();
        return std::vector<int>{rc.left, rc.top, rc.right, rc.bottom};
    };
    m_viewer.OnHScroll(SB_THUMBPOSITION, 100, WINDOW_SCROLL_BAR);
    EXPECT_EQ(drag({10, 20}, {5, 40}), (std::vector<int>{105, 20, 110, 40}));
    // Past the picture's right and bottom edges, and out of the window to the left and top.
    m_viewer.OnVScroll(SB_THUMBPOSITION, 984, WINDOW_SCROLL_BAR);
    EXPECT_EQ(drag({200, 200}, {2000, 2000}), (std::vector<int>{300, 1184, 959, 1283}));
    m_viewer.OnHScroll(SB_THUMBPOSITION, 0, WINDOW_SCROLL_BAR);
    m_viewer.OnVScroll(SB_THUMBPOSITION, 0, WINDOW_SCROLL_BAR);
    EXPECT_EQ(drag({10, 10}, {-20, -30}), (std::vector<int>{0, 0, 10, 10}));

    // A move without a drag, or after the release, leaves the rectangle.
    m_viewer.OnMouseMove(0, Point{50, 60});
    EXPECT_EQ(g_rcMeasure.Get().right, 10);
    // The line-scan viewer (no overlay) starts no drag.
    m_viewer.m_bOverlay = 0;
    m_viewer.OnLButtonDown(MK_LBUTTON, Point{30, 30});
    m_viewer.OnMouseMove(MK_LBUTTON, Point{60, 90});
    EXPECT_EQ(g_rcMeasure.Get().right, 10);
    m_viewer.m_bOverlay = 1;

    // Fit, 480 x 642 client over 960 x 1284: q = 50.5, so x 480 is column 950.
    m_viewer.OnLButtonDblClk(0, Point{});
    SizeClient(480, 642);
    EXPECT_EQ(drag({0, 0}, {480, 101}), (std::vector<int>{0, 0, 950, 200}));
    EXPECT_EQ(drag({-10, 5}, {600, 700}), (std::vector<int>{0, 9, 959, 1283}));
}

TEST_F(ViewerTest, ScrollBarsStepAndFollowTheZoom)
{
    Open(400, 300);
    EXPECT_EQ(m_viewer.m_siH.nMax, 960);
    EXPECT_EQ(m_viewer.m_siH.nPage, 401);
    EXPECT_EQ(m_viewer.m_siV.nMax, 1284);
    EXPECT_EQ(m_viewer.m_siV.nPage, 301);

    const auto h = [&](int nCode, int nPos = 0)
    {
        m_viewer.OnHScroll(nCode, nPos, WINDOW_SCROLL_BAR);
        return m_viewer.GetScrollPos(SB_HORZ);
    };
    EXPECT_EQ(h(SB_LINERIGHT), 2);
    EXPECT_EQ(h(SB_PAGERIGHT), 12);
    EXPECT_EQ(h(SB_LINELEFT), 10);
    EXPECT_EQ(h(SB_PAGELEFT), 0);
    EXPECT_EQ(h(SB_LINELEFT), 0);
    EXPECT_EQ(h(SB_THUMBTRACK, 0x10064), 100); // the low 16 bits
    EXPECT_EQ(h(SB_ENDSCROLL), 100);
    EXPECT_EQ(h(SB_RIGHT), 100);
    EXPECT_EQ(h(SB_THUMBPOSITION, 5000), 560); // the bar keeps it within 960 - 400
    m_viewer.OnVScroll(SB_PAGEDOWN, 0, WINDOW_SCROLL_BAR);
    m_viewer.OnVScroll(SB_LINEDOWN, 0, WINDOW_SCROLL_BAR);
    EXPECT_EQ(m_viewer.GetScrollPos(SB_VERT), 12);

    // The wheel: 120 a notch, vertical, horizontal with Shift.
    m_viewer.OnMouseWheel(0, -120, Point{});
    EXPECT_EQ(m_viewer.GetScrollPos(SB_VERT), 132);
    m_viewer.OnMouseWheel(0, 240, Point{});
    EXPECT_EQ(m_viewer.GetScrollPos(SB_VERT), 0);
    m_viewer.OnMouseWheel(MK_SHIFT, 120, Point{});
    EXPECT_EQ(m_viewer.GetScrollPos(SB_HORZ), 440);
    EXPECT_EQ(m_viewer.GetScrollPos(SB_VERT), 0);

    // A resize keeps the positions as far as the new range allows.
    SizeClient(700, 300);
    EXPECT_EQ(m_viewer.m_siH.nPage, 701);
    EXPECT_EQ(m_viewer.GetScrollPos(SB_HORZ), 260);

    // Double clicks toggle the zoom and its caption; fitted there is nothing to scroll.
    QTest::mouseDClick(m_viewer.Impl().Client(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    UiApplication::PumpEvents(20);
    EXPECT_EQ(m_viewer.m_nZoom, VIEW_ZOOM_FIT);
    EXPECT_EQ(m_viewer.GetWindowText(), "[ Fit ]");
    EXPECT_EQ(m_viewer.m_siH.nMax, 0);
    EXPECT_EQ(m_viewer.m_siV.nMax, 0);
    EXPECT_EQ(m_viewer.GetScrollPos(SB_HORZ), 0);
    EXPECT_EQ(h(SB_PAGERIGHT), 0);
    QTest::mouseDClick(m_viewer.Impl().Client(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    UiApplication::PumpEvents(20);
    EXPECT_EQ(m_viewer.m_nZoom, VIEW_ZOOM_1TO1);
    EXPECT_EQ(m_viewer.GetWindowText(), "[ 1:1 ]");
    EXPECT_EQ(m_viewer.m_siH.nMax, 960);
}

TEST_F(ViewerTest, RecKeysReachTheRecPageOnlyWhileItIsCurrentAndEnterEscDoNothing)
{
    Open(300, 200);
    QWidget* pClient = m_viewer.Impl().Client();
    for (Qt::Key key : {Qt::Key_R, Qt::Key_S, Qt::Key_T})
        QTest::keyClick(pClient, key);
    UiApplication::PumpEvents(10);
    EXPECT_TRUE(m_owner.m_posted.empty());

    m_owner.m_nSel = 3;
    for (Qt::Key key : {Qt::Key_R, Qt::Key_S, Qt::Key_T})
        QTest::keyClick(pClient, key);
    QTest::keyClick(pClient, Qt::Key_R, Qt::ShiftModifier); // modifiers are not looked at
    UiApplication::PumpEvents(10);
    EXPECT_EQ(m_owner.m_posted, (std::vector<int>{IDC_REC_START, IDC_REC_SAVE, IDC_REC_STOP, IDC_REC_START}));

    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
        QTest::keyClick(pClient, key);
    UiApplication::PumpEvents(10);
    EXPECT_TRUE(m_viewer.IsWindow());
    EXPECT_TRUE(m_viewer.IsWindowVisible());
    EXPECT_EQ(m_viewer.m_bRunning, 1);
    EXPECT_EQ(m_owner.m_posted.size(), 4u);

    // The close box closes it.
    m_viewer.Impl().Window()->close();
    UiApplication::PumpEvents(10);
    EXPECT_FALSE(m_viewer.IsWindow());
    EXPECT_EQ(m_viewer.m_bRunning, 0);
    EXPECT_EQ(m_viewer.m_bConverted, 0);
}

TEST_F(ViewerTest, ReopeningStartsANewThreadWithNewEventsAndHeader)
{
    FillRaw(960, 1284, Ramp);
    Open(300, 200);
    Draw();
    const std::weak_ptr<AutoResetEvent> oldDraw = m_viewer.m_hDrawEvent.load();
    const std::weak_ptr<AutoResetEvent> oldQuit = m_viewer.m_hQuitEvent.load();
    const BitmapInfo* pOldBmi = m_viewer.m_pBmi.get();

    m_viewer.OnCancel();
    EXPECT_FALSE(m_viewer.IsWindow());
    // The header stays readable after the window has gone.
    BitmapInfo bmi;
    ASSERT_TRUE(m_viewer.CopyDisplayHeader(&bmi));
    EXPECT_EQ(bmi.bmiHeader.biWidth, 960);

    Open(300, 200);
    // The old thread has ended and let go of its events; the new one has its own.
    EXPECT_TRUE(oldDraw.expired());
    EXPECT_TRUE(oldQuit.expired());
    EXPECT_NE(m_viewer.m_hDrawEvent.load(), nullptr);
    EXPECT_NE(m_viewer.m_pBmi.get(), pOldBmi);
    EXPECT_TRUE(m_viewer.m_hThread.IsRunning());
    m_viewer.RedrawWindow();
    Draw();
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
}

TEST_F(ViewerTest, NothingIsDrawnForAnEmptyPictureOrAClosingViewer)
{
    FillRawUniform(100);
    Open(300, 200);
    Draw();
    ASSERT_EQ(Pixel(5, 5), Grey(100));

    // No lines yet (a line-scan image of nothing), at 1:1 and fitted, with the overlays on.
    m_owner.m_nCursor = 1;
    g_rcMeasure.Set(MeasureRect{0, 0, 10, 10});
    for (int nZoom : {VIEW_ZOOM_1TO1, VIEW_ZOOM_FIT})
    {
        for (auto size : {std::pair{0, 1284}, std::pair{960, 0}})
        {
            m_viewer.m_nZoom = nZoom;
            m_viewer.m_nWidth = size.first;
            m_viewer.m_nHeight = size.second;
            m_viewer.RedrawWindow();
            Draw();
            EXPECT_EQ(Pixel(5, 5), BACKGROUND);
            EXPECT_EQ(Pixel(0, 0), BACKGROUND);
            // The measuring drag has nothing to map to either.
            m_viewer.OnLButtonDown(MK_LBUTTON, Point{1, 1});
            m_viewer.OnMouseMove(MK_LBUTTON, Point{50, 50});
            m_viewer.OnLButtonUp(0, Point{50, 50});
        }
    }
    // A picture larger than its buffer is not drawn either.
    m_viewer.m_nZoom = VIEW_ZOOM_1TO1;
    m_viewer.m_nWidth = 4000;
    m_viewer.m_nHeight = 4000;
    Draw();
    EXPECT_EQ(Pixel(5, 5), BACKGROUND);

    // Closing: the flag goes first, and no pass draws after it.
    m_viewer.m_nWidth = 960;
    m_viewer.m_nHeight = 1284;
    m_viewer.m_bRunning = 0;
    const int n = Surface().PublishedCount();
    m_viewer.SignalDraw();
    UiApplication::PumpEvents(200);
    Settle();
    EXPECT_EQ(Surface().PublishedCount(), n);
}

TEST_F(ViewerTest, ColourFramesAreConvertedOncePerFrameAndLineScanOnEveryPass)
{
    m_viewer.m_nSourceMode = VIEW_SRC_BAYER;
    FillRawUniform(100);
    Open(300, 200);
    Draw();
    // Opened with the conversion marked current: the (black) converted buffer is drawn as it is.
    EXPECT_EQ(Pixel(5, 5), BLACK);
    BitmapInfo bmi;
    ASSERT_TRUE(m_viewer.CopyDisplayHeader(&bmi));
    EXPECT_EQ(bmi.bmiHeader.biBitCount, 24);

    // A new frame: converted once.
    m_viewer.m_bConverted = 0;
    Draw();
    EXPECT_EQ(Pixel(5, 5), Grey(100));
    EXPECT_EQ(m_viewer.m_bConverted, 1);
    // Redraws without a new frame draw the same conversion.
    FillRawUniform(200);
    Draw();
    EXPECT_EQ(Pixel(5, 5), Grey(100));
    m_viewer.m_bConverted = 0;
    Draw();
    EXPECT_EQ(Pixel(5, 5), Grey(200));

    // A colour camera in line-scan readout: the raw samples in grey, no conversion, no guide line.
    m_owner.m_nCursor = 1;
    m_viewer.m_nWidth = 4;
    std::fill(m_bgr.begin(), m_bgr.end(), 0);
    FillRawUniform(77);
    m_viewer.m_bConverted = 0;
    m_viewer.RedrawWindow();
    Draw();
    EXPECT_EQ(Pixel(0, 5), Grey(77));
    EXPECT_EQ(Pixel(3, 199), Grey(77));
    EXPECT_EQ(Pixel(4, 5), BACKGROUND);
    ASSERT_TRUE(m_viewer.CopyDisplayHeader(&bmi));
    EXPECT_EQ(bmi.bmiHeader.biBitCount, 8);
    EXPECT_EQ(std::count(m_bgr.begin(), m_bgr.end(), 0), static_cast<std::ptrdiff_t>(m_bgr.size()));

    // The line-scan image: converted on every pass, whatever the flag says.
    m_owner.m_nCursor = 0;
    m_viewer.m_nSourceMode = VIEW_SRC_LINESCAN_BAYER;
    m_viewer.m_nWidth = 64;
    m_viewer.m_nBayerPattern = BAYER_RGGB;
    std::fill(m_lineScan.begin(), m_lineScan.end(), 50);
    m_viewer.RedrawWindow();
    Draw();
    EXPECT_EQ(Pixel(5, 5), Grey(50));
    EXPECT_EQ(Pixel(64, 5), BACKGROUND);
    std::fill(m_lineScan.begin(), m_lineScan.end(), 90);
    m_viewer.m_bConverted = 1;
    Draw();
    EXPECT_EQ(Pixel(5, 5), Grey(90));
}
