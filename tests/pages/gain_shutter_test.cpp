#include "page_test_support.h"
#include "pages/white_balance.h"
#include "resources/page_resource.h"

#include <gtest/gtest.h>

#include <QComboBox>

#include <array>

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
        {"shutter up arrow at the upper end", shutter, 984, {ARROW_UP}, 0, 984},
        {"shutter down arrow at the lower end", shutter, 960, {ARROW_DOWN}, 0, 960},
        {"line position up arrow: one line", line, 500, {ARROW_UP}, 0, 501},
        {"line right", blue, 70, {SB_LINERIGHT, SB_ENDSCROLL}, 0, 71},
        {"line right at the upper end", red, 144, {SB_LINERIGHT, SB_ENDSCROLL}, 0, 144},
        {"line left at the lower end", manual, 0, {SB_LINELEFT, SB_ENDSCROLL}, 0, 0},
        {"shutter line left at the lower end", shutter, 960, {SB_LINELEFT, SB_ENDSCROLL}, 0, 960},
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
    for (const auto& [pName, triple, nStart, gesture, nThumb, nExpected] : cases)
    {
        SCOPED_TRACE(pName);
        auto& [page, edit, spin, scroll, nReg] = triple;
        spin.SetPos(nStart); // as the start-up chain shows a register
        scroll.SetScrollPos(nStart, true);
        p.m_chkCenter.SetCheck(1);
        Sent();
        for (int nCode : gesture)
            nCode < 0 ? spin.Step(nCode == ARROW_UP) : page.OnHScroll(nCode, nThumb, scroll.GetDlgCtrlID());
        // A line position moved by hand is no longer the centre line.
        EXPECT_EQ((std::tuple{edit.GetWindowText(), scroll.GetScrollPos(), spin.GetPos(),
                              p.m_chkCenter.GetCheck()}),
                  (std::tuple{std::to_string(nExpected), nExpected, nExpected, &page == &p ? 0 : 1}));
        // Each scroll code writes, the end of the gesture too; an arrow writes once.
        EXPECT_EQ(Sent(), Write16(nReg, nExpected, gesture[0] < 0 ? 1 : int(gesture.size())));
    }

    // The centre line: checking it shows 0 and sends the centre; unchecking sends the 0 shown.
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
        for (int nMode : {1, 1, 0, 2})
        {
            Click(m_gain, anRadio[nMode]);
            EXPECT_EQ(m_gain.m_nGainMode, nMode);
        }
        for (int nIndex : {15, 0, 10})
        {
            pCombo->setCurrentIndex(nIndex);
            emit pCombo->activated(nIndex); // what a choice from the list does
        }
        m_gain.m_spinGainG.SetPos(7);
        m_gain.m_spinGainG.Step(true);
        m_shutter.m_scrollShutter.SetScrollPos(970, true);
        m_shutter.OnHScroll(SB_PAGERIGHT, 0, IDC_SCROLL_SHUTTER);
        EXPECT_EQ((std::tuple{m_gain.m_scrollGainG.GetScrollPos(), m_shutter.m_editShutter.GetWindowText()}),
                  (std::tuple{8, "980"}));
        // A preset is written alone: the manual shutter is not sent again.
        const std::vector<std::string> writes{"00=01", "00=01", "00=00", "00=02", "01=0F", "01=00",
                                              "01=0A", "2C=08", "2D=00", "24=D4", "25=03"};
        EXPECT_EQ(Sent(), nCameraNo == 0 ? writes : std::vector<std::string>{});
    }
}

namespace
{
using Bgr = std::array<unsigned char, 3>;

// Paints the converted live picture: the metered area in one colour, the rest of the buffer in another.
void Paint(int nMetering, Bgr inside)
{
    const Bgr outside{250, 3, 250};
    for (std::size_t i = 0; i < BGR_FRAME_BYTES; ++i)
    {
        const std::size_t y = i / 3 / WB_PICTURE_WIDTH, x = i / 3 % WB_PICTURE_WIDTH;
        // Unsigned: rows and columns before the centre square wrap round and fall outside it.
        const bool bInside =
            nMetering == WB_METER_CENTER ? y - 578 < 128 && x - 416 < 128 : y < WB_PICTURE_ROWS;
        g_pBgrFrame[i] = (bInside ? inside : outside)[i % 3];
    }
}
} // namespace

TEST_F(PagesTest, OnePushWhiteBalanceMetersTheConvertedPictureAndSetsRedAndBlue)
{
    // The metered area's colour (means less the black level: blue, green, red), the gains before and
    // after. A black picture was never converted (a mono camera's, or any before the first colour
    // frame or after a resolution switch): nothing changes and nothing is sent.
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
