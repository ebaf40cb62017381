#include "page_test_support.h"
#include "pages/white_balance.h"
#include "resources/page_resource.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>

namespace
{
// The Gain and Shutter pages on a simulated colour camera, handed over as the main dialog does.
class GainShutterTest : public SimCameraTest
{
  protected:
    void SetUp() override
    {
        InstallAndInit("color,mono", 2);
        ASSERT_TRUE(m_host.Add(m_gain));
        ASSERT_TRUE(m_host.Add(m_shutter));
        m_gain.m_pCamera = m_shutter.m_pCamera = &m_camera;
        m_gain.m_nCameraNo = m_shutter.m_nCameraNo = 0;
    }

    std::vector<std::string> Writes() { return ::Writes(Sim(0)); }

    PageHost m_host;
    TabGUIGain m_gain;
    TabGUIShutter m_shutter;
};

struct TripleOf
{
    TabPage& page;
    EditBox& edit;
    UpDown& spin;
    ScrollBar& scroll;
    int nReg;
};
} // namespace

TEST_F(GainShutterTest, TriplesKeepBuddyBarAndRegisterTogetherWithinTheirRange)
{
    const TripleOf manual{m_gain, m_gain.m_editManualGain, m_gain.m_spinManualGain, m_gain.m_scrollManualGain,
                          REG_MANUAL_GAIN};
    const TripleOf red{m_gain, m_gain.m_editGainR, m_gain.m_spinGainR, m_gain.m_scrollGainR, REG_GAIN_R};
    const TripleOf blue{m_gain, m_gain.m_editGainB, m_gain.m_spinGainB, m_gain.m_scrollGainB, REG_GAIN_B};
    const TripleOf green{m_gain, m_gain.m_editGainG, m_gain.m_spinGainG, m_gain.m_scrollGainG, REG_GAIN_G};
    const TripleOf shutter{m_shutter, m_shutter.m_editShutter, m_shutter.m_spinShutter,
                           m_shutter.m_scrollShutter, REG_MANUAL_SHUTTER};
    // Name, triple, start, the gesture (scroll codes ending with SB_ENDSCROLL, or one arrow), thumb, result.
    const std::tuple<const char*, const TripleOf&, int, std::vector<int>, int, int> cases[] = {
        {"up arrow", manual, 50, {ARROW_UP}, 0, 51},
        {"down arrow at the lower end", red, 0, {ARROW_DOWN}, 0, 0},
        {"up arrow at the upper end", shutter, 984, {ARROW_UP}, 0, 984},
        {"shutter up arrow", shutter, 960, {ARROW_UP}, 0, 961},
        {"line right", blue, 70, {SB_LINERIGHT, SB_ENDSCROLL}, 0, 71},
        {"line right at the upper end", red, 144, {SB_LINERIGHT, SB_ENDSCROLL}, 0, 144},
        {"line left at the lower end", manual, 0, {SB_LINELEFT, SB_ENDSCROLL}, 0, 0},
        {"shutter line left at the lower end", shutter, 960, {SB_LINELEFT, SB_ENDSCROLL}, 0, 960},
        {"page left past the lower end", blue, 5, {SB_PAGELEFT, SB_ENDSCROLL}, 0, 0},
        {"page right past the upper end", green, 140, {SB_PAGERIGHT, SB_ENDSCROLL}, 0, 144},
        {"shutter page right past the upper end", shutter, 980, {SB_PAGERIGHT, SB_ENDSCROLL}, 0, 984},
        {"manual page left", manual, 100, {SB_PAGELEFT, SB_ENDSCROLL}, 0, 90},
        {"thumb drag", green, 100, {SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL}, 20, 20},
        {"shutter thumb drag", shutter, 960, {SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL}, 975, 975},
        {"thumb to the upper end", red, 0, {SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL}, 144, 144},
        {"shutter thumb to the lower end", shutter, 984, {SB_THUMBPOSITION, SB_ENDSCROLL}, 960, 960},
    };
    for (const auto& [pName, triple, nStart, gesture, nThumb, nExpected] : cases)
    {
        SCOPED_TRACE(pName);
        triple.spin.SetPos(nStart); // as the start-up chain shows a register
        triple.scroll.SetScrollPos(nStart, true);
        Writes();
        for (int nCode : gesture)
            nCode < 0 ? triple.spin.Step(nCode == ARROW_UP)
                      : triple.page.OnHScroll(nCode, nThumb, triple.scroll.GetDlgCtrlID());
        EXPECT_EQ(
            (std::tuple{triple.edit.GetWindowText(), triple.scroll.GetScrollPos(), triple.spin.GetPos()}),
            (std::tuple{std::to_string(nExpected), nExpected, nExpected}));
        // Each scroll code writes, the end of the gesture too; an arrow writes once.
        EXPECT_EQ(Writes(), Write16(triple.nReg, nExpected, gesture[0] < 0 ? 1 : int(gesture.size())));
    }
}

TEST_F(GainShutterTest, GainModeRadiosAndShutterPresetsWriteTheirIndexEvenWhenRepeated)
{
    for (auto [nId, nMode] : {std::pair{IDC_RADIO_GAIN_6DB, 1},
                              {IDC_RADIO_GAIN_6DB, 1},
                              {IDC_RADIO_GAIN_12DB, 2},
                              {IDC_RADIO_GAIN_0DB, 0}})
    {
        QTest::mouseClick(ControlWidget(m_gain, nId), Qt::LeftButton);
        EXPECT_EQ(Writes(), std::vector<std::string>{"00=0" + std::to_string(nMode)}) << nId;
        EXPECT_EQ(m_gain.m_nGainMode, nMode);
    }

    // A preset is written alone: the manual shutter is not sent again.
    auto* pCombo = static_cast<QComboBox*>(ControlWidget(m_shutter, IDC_COMBO_SHUTTER));
    for (int nIndex : {15, 0, 10})
    {
        pCombo->setCurrentIndex(nIndex);
        emit pCombo->activated(nIndex); // what a choice from the list does
        char szWrite[8];
        std::snprintf(szWrite, sizeof szWrite, "01=%02X", nIndex);
        EXPECT_EQ(Writes(), std::vector<std::string>{szWrite});
    }
}

TEST_F(GainShutterTest, WithoutAUsableCameraTheControlsMoveAndNothingIsSent)
{
    // Before the handover, an index outside 0 to 15, no camera at the index.
    for (auto [pCamera, nCameraNo] : {std::pair{(CameraDevice*)nullptr, -1}, {&m_camera, 16}, {&m_camera, 3}})
    {
        SCOPED_TRACE(nCameraNo);
        m_gain.m_pCamera = m_shutter.m_pCamera = pCamera;
        m_gain.m_nCameraNo = m_shutter.m_nCameraNo = nCameraNo;
        m_gain.m_spinGainG.SetPos(7);
        m_gain.m_spinGainG.Step(true);
        m_shutter.m_scrollShutter.SetScrollPos(970, true);
        m_shutter.OnHScroll(SB_PAGERIGHT, 0, IDC_SCROLL_SHUTTER);
        QTest::mouseClick(ControlWidget(m_gain, IDC_RADIO_GAIN_12DB), Qt::LeftButton);
        EXPECT_EQ((std::tuple{m_gain.m_scrollGainG.GetScrollPos(), m_shutter.m_editShutter.GetWindowText(),
                              m_gain.m_nGainMode}),
                  (std::tuple{8, "980", 2}));
        EXPECT_TRUE(Writes().empty());
    }
}

namespace
{
struct Bgr
{
    unsigned char b, g, r;
};

// The live picture buffer with the metered area in one colour and everything else, up to the end of
// the buffer, in another.
std::vector<unsigned char> Picture(int nMetering, Bgr inside, Bgr outside)
{
    std::vector<unsigned char> buffer(BGR_FRAME_BYTES);
    const int nSide = nMetering == WB_METER_CENTER ? WB_CENTER_SIZE : -1;
    for (std::size_t i = 0; i < buffer.size() / 3; ++i)
    {
        const int y = static_cast<int>(i / WB_PICTURE_WIDTH), x = static_cast<int>(i % WB_PICTURE_WIDTH);
        bool bInside = y < WB_PICTURE_ROWS;
        if (nSide > 0)
            bInside = y >= 578 && y < 578 + nSide && x >= 416 && x < 416 + nSide;
        const Bgr c = bInside ? inside : outside;
        buffer[3 * i] = c.b;
        buffer[3 * i + 1] = c.g;
        buffer[3 * i + 2] = c.r;
    }
    return buffer;
}
} // namespace

TEST_F(GainShutterTest, OnePushWhiteBalanceMetersTheConvertedPictureAndSetsRedAndBlue)
{
    const Bgr garbage{250, 3, 250};
    // The metered area's colour (means less the black level: blue, green, red), the gains before and after.
    const std::tuple<const char*, Bgr, int, int, int, int> cases[] = {
        {"ratios 2 and 0.5", {209, 109, 59}, 0, 48, 48, 0},
        {"ratios 1.5 and 1.25", {129, 159, 109}, 72, 100, 132, 137},
        {"results above the maximum", {109, 209, 109}, 144, 140, 144, 144},
        {"grey keeps the gains", {50, 50, 50}, 30, 40, 30, 40},
        {"red at the black level", {100, 100, 9}, 30, 40, 0, 40},
    };
    for (int nMetering : {WB_METER_WHOLE, WB_METER_CENTER})
    {
        m_gain.m_comboMetering.SetCurSel(nMetering);
        for (const auto& [pName, inside, nGainR, nGainB, nExpectedR, nExpectedB] : cases)
        {
            SCOPED_TRACE(std::string(pName) + (nMetering == WB_METER_CENTER ? ", centre" : ", whole"));
            std::vector<unsigned char> picture = Picture(nMetering, inside, garbage);
            g_pBgrFrame = picture.data();
            m_gain.m_spinGainR.SetPos(nGainR);
            m_gain.m_spinGainB.SetPos(nGainB);
            Writes();
            QTest::mouseClick(ControlWidget(m_gain, IDC_ONE_PUSH_WB), Qt::LeftButton);
            g_pBgrFrame = nullptr;
            EXPECT_EQ((std::vector<std::string>{m_gain.m_editGainR.GetWindowText(),
                                                m_gain.m_editGainB.GetWindowText()}),
                      (std::vector<std::string>{std::to_string(nExpectedR), std::to_string(nExpectedB)}));
            EXPECT_EQ((std::pair{m_gain.m_scrollGainR.GetScrollPos(), m_gain.m_scrollGainB.GetScrollPos()}),
                      (std::pair{nExpectedR, nExpectedB}));
            std::vector<std::string> expected = Write16(REG_GAIN_R, nExpectedR);
            std::ranges::copy(Write16(REG_GAIN_B, nExpectedB), std::back_inserter(expected));
            EXPECT_EQ(Writes(), expected);
        }
    }

    // Nothing changes and nothing is sent when the picture was never converted: a mono camera's
    // live picture, any before the first colour frame or after a resolution switch, or no buffers.
    m_gain.m_nCameraNo = 1;
    std::vector<unsigned char> blank(BGR_FRAME_BYTES);
    for (unsigned char* pBuffer : {blank.data(), static_cast<unsigned char*>(nullptr)})
        for (int nMetering : {WB_METER_WHOLE, WB_METER_CENTER})
        {
            g_pBgrFrame = pBuffer;
            m_gain.m_comboMetering.SetCurSel(nMetering);
            m_gain.m_spinGainR.SetPos(30);
            m_gain.m_scrollGainR.SetScrollPos(30, true);
            QTest::mouseClick(ControlWidget(m_gain, IDC_ONE_PUSH_WB), Qt::LeftButton);
            g_pBgrFrame = nullptr;
            EXPECT_EQ((std::tuple{m_gain.m_editGainR.GetWindowText(), m_gain.m_scrollGainR.GetScrollPos(),
                                  Log(1).size()}),
                      (std::tuple{"30", 30, 0u}));
        }
}
