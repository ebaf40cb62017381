#pragma once

// The viewer window opened for real on the offscreen platform, with helpers that let its drawing
// thread draw the current state and read back what it left in the back buffer.

#include "buffers/shared_buffers.h"
#include "display/guide_settings.h"
#include "display/measure_rect.h"
#include "display/tarnwick_wnd.h"
#include "platform/ui/draw_surface.h"
#include "platform/ui/ui_application.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace viewer_test
{
constexpr ColorRef BACKGROUND = 0xF0F0F0;
constexpr ColorRef WHITE = 0xFFFFFF;
constexpr ColorRef BLACK = 0;
constexpr ColorRef GUIDE = 0xC0C0C0;
constexpr std::size_t LINE_SCAN_TEST_LINES = 256;

inline ColorRef Grey(int v)
{
    return Rgb(v, v, v);
}

// Never the window colour, so that a drawn pixel is always told from an untouched one.
inline int Ramp(int r, int c)
{
    return (r * 7 + c * 3) % 200;
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

inline bool WaitUntil(const std::function<bool()>& done)
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
        m_viewer.OnHScroll(nCode, nPos, WINDOW_SCROLL_BAR);
        return m_viewer.GetScrollPos(SB_HORZ);
    }
    int VScroll(int nCode, int nPos = 0)
    {
        m_viewer.OnVScroll(nCode, nPos, WINDOW_SCROLL_BAR);
        return m_viewer.GetScrollPos(SB_VERT);
    }

    std::vector<unsigned char> m_raw, m_bgr, m_lineScan, m_lineScanBgr;
    TestOwner m_owner;
    TarnwickWnd m_viewer;
};

} // namespace viewer_test
