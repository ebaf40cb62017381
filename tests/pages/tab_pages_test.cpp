#include "display/measure_rect.h"
#include "page_test_support.h"
#include "pages/white_balance.h"
#include "platform/capture/capture_faults.h"
#include "resources/page_resource.h"
#include "resources/page_templates.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>

#include <algorithm>
#include <array>
#include <cstring>
#include <tuple>

namespace
{
// The Gain, Shutter and resolution pages shown under the main dialog, on its camera in full frame.
class PagesTest : public PageOnCameraTest
{
  protected:
    void SetUp() override
    {
        PageOnCameraTest::SetUp();
        ASSERT_EQ(m_camera.Open(0, 1284, 960, nullptr, nullptr), CAMERA_OK);
        m_partial.m_nSize = 3620; // mm
        m_partial.m_pViewer = &m_main.m_wndLive;
        for (TabPage* pPage : std::initializer_list<TabPage*>{&m_gain, &m_shutter, &m_partial})
        {
            std::tie(pPage->m_pCamera, pPage->m_nCameraNo) = std::pair(&m_camera, 0);
            ASSERT_TRUE(pPage->Create(&m_main));
            pPage->ShowWindow(ShowState::Show);
        }
        ClearLogs();
    }
    void Click(Dialog& page, int nId) { QTest::mouseClick(ControlWidget(page, nId), Qt::LeftButton); }
    std::vector<std::string> Sent() { return Writes(Sim(0)); }
    TabGUIGain m_gain;
    TabGUIShutter& m_shutter = m_main.m_shutter;
    TabGUIPartial& m_partial = m_main.m_partial;
};

constexpr int ARROW_UP = -1, ARROW_DOWN = -2; // up-down arrows among the scroll codes
} // namespace

TEST_F(PagesTest, PagesAreHiddenChildrenWithTheirControlsInsideAndStatesFromTheMembers)
{
    TabGUIPartial partial; // with other start values than the fixture's
    TabGUIRec& rec = m_main.m_rec;
    TabGUIRec otherRec;
    TabGUIGain gain;
    TabGUIShutter shutter;
    std::tie(partial.m_nResolution, partial.m_nInputMode) = std::tuple(RES_LINE_SCAN_FAST, INPUT_MODE_FPS);
    rec.m_nRecControl = 1;
    rec.m_nStopSec = 70000 + 65536; // only the low 16 bits count, then the range
    rec.m_nImageFormat = IMAGE_FORMAT_JPEG;
    for (TabPage* pPage : std::initializer_list<TabPage*>{&partial, &rec, &otherRec, &gain, &shutter})
    {
        ASSERT_TRUE(pPage->Create(&m_main));
        EXPECT_FALSE(pPage->IsWindowVisible()); // the tab control shows it
        pPage->ShowWindow(ShowState::Show);
    }
    // Every control inside its page; a drop-down list's height includes the dropped list.
    for (const DialogTemplate* pTemplate :
         {&TabGUIGainTemplate(), &TabGUIShutterTemplate(), &TabGUIPartialTemplate(), &TabGUIRecTemplate()})
        for (const ControlTemplate& ct : pTemplate->controls)
            EXPECT_TRUE(ct.x + ct.cx <= 233 && (ct.kind == ControlKind::DropDownList || ct.y + ct.cy <= 312))
                << ct.nId;
    // No shutter preset until the start-up chain, but the whole picture metered; FPS input with its
    // key hint; a timed recording.
    EXPECT_EQ((std::tuple{m_shutter.m_comboShutter.GetCount(), m_shutter.m_comboShutter.GetCurSel(),
                          m_gain.m_comboMetering.GetCurSel(), partial.GetRadioIndex(IDC_RADIO_FULL_SIZE),
                          rec.m_editSec.GetWindowText()}),
              (std::tuple{16, -1, WB_METER_WHOLE, RES_LINE_SCAN_FAST, "59"}));
    // The fixture's resolution page and the other Rec page, with the other start values, the opposite.
    EXPECT_EQ(
        (std::vector<bool>{partial.m_editFps.IsReadOnly(), partial.m_editSize.IsWindowEnabled(),
                           partial.m_btnGetFromDrawArea.IsWindowEnabled(),
                           partial.m_staticKeyHint.IsWindowVisible(), rec.m_btnRecStop.IsWindowEnabled(),
                           rec.m_editHour.IsWindowEnabled(), rec.m_editSec.IsWindowEnabled(),
                           rec.m_editQuality.IsWindowEnabled(), m_partial.m_editFps.IsReadOnly(),
                           m_partial.m_staticKeyHint.IsWindowVisible(), otherRec.m_editSec.IsWindowEnabled(),
                           otherRec.m_spinQuality.IsWindowEnabled()}),
        (std::vector<bool>{false, false, false, true, false, false, true, true, true, false, false, false}));
}

TEST_F(PagesTest, TriplesKeepBuddyBarAndRegisterTogetherWithinTheirRange)
{
    TabGUIGain& g = m_gain;
    TabGUIPartial& p = m_partial;
    using TripleOf = std::tuple<TabPage&, EditBox&, UpDown&, ScrollBar&, int>;
    const TripleOf manual{g, g.m_editManualGain, g.m_spinManualGain, g.m_scrollManualGain, REG_MANUAL_GAIN};
    const TripleOf red{g, g.m_editGainR, g.m_spinGainR, g.m_scrollGainR, REG_GAIN_R};
    const TripleOf blue{g, g.m_editGainB, g.m_spinGainB, g.m_scrollGainB, REG_GAIN_B};
    const TripleOf green{g, g.m_editGainG, g.m_spinGainG, g.m_scrollGainG, REG_GAIN_G};
    const TripleOf shutter{m_shutter, m_shutter.m_editShutter, m_shutter.m_spinShutter,
                           m_shutter.m_scrollShutter, REG_MANUAL_SHUTTER};
    const TripleOf line{p, p.m_editLinePos, p.m_spinLinePos, p.m_scrollLinePos, REG_LINE_POSITION};
    // Name, triple, start, the gesture (scroll codes ending with SB_ENDSCROLL, or one arrow), thumb, result.
    const std::tuple<const char*, const TripleOf&, int, std::vector<int>, int, int> cases[] = {
        {"up arrow", manual, 50, {ARROW_UP}, 0, 51},
        {"down arrow at the lower end", red, 0, {ARROW_DOWN}, 0, 0},
        {"up arrow at the upper end", blue, 144, {ARROW_UP}, 0, 144},
        {"down arrow", green, 100, {ARROW_DOWN}, 0, 99},
        {"shutter down arrow at the lower end", shutter, 960, {ARROW_DOWN}, 0, 960},
        {"shutter up arrow at the upper end", shutter, 984, {ARROW_UP}, 0, 984},
        {"line position up arrow: one line", line, 500, {ARROW_UP}, 0, 501},
        {"line position down arrow to the lower end", line, 0, {ARROW_DOWN}, 0, 0},
        {"line right", blue, 70, {SB_LINERIGHT, SB_ENDSCROLL}, 0, 71},
        {"line right at the upper end", red, 144, {SB_LINERIGHT, SB_ENDSCROLL}, 0, 144},
        {"line left at the lower end", manual, 0, {SB_LINELEFT, SB_ENDSCROLL}, 0, 0},
        {"shutter line left at the lower end", shutter, 960, {SB_LINELEFT, SB_ENDSCROLL}, 0, 960},
        {"line position line right: two lines", line, 500, {SB_LINERIGHT, SB_ENDSCROLL}, 0, 502},
        {"line position line left at the lower end", line, 0, {SB_LINELEFT, SB_ENDSCROLL}, 0, 0},
        {"line position line left: two lines", line, 500, {SB_LINELEFT, SB_ENDSCROLL}, 0, 498},
        {"line position line right to the upper end", line, 957, {SB_LINERIGHT, SB_ENDSCROLL}, 0, 958},
        {"page left past the lower end", blue, 5, {SB_PAGELEFT, SB_ENDSCROLL}, 0, 0},
        {"page right past the upper end", green, 140, {SB_PAGERIGHT, SB_ENDSCROLL}, 0, 144},
        {"shutter page right past the upper end", shutter, 980, {SB_PAGERIGHT, SB_ENDSCROLL}, 0, 984},
        {"manual page left", manual, 100, {SB_PAGELEFT, SB_ENDSCROLL}, 0, 90},
        {"thumb drag", green, 100, {SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL}, 20, 20},
        {"shutter thumb drag", shutter, 960, {SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL}, 975, 975},
        {"shutter thumb to the lower end", shutter, 984, {SB_THUMBPOSITION, SB_ENDSCROLL}, 960, 960},
        {"line position thumb drag", line, 10, {SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL}, 700, 700},
    };
    // On the camera, then with no camera at the index and none handed over: the controls move all
    // the same.
    for (auto [pCamera, nCameraNo] : {std::pair{&m_camera, 0}, {&m_camera, 3}, {nullptr, -1}})
        for (const auto& [pName, triple, nStart, gesture, nThumb, nExpected] : cases)
        {
            SCOPED_TRACE(std::string(pName) + ", camera index " + std::to_string(nCameraNo));
            auto& [page, edit, spin, scroll, nReg] = triple;
            std::tie(page.m_pCamera, page.m_nCameraNo) = std::pair(pCamera, nCameraNo);
            spin.SetPos(nStart); // as the start-up chain shows a register
            scroll.SetScrollPos(nStart, true);
            p.m_chkCenter.SetCheck(1);
            Sent();
            for (int nCode : gesture)
                nCode < 0 ? spin.Step(nCode == ARROW_UP)
                          : page.OnHScroll(nCode, nThumb, scroll.GetDlgCtrlID());
            // A line position moved by hand is no longer the centre line.
            EXPECT_EQ((std::tuple{edit.GetWindowText(), scroll.GetScrollPos(), spin.GetPos(),
                                  p.m_chkCenter.GetCheck()}),
                      (std::tuple{std::to_string(nExpected), nExpected, nExpected, &page == &p ? 0 : 1}));
            // Each scroll code writes, the end of the gesture too; an arrow writes once.
            const int nWrites = nCameraNo != 0 ? 0 : gesture[0] < 0 ? 1 : int(gesture.size());
            EXPECT_EQ(Sent(), Write16(nReg, nExpected, nWrites));
        }
    // The centre line: checking it shows 0 and sends the centre; unchecking sends the 0 shown.
    std::tie(p.m_pCamera, p.m_nCameraNo) = std::pair(&m_camera, 0);
    p.m_chkCenter.SetCheck(0);
    Click(p, IDC_CHK_CENTER);
    EXPECT_EQ(p.m_editLinePos.GetWindowText() + std::to_string(p.m_scrollLinePos.GetScrollPos()), "00");
    EXPECT_EQ(Sent(), Write16(REG_LINE_POSITION, LINE_POS_CENTER));
    Click(p, IDC_CHK_CURSOR); // only the drawing thread reads it
    Click(p, IDC_CHK_CENTER);
    EXPECT_EQ((std::pair{Sent(), p.m_chkCursor.GetCheck()}), (std::pair{Write16(REG_LINE_POSITION, 0), 1}));
}

TEST_F(PagesTest, GainModesAndShutterPresetsWriteTheirIndexEachTimeAndNothingWithoutAUsableCamera)
{
    auto* pCombo = static_cast<QComboBox*>(ControlWidget(m_shutter, IDC_COMBO_SHUTTER));
    const int anRadio[] = {IDC_RADIO_GAIN_0DB, IDC_RADIO_GAIN_6DB, IDC_RADIO_GAIN_12DB};
    // The camera handed over; then none yet, an index outside 0 to 15, no camera at the index.
    for (auto [pCamera, nCameraNo] :
         {std::pair{&m_camera, 0}, {nullptr, -1}, {&m_camera, 16}, {&m_camera, 3}})
    {
        SCOPED_TRACE(nCameraNo);
        m_gain.m_pCamera = m_shutter.m_pCamera = pCamera;
        m_gain.m_nCameraNo = m_shutter.m_nCameraNo = nCameraNo;
        for (auto [nMode, nPreset] : {std::pair{1, 15}, {1, 15}, {0, 0}, {2, 10}}) // each, and one twice
        {
            Click(m_gain, anRadio[nMode]);
            pCombo->setCurrentIndex(nPreset);
            emit pCombo->activated(nPreset); // what a choice from the list does
            EXPECT_EQ(m_gain.m_nGainMode, nMode);
        }
        // A preset is written alone: the manual shutter is not sent again.
        const std::vector<std::string> writes{"00=01", "01=0F", "00=01", "01=0F",
                                              "00=00", "01=00", "00=02", "01=0A"};
        EXPECT_EQ(Sent(), nCameraNo == 0 ? writes : std::vector<std::string>{});
    }
}

TEST_F(PagesTest, OnePushWhiteBalanceMetersTheConvertedPictureAndSetsRedAndBlue)
{
    using Bgr = std::array<unsigned char, 3>;
    // Paints the converted live picture: the metered area in one colour, the rest of the buffer in another.
    const auto Paint = [](int nMetering, Bgr inside)
    {
        for (std::size_t i = 0; i < BGR_FRAME_BYTES; ++i)
        {
            const std::size_t y = i / 3 / WB_PICTURE_WIDTH, x = i / 3 % WB_PICTURE_WIDTH;
            // Unsigned: rows and columns before the centre square wrap round and fall outside it.
            const bool bInside =
                nMetering == WB_METER_CENTER ? y - 578 < 128 && x - 416 < 128 : y < WB_PICTURE_ROWS;
            g_pBgrFrame[i] = bInside ? inside[i % 3] : Bgr{250, 3, 250}[i % 3];
        }
    };
    // The metered colour (blue, green, red), the gains before and after; black was never converted.
    const std::tuple<const char*, Bgr, int, int, int, int> cases[] = {
        {"ratios 2 and 0.5", {209, 109, 59}, 0, 48, 48, 0},
        {"ratios 1.5 and 1.25", {129, 159, 109}, 72, 100, 132, 137},
        {"results above the maximum", {109, 209, 109}, 144, 140, 144, 144},
        {"grey keeps the gains", {50, 50, 50}, 30, 40, 30, 40},
        {"red at the black level", {100, 100, 9}, 30, 40, 0, 40},
        {"black", {0, 0, 0}, 30, 40, 30, 40},
    };
    for (int nMetering : {WB_METER_WHOLE, WB_METER_CENTER})
        for (const auto& [pName, inside, nGainR, nGainB, nExpectedR, nExpectedB] : cases)
        {
            SCOPED_TRACE(std::string(pName) + (nMetering == WB_METER_CENTER ? ", centre" : ", whole"));
            Paint(nMetering, inside);
            m_gain.m_comboMetering.SetCurSel(nMetering);
            m_gain.m_spinGainR.SetPos(nGainR);
            m_gain.m_spinGainB.SetPos(nGainB);
            m_gain.m_scrollGainR.SetScrollPos(nGainR, true);
            m_gain.m_scrollGainB.SetScrollPos(nGainB, true);
            std::vector<std::string> expected = Write16(REG_GAIN_R, nExpectedR),
                                     blue = Write16(REG_GAIN_B, nExpectedB);
            expected.insert(expected.end(), blue.begin(), blue.end());
            Sent();
            Click(m_gain, IDC_ONE_PUSH_WB);
            EXPECT_EQ((std::tuple{m_gain.m_editGainR.GetWindowText(), m_gain.m_editGainB.GetWindowText(),
                                  m_gain.m_scrollGainR.GetScrollPos(), m_gain.m_scrollGainB.GetScrollPos(),
                                  Sent()}),
                      (std::tuple{std::to_string(nExpectedR), std::to_string(nExpectedB), nExpectedR,
                                  nExpectedB, inside == Bgr{} ? std::vector<std::string>{} : expected}));
        }
    unsigned char* pFrame = std::exchange(g_pBgrFrame, nullptr); // nor without buffers
    Click(m_gain, IDC_ONE_PUSH_WB);
    g_pBgrFrame = pFrame;
    EXPECT_EQ(Sent(), std::vector<std::string>{});
}

TEST_F(PagesTest, ResolutionSwitchClearsAndReformatsAndLeavesStreamingAsItWas)
{
    // Streaming, radio, failing step; the viewer's width, the size shown, the camera's frame height.
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

TEST_F(PagesTest, LineRateCommandWritesThePeriodShowsAClampedComputedRateInRedAndTakesThePixelsMeasured)
{
    const auto RateIsRed = [this]
    { return ControlWidget(m_partial, IDC_EDIT_FPS)->palette().color(QPalette::Text) == QColor(255, 0, 0); };
    // Input radio, pixels, speed and rate typed; the rate shown, the period, whether red.
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
        EXPECT_EQ((std::tuple{m_partial.m_editFps.GetWindowText(), RateIsRed()}),
                  (std::tuple{pFpsAfter, bRed}));
        EXPECT_EQ(Sent(), Write16(REG_LINE_PERIOD, nCount));
    }
    // The last rate was clamped: it shows red while the entry is read-only; no switch works it out again.
    for (auto [nRadio, bRed] :
         {std::pair{IDC_RADIO_ENV_INPUT, true}, {IDC_RADIO_FPS_INPUT, false}, {IDC_RADIO_ENV_INPUT, true}})
    {
        Click(m_partial, nRadio);
        EXPECT_EQ((std::tuple{m_partial.m_editFps.GetWindowText(), RateIsRed(), Sent()}),
                  (std::tuple{"1844.63", bRed, std::vector<std::string>{}}));
    }
    // The pixel count is the longer side of the measured rectangle, taken once, in environment input.
    const std::pair<MeasureRect, const char*> rects[] = {
        {{10, 20, 110, 270}, "250"}, {{0, 0, 300, 100}, "300"}, {{}, "7"}, {{10, 20, 110, -1}, "7"}};
    for (const auto& [rc, pPixel] : rects)
    {
        g_rcMeasure.Set(rc);
        std::string strShown; // and again without a new drag: nothing
        for (int i = 0; i < 2; ++i)
        {
            m_partial.m_editPixel.SetWindowText("7");
            Click(m_partial, IDC_GET_FROM_DRAW_AREA);
            strShown += m_partial.m_editPixel.GetWindowText() + " ";
        }
        EXPECT_EQ(strShown, std::string(pPixel) + " 7 ");
    }
    g_rcMeasure.Clear();
    EXPECT_TRUE(Sent().empty()); // the rate waits for "設定"
}
