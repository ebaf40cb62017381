#include "display/measure_rect.h"
#include "page_test_support.h"
#include "platform/capture/capture_faults.h"
#include "resources/page_resource.h"

#include <gtest/gtest.h>

#include <QLineEdit>

#include <algorithm>
#include <cstring>
#include <tuple>

namespace
{
bool RateIsRed(TabGUIPartial& page)
{
    auto* pEdit = static_cast<QLineEdit*>(ControlWidget(page, IDC_EDIT_FPS));
    return pEdit->palette().color(QPalette::Text) == QColor(255, 0, 0);
}
} // namespace

TEST_F(PagesTest, ResolutionSwitchClearsAndReformatsAndLeavesStreamingAsItWas)
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
    m_shutter.m_spinShutter.SetRange(0, 1);
    m_shutter.m_scrollShutter.SetScrollRange(0, 1, false);
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
        Click(m_partial, nRadio);
        CaptureFaults::Instance().Clear();

        // No viewer is opened by it; a stopped camera's raw frame stays cleared too.
        EXPECT_EQ(
            (std::vector<int>{m_partial.m_nResolution, m_main.m_wndLive.m_nWidth, m_main.m_wndLive.m_nHeight,
                              Sim(0).FrameHeight(), m_camera.m_pCallback->m_nHeight, Sim(0).IsStreaming(),
                              m_main.m_wndLive.IsWindow()}),
            (std::vector<int>{nRadio - IDC_RADIO_FULL_SIZE, nViewWidth, 1284, nFrameHeight, nFrameHeight,
                              bStreaming, 0}));
        EXPECT_EQ(
            (std::tuple{m_main.m_editResolution.GetWindowText(),
                        *std::max_element(g_pBgrFrame, g_pBgrFrame + BGR_FRAME_BYTES),
                        bStreaming ? 0 : *std::max_element(g_pRawFrame, g_pRawFrame + RAW_FRAME_BYTES)}),
            (std::tuple{pSizeText, 0, 0}));
    }
    int nLower = 0, nUpper = 0, nMin = 0, nMax = 0; // the shutter's manual range
    m_shutter.m_spinShutter.GetRange32(&nLower, &nUpper);
    m_shutter.m_scrollShutter.GetScrollRange(&nMin, &nMax);
    EXPECT_EQ((std::vector<int>{nLower, nUpper, nMin, nMax}), (std::vector<int>{960, 984, 960, 984}));
    EXPECT_TRUE(Sent().empty());
}

TEST_F(PagesTest, LineRateCommandWritesThePeriodAndShowsAClampedComputedRateInRed)
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
        Click(m_partial, nRadio);
        m_partial.m_editPixel.SetWindowText(pPixel);
        m_partial.m_editSpeed.SetWindowText(pSpeed);
        m_partial.m_editFps.SetWindowText(pFps);
        Click(m_partial, IDC_SET_LINE_RATE);
        EXPECT_EQ((std::tuple{m_partial.m_editFps.GetWindowText(), RateIsRed(m_partial)}),
                  (std::tuple{pFpsAfter, bRed}));
        EXPECT_EQ(Sent(), Write16(REG_LINE_PERIOD, nCount));
    }

    // The last rate was clamped: it shows red while the entry is read-only; no switch works it out again.
    for (auto [nRadio, bRed] : {std::pair{IDC_RADIO_ENV_INPUT, true}, {IDC_RADIO_FPS_INPUT, false}})
    {
        Click(m_partial, nRadio);
        EXPECT_EQ((std::tuple{m_partial.m_editFps.GetWindowText(), RateIsRed(m_partial), Sent()}),
                  (std::tuple{"1844.63", bRed, std::vector<std::string>{}}));
    }
}

TEST_F(PagesTest, PixelCountIsTheLongerSideOfTheMeasuredRectangleTakenOnce)
{
    const std::pair<MeasureRect, const char*> cases[] = {
        {{10, 20, 110, 270}, "250"}, {{0, 0, 300, 100}, "300"}, {{}, "7"}, {{10, 20, 110, -1}, "7"}};
    for (const auto& [rc, pPixel] : cases)
    {
        SCOPED_TRACE(pPixel);
        m_partial.m_editPixel.SetWindowText("7");
        g_rcMeasure.Set(rc);
        Click(m_partial, IDC_GET_FROM_DRAW_AREA);
        EXPECT_EQ(m_partial.m_editPixel.GetWindowText(), pPixel);
        m_partial.m_editPixel.SetWindowText("7");
        Click(m_partial, IDC_GET_FROM_DRAW_AREA); // again without a new drag: nothing
        EXPECT_EQ(m_partial.m_editPixel.GetWindowText(), "7");
    }
    g_rcMeasure.Clear();
    EXPECT_TRUE(Sent().empty()); // the rate waits for "設定"
}
