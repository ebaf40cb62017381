#include "display/measure_rect.h"
#include "page_test_support.h"
#include "pages/line_rate.h"
#include "platform/capture/capture_faults.h"
#include "resources/page_resource.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <tuple>

namespace
{
// The resolution page on an opened simulated camera in full-frame readout, handed over as the main
// dialog does.
class PartialPageTest : public PageOnCameraTest
{
  protected:
    void SetUp() override
    {
        PageOnCameraTest::SetUp();
        ASSERT_EQ(m_camera.Open(
                      0, 1284, 960, [](void*) {}, nullptr),
                  CAMERA_OK);
        std::tie(m_page.m_dFps, m_page.m_nSize, m_page.m_nPixel, m_page.m_nSpeed) =
            std::tuple(1000, 3620, 640, 75);
        ASSERT_TRUE(m_page.Create(&m_main));
        m_page.ShowWindow(ShowState::Show);
        m_page.m_pViewer = &m_main.m_wndLive;
        m_page.m_pCamera = &m_camera;
        m_page.m_nCameraNo = 0;
        ClearLogs();
    }
    void Click(int nId) { QTest::mouseClick(ControlWidget(m_page, nId), Qt::LeftButton); }
    std::vector<std::string> Sent() { return Writes(Sim(0)); }
    bool RateIsRed()
    {
        auto* pEdit = static_cast<QLineEdit*>(ControlWidget(m_page, IDC_EDIT_FPS));
        return pEdit->palette().color(QPalette::Text) == QColor(255, 0, 0);
    }

    TabGUIPartial& m_page = m_main.m_partial;
};
} // namespace

TEST_F(PartialPageTest, ResolutionSwitchClearsAndReformatsAndLeavesStreamingAsItWas)
{
    // Streaming, the radio, the step that fails (COUNT: none), then the viewer's width, the size shown
    // and the frame height of the camera and the frame callback.
    const std::tuple<bool, int, CaptureStep, int, const char*, int> cases[] = {
        {false, IDC_RADIO_LINE_SCAN, CaptureStep::COUNT, 4, "1284 x 2", 2},
        {false, IDC_RADIO_LINE_SCAN, CaptureStep::COUNT, 4, "1284 x 2", 2}, // the same radio repeats it all
        {true, IDC_RADIO_LINE_SCAN_FAST, CaptureStep::COUNT, 4, "1284 x 4", 4},
        {true, IDC_RADIO_FULL_SIZE, CaptureStep::COUNT, 960, "1284 x 960", 960},
        // A format that cannot be set leaves frames of the old size, which the callback goes on taking.
        {true, IDC_RADIO_LINE_SCAN, CaptureStep::SET_FORMAT, 4, "1284 x 2", 960},
        {false, IDC_RADIO_LINE_SCAN_FAST, CaptureStep::GET_FORMAT, 4, "1284 x 4", 960},
    };
    // The shutter page's manual range is set again from the readout mode's lower bound.
    ASSERT_TRUE(m_main.m_shutter.Create(&m_main));
    m_main.m_shutter.m_spinShutter.SetRange(0, 1);
    m_main.m_shutter.m_scrollShutter.SetScrollRange(0, 1, false);
    for (const auto& [bStreaming, nRadio, failing, nViewWidth, pSizeText, nFrameHeight] : cases)
    {
        SCOPED_TRACE(pSizeText + std::string(bStreaming ? " streaming" : " stopped"));
        bStreaming ? m_camera.Run() : m_camera.Stop();
        {
            std::lock_guard<std::mutex> lock(LiveFrameLock()); // the camera may be streaming
            std::memset(g_pRawFrame, 0xAB, RAW_FRAME_BYTES);
            std::memset(g_pBgrFrame, 0xAB, BGR_FRAME_BYTES);
        }
        if (failing != CaptureStep::COUNT)
            CaptureFaults::Instance().FailCall(failing);
        Click(nRadio);
        CaptureFaults::Instance().Clear();

        // No viewer is opened by it; a stopped camera's raw frame stays cleared too.
        EXPECT_EQ(
            (std::vector<int>{m_page.m_nResolution, m_main.m_wndLive.m_nWidth, m_main.m_wndLive.m_nHeight,
                              Sim(0).FrameHeight(), m_camera.m_pCallback->m_nHeight, Sim(0).IsStreaming(),
                              m_main.m_wndLive.IsWindow()}),
            (std::vector<int>{nRadio - IDC_RADIO_FULL_SIZE, nViewWidth, 1284, nFrameHeight, nFrameHeight,
                              bStreaming, 0}));
        EXPECT_EQ(m_main.m_editResolution.GetWindowText(), pSizeText);
        EXPECT_EQ(std::count(g_pBgrFrame, g_pBgrFrame + BGR_FRAME_BYTES, 0), std::ptrdiff_t(BGR_FRAME_BYTES));
        EXPECT_TRUE(bStreaming || std::count(g_pRawFrame, g_pRawFrame + RAW_FRAME_BYTES, 0) ==
                                      std::ptrdiff_t(RAW_FRAME_BYTES));
    }
    int nLower = 0, nUpper = 0, nMin = 0, nMax = 0; // the shutter's manual range
    m_main.m_shutter.m_spinShutter.GetRange32(&nLower, &nUpper);
    m_main.m_shutter.m_scrollShutter.GetScrollRange(&nMin, &nMax);
    EXPECT_EQ((std::vector<int>{nLower, nUpper, nMin, nMax}), (std::vector<int>{960, 984, 960, 984}));
    EXPECT_TRUE(Sent().empty());
}

TEST_F(PartialPageTest, LinePositionMovesTogetherUnchecksCenterAndWritesEveryNotification)
{
    const std::tuple<int, std::vector<int>, int> cases[] = {
        {500, {SB_LINERIGHT, SB_ENDSCROLL}, 502},
        {0, {SB_LINELEFT, SB_ENDSCROLL}, 0},
        {957, {SB_LINERIGHT, SB_ENDSCROLL}, 958},
        {958, {SB_PAGERIGHT, SB_ENDSCROLL}, 958},
        {10, {SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL}, 700},
        {500, {ARROW_UP}, 501},
        {0, {ARROW_DOWN}, 0},
    };
    for (const auto& [nStart, gesture, nExpected] : cases)
    {
        SCOPED_TRACE(nStart);
        m_page.m_editLinePos.SetWindowText(std::to_string(nStart)); // as the start-up chain shows it
        m_page.m_scrollLinePos.SetScrollPos(nStart, true);
        m_page.m_chkCenter.SetCheck(1);
        for (int nCode : gesture)
            nCode < 0 ? m_page.m_spinLinePos.Step(nCode == ARROW_UP)
                      : m_page.OnHScroll(nCode, 700, IDC_SCROLL_LINE_POS);
        EXPECT_EQ((std::tuple{m_page.m_editLinePos.GetWindowText(), m_page.m_scrollLinePos.GetScrollPos(),
                              m_page.m_chkCenter.GetCheck()}),
                  (std::tuple{std::to_string(nExpected), nExpected, 0}));
        EXPECT_EQ(Sent(), Write16(REG_LINE_POSITION, nExpected, gesture[0] < 0 ? 1 : int(gesture.size())));
    }

    Click(IDC_CHK_CENTER);
    EXPECT_EQ(m_page.m_editLinePos.GetWindowText() + std::to_string(m_page.m_scrollLinePos.GetScrollPos()),
              "00");
    EXPECT_EQ(Sent(), Write16(REG_LINE_POSITION, LINE_POS_CENTER));
    Click(IDC_CHK_CURSOR); // only the drawing thread reads it
    EXPECT_EQ(m_page.m_chkCursor.GetCheck(), 1);
    Click(IDC_CHK_CENTER); // unchecked: the controls keep showing 0, and 0 is sent
    EXPECT_EQ(Sent(), Write16(REG_LINE_POSITION, 0));
}

TEST_F(PartialPageTest, LineRateCommandWritesThePeriodAndShowsAClampedComputedRateInRed)
{
    // The arithmetic is the line-rate functions'; here: which entries are read and written, and the colour.
    // The input radio, the pixels, speed and rate typed, the rate shown after the command, the period.
    const std::tuple<int, const char*, const char*, const char*, const char*, int, bool> cases[] = {
        {IDC_RADIO_ENV_INPUT, "640", "75", "1.00", "1841.62", 1390, false},
        {IDC_RADIO_ENV_INPUT, "640", "100", "1.00", "2455.49", 1388, true},
        {IDC_RADIO_FPS_INPUT, "1", "1", "1000.00", "1000.00", 2560, false},
        {IDC_RADIO_FPS_INPUT, "1", "1", "1844.63", "1844.63", 1388, false}, // clamped, but typed
    };
    for (const auto& [nRadio, pPixel, pSpeed, pFps, pFpsAfter, nCount, bRed] : cases)
    {
        Click(nRadio);
        m_page.m_editPixel.SetWindowText(pPixel);
        m_page.m_editSpeed.SetWindowText(pSpeed);
        m_page.m_editFps.SetWindowText(pFps);
        Click(IDC_SET_LINE_RATE);
        EXPECT_EQ((std::tuple{m_page.m_editFps.GetWindowText(), RateIsRed()}), (std::tuple{pFpsAfter, bRed}));
        EXPECT_EQ(Sent(), Write16(REG_LINE_PERIOD, nCount));
    }

    // A clamped typed rate turns red when the entry goes read-only; the switch recomputes nothing.
    m_page.m_editFps.SetWindowText("2000");
    m_page.PostCommand(IDC_SET_LINE_RATE); // as Start and Rec Start send it
    UiApplication::PumpEvents();
    EXPECT_EQ(m_page.m_bRateClamped, 1);
    for (auto [nRadio, bRed] :
         {std::pair{IDC_RADIO_FPS_INPUT, false}, {IDC_RADIO_ENV_INPUT, true}, {IDC_RADIO_FPS_INPUT, false}})
    {
        Click(nRadio);
        EXPECT_EQ(RateIsRed(), bRed) << nRadio;
    }
    EXPECT_EQ(m_page.m_editFps.GetWindowText(), "2000");
    EXPECT_EQ(Sent(), Write16(REG_LINE_PERIOD, 1388));
}

TEST_F(PartialPageTest, PixelCountIsTheLongerSideOfTheMeasuredRectangleTakenOnce)
{
    const std::pair<MeasureRect, const char*> cases[] = {
        {{10, 20, 110, 270}, "250"}, {{0, 0, 300, 100}, "300"}, {{}, "7"}, {{10, 20, 110, -1}, "7"}};
    for (const auto& [rc, pPixel] : cases)
    {
        SCOPED_TRACE(pPixel);
        m_page.m_editPixel.SetWindowText("7");
        g_rcMeasure.Set(rc);
        Click(IDC_GET_FROM_DRAW_AREA);
        EXPECT_EQ(m_page.m_editPixel.GetWindowText(), pPixel);
        m_page.m_editPixel.SetWindowText("7");
        Click(IDC_GET_FROM_DRAW_AREA); // again without a new drag: nothing
        EXPECT_EQ(m_page.m_editPixel.GetWindowText(), "7");
    }
    g_rcMeasure.Clear();
    EXPECT_TRUE(Sent().empty()); // the rate waits for "設定"
}
