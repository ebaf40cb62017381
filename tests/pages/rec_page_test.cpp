#include "buffers/recording_state.h"
#include "page_test_support.h"
#include "resources/page_resource.h"

#include <gtest/gtest.h>

#include <QProgressBar>

namespace
{
class RecPageTest : public PageOnCameraTest
{
  protected:
    void SetUp() override
    {
        PageOnCameraTest::SetUp();
        SetDialogServices(&m_answers);
        ASSERT_TRUE(m_main.m_partial.Create(&m_main) && m_rec.Create(&m_main));
        m_rec.m_pCamera = &m_camera;
        m_rec.m_nCameraNo = 0;
        m_main.m_wndLive.m_bRunning = 1; // stands for the live viewer that Start opened
        m_main.m_partial.m_editFps.SetWindowText("1000.00");
    }
    void TearDown() override
    {
        if (m_main.m_wndLineScan.m_bRunning == 1)
            m_main.m_wndLineScan.OnCancel();
        m_main.m_wndLineScan.StopDrawThread();
        g_nRecMode = 0;
        SetDialogServices(nullptr);
        PageOnCameraTest::TearDown();
    }

    void Start(int nMode, int nDirection)
    {
        m_main.m_partial.m_nResolution = nMode;
        m_main.m_partial.m_comboDirection.SetCurSel(nDirection);
        m_rec.SendCommand(IDC_REC_START);
    }
    // The values written to the scan-direction register since the last call.
    std::vector<std::string> DirectionWrites() { return Writes(Sim(0), "18="); }

    AnsweringServices m_answers;
    TabGUIRec& m_rec = m_main.m_rec;
};
} // namespace

TEST_F(RecPageTest, RecStartArmsTheLimitAndLocksThePageUntilRecStop)
{
    const struct
    {
        int nMode, nRecControl, nDirection, nInputMode;
        const char *szSeconds, *szRate;
        int nLimit, nProgressMax;
        const char* szSecondsAfter;
    } cases[] = {
        {RES_LINE_SCAN_FAST, 0, 1, INPUT_MODE_FPS, "10", "1000.00", 16375, 1, "10"},
        {RES_LINE_SCAN_FAST, 1, 0, INPUT_MODE_FPS, "59", "1000", 16375, 16375, "16"},
        // No pixel count: the rate is worked out as 0.00, which the camera runs at 1844.63.
        {RES_LINE_SCAN, 1, 0, INPUT_MODE_ENVIRONMENT, "10", "1000.00", 18446, 18446, "10"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.szSeconds << " s at " << c.szRate << ", mode " << c.nMode);
        m_rec.SetRadioIndex(IDC_RADIO_REC_MANUAL, c.nRecControl);
        m_rec.SendCommand(IDC_RADIO_REC_MANUAL);
        EXPECT_EQ(m_rec.m_editSec.IsWindowEnabled(), c.nRecControl == 1);
        m_rec.m_editSec.SetWindowText(c.szSeconds);
        m_main.m_partial.m_editFps.SetWindowText(c.szRate);
        m_main.m_partial.SetRadioIndex(IDC_RADIO_ENV_INPUT, c.nInputMode);
        m_main.m_partial.SendCommand(IDC_RADIO_ENV_INPUT);
        g_nRecFrames = 7;
        Start(c.nMode, c.nDirection);
        m_rec.SendCommand(IDC_REC_START); // a second one while recording changes nothing
        EXPECT_EQ((std::vector<int>{g_nRecMode, int(g_nRecFrames), int(g_nRecFrameLimit)}),
                  (std::vector<int>{c.nMode, 0, c.nLimit}));
        EXPECT_EQ(m_rec.m_editSec.GetWindowText(), c.szSecondsAfter);
        EXPECT_EQ(DirectionWrites(), std::vector<std::string>{c.nDirection ? "18=01" : "18=00"});
        EXPECT_FALSE(m_rec.m_btnRecStart.IsWindowEnabled() || m_main.m_tab.IsWindowEnabled() ||
                     !m_rec.m_btnRecStop.IsWindowEnabled());
        auto& bar = *qobject_cast<QProgressBar*>(ControlWidget(m_rec, IDC_PROGRESS_REC));
        EXPECT_EQ(bar.maximum(), c.nProgressMax);
        m_rec.m_progressRec.PostPos(c.nProgressMax + 5);
        UiApplication::PumpEvents(30); // posted positions are shown at most every 20 ms
        EXPECT_EQ(bar.value(), c.nProgressMax);

        m_rec.SendCommand(IDC_REC_STOP);
        m_rec.SendCommand(IDC_REC_STOP); // the frame handler's, after the key's: nothing more
        EXPECT_EQ((std::pair{int(g_nRecMode), bar.value()}), (std::pair{0, 0}));
        EXPECT_EQ(DirectionWrites(), std::vector<std::string>{"18=00"});
        EXPECT_TRUE(m_rec.m_btnRecStart.IsWindowEnabled() && m_main.m_tab.IsWindowEnabled() &&
                    !m_rec.m_btnRecStop.IsWindowEnabled());
    }

    // Full-size readout asks for line scan; with the live viewer closed nothing happens at all.
    Start(RES_FULL_SIZE, 0);
    m_main.m_wndLive.m_bRunning = 0;
    Start(RES_LINE_SCAN, 0);
    EXPECT_EQ(m_answers.m_messages, std::vector<std::string>{"ラインスキャンモードに変更してください。"});
    EXPECT_EQ(g_nRecMode, 0);
    EXPECT_EQ(DirectionWrites(), std::vector<std::string>{});
}
