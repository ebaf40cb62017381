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

    AnsweringServices m_answers;
    TabGUIRec& m_rec = m_main.m_rec;
};
} // namespace

TEST_F(RecPageTest, RecStartArmsTheLimitAndLocksThePageUntilRecStop)
{
    // Readout, stop after the time, direction, rate input; seconds and rate typed; frame limit,
    // progress range and seconds shown once started.
    const std::tuple<int, int, int, int, const char*, const char*, int, int, const char*> cases[] = {
        {RES_LINE_SCAN_FAST, 0, 1, INPUT_MODE_FPS, "10", "1000.00", 16375, 1, "10"},
        {RES_LINE_SCAN_FAST, 1, 0, INPUT_MODE_FPS, "59", "1000", 16375, 16375, "16"},
        // No pixel count: the rate is worked out as 0.00, which the camera runs at 1844.63.
        {RES_LINE_SCAN, 1, 0, INPUT_MODE_ENVIRONMENT, "10", "1000.00", 18446, 18446, "10"},
    };
    auto& bar = *qobject_cast<QProgressBar*>(ControlWidget(m_rec, IDC_PROGRESS_REC));
    for (const auto& [nMode, nRecControl, nDirection, nInputMode, pszSeconds, pszRate, nLimit, nProgressMax,
                      pszSecondsAfter] : cases)
    {
        SCOPED_TRACE(::testing::Message() << pszSeconds << " s at " << pszRate << ", mode " << nMode);
        m_rec.SetRadioIndex(IDC_RADIO_REC_MANUAL, nRecControl);
        m_rec.SendCommand(IDC_RADIO_REC_MANUAL);
        m_rec.m_editSec.SetWindowText(pszSeconds);
        m_main.m_partial.m_editFps.SetWindowText(pszRate);
        m_main.m_partial.SetRadioIndex(IDC_RADIO_ENV_INPUT, nInputMode);
        m_main.m_partial.SendCommand(IDC_RADIO_ENV_INPUT);
        const bool bSecEnabled = m_rec.m_editSec.IsWindowEnabled();
        g_nRecFrames = 7;
        Start(nMode, nDirection);
        m_rec.SendCommand(IDC_REC_START); // a second one while recording changes nothing
        m_rec.m_progressRec.PostPos(nProgressMax + 5);
        UiApplication::PumpEvents(30); // posted positions are shown at most every 20 ms
        EXPECT_EQ(
            (std::tuple{bSecEnabled, g_nRecMode.load(), int(g_nRecFrames), int(g_nRecFrameLimit),
                        m_rec.m_editSec.GetWindowText(), Writes(Sim(0), "18="), bar.maximum(), bar.value()}),
            (std::tuple{nRecControl == 1, nMode, 0, nLimit, std::string(pszSecondsAfter),
                        std::vector<std::string>{nDirection ? "18=01" : "18=00"}, nProgressMax,
                        nProgressMax}));
        EXPECT_FALSE(m_rec.m_btnRecStart.IsWindowEnabled() || m_main.m_tab.IsWindowEnabled() ||
                     !m_rec.m_btnRecStop.IsWindowEnabled());

        m_rec.SendCommand(IDC_REC_STOP);
        m_rec.SendCommand(IDC_REC_STOP); // the frame handler's, after the key's: nothing more
        EXPECT_EQ((std::tuple{g_nRecMode.load(), bar.value(), Writes(Sim(0), "18=")}),
                  (std::tuple{0, 0, std::vector<std::string>{"18=00"}}));
        EXPECT_TRUE(m_rec.m_btnRecStart.IsWindowEnabled() && m_main.m_tab.IsWindowEnabled() &&
                    !m_rec.m_btnRecStop.IsWindowEnabled());
    }

    // Full-size readout asks for line scan; with the live viewer closed nothing happens at all.
    Start(RES_FULL_SIZE, 0);
    m_main.m_wndLive.m_bRunning = 0;
    Start(RES_LINE_SCAN, 0);
    EXPECT_EQ((std::tuple{m_answers.m_messages, g_nRecMode.load(), Writes(Sim(0), "18=")}),
              (std::tuple{std::vector<std::string>{"ラインスキャンモードに変更してください。"}, 0,
                          std::vector<std::string>{}}));
}
