// The main dialog, driven headless against simulated cameras.

#include "console/tarnwick_dlg.h"

#include "buffers/recording_state.h"
#include "buffers/shared_buffers.h"
#include "display/guide_settings.h"
#include "display/measure_rect.h"
#include "pages/line_rate.h"
#include "platform/sys/clocks.h"
#include "platform/ui/dialog_services.h"
#include "platform/ui/ui_application.h"
#include "resources/page_resource.h"
#include "tests/camera/sim_camera_fixture.h"
#include "tests/platform/ui/test_dialog.h"

#include "console_test_support.h"

#include <QTest>

#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>

namespace
{
constexpr const char* TITLE = "Tarnwick  (Ver. 0.01)";

// Answers the dialogs in place of a person and keeps the message boxes' texts.
class AnsweringServices : public DialogServices
{
  public:
    int MessageBox(Dialog*, const std::string& strText, const std::string&, unsigned) override
    {
        m_boxes.push_back(strText);
        return IDOK;
    }
    bool SaveFile(Dialog*, const SaveFileRequest& request, std::string* pPath) override
    {
        m_requests.push_back(request);
        *pPath = m_strSavePath;
        return !m_strSavePath.empty();
    }
    bool BrowseForFolder(Dialog*, const std::string&, std::string*) override { return false; }

    std::vector<std::string> m_boxes;
    std::vector<SaveFileRequest> m_requests;
    std::string m_strSavePath; // empty: the user cancels
};

// The main dialog with a clock the test sets and a record of the Rec commands it posts.
class TestDlg : public TarnwickDlg
{
  public:
    std::int64_t ReadCounter() const override { return m_nCounter; }
    void PostRecCommand(int nCommandId) override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_posted.push_back(nCommandId);
        }
        TarnwickDlg::PostRecCommand(nCommandId);
    }
    std::vector<int> TakePosted()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return std::exchange(m_posted, {});
    }

    std::int64_t m_nCounter = 0;

  private:
    std::mutex m_mutex; // protects m_posted: the frame handler posts from the streaming thread
    std::vector<int> m_posted;
};

bool PumpUntil(const std::function<bool()>& done, int nTimeoutMs = 5000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
    while (!done())
    {
        if (std::chrono::steady_clock::now() > end)
            return false;
        UiApplication::PumpEvents(5);
    }
    return true;
}

std::string Hex(const char* pszFormat, int a, int b = 0)
{
    char sz[16];
    std::snprintf(sz, sizeof sz, pszFormat, a, b);
    return sz;
}

// The requests of an 8-bit or 16-bit register write or read, as the simulated camera logs them.
std::vector<std::string> Reg(bool bWrite, int nReg, int nValue, bool b16 = false)
{
    std::vector<std::string> log;
    for (int i = 0; i < (b16 ? 2 : 1); ++i)
    {
        log.push_back(Hex("SET1 %02X %02X", (nReg + i) & 0xFF, (nReg + i) >> 8));
        log.push_back(Hex(bWrite ? "SET2 %02X" : "GET2 %02X", (nValue >> (8 * i)) & 0xFF));
    }
    return log;
}

class ConsoleTest : public SimCameraTest
{
  protected:
    ConsoleTest() : m_savedDir(std::filesystem::current_path())
    {
        std::filesystem::current_path(m_temp.Dir());
        SetDialogServices(&m_services);
    }
    ~ConsoleTest() override
    {
        std::filesystem::current_path(m_savedDir);
        SetDialogServices(nullptr);
    }
    void TearDown() override
    {
        CloseDialog();
        ReleaseSharedBuffers();
        SimCameraTest::TearDown();
    }

    // Opens the console on the simulated devices of strSpec with the settings file strIni (none
    // when empty); prepare runs once the devices exist.
    void Open(const std::string& strSpec, const std::string& strIni = "",
              const std::function<void()>& prepare = {})
    {
        CloseDialog();
        if (!strIni.empty())
            TempDir::WriteFile(m_temp.Path("Tarnwick.ini"), strIni);
        Install(strSpec);
        if (prepare)
            prepare();
        m_pDlg = std::make_unique<TestDlg>();
        UiApplication::Instance()->SetMainDialog(m_pDlg.get());
        m_pDlg->Create(nullptr);
        m_pDlg->ShowWindow(ShowState::Show);
    }
    void CloseDialog()
    {
        if (!m_pDlg)
            return;
        if (m_pDlg->IsWindowVisible())
            m_pDlg->SendCommand(IDCANCEL);
        m_pDlg.reset();
        UiApplication::Instance()->SetMainDialog(nullptr);
    }
    // Runs the start-up chain until the camera has seen nRequests requests, and a little longer.
    void RunChain(std::size_t nRequests)
    {
        ASSERT_TRUE(PumpUntil([&] { return Log(0).size() >= nRequests; }));
        UiApplication::PumpEvents(20);
    }
    std::string Ini() const { return TempDir::ReadFile(m_temp.Path("Tarnwick.ini")); }
    void SelectTab(int nTab)
    {
        m_pDlg->m_tab.SetCurSel(nTab);
        m_pDlg->OnTcnSelchangeTab();
    }
    std::vector<Control*> OpeningControls()
    {
        TestDlg& d = *m_pDlg;
        return {&d.m_btnStart, &d.m_chkFolderSelect,   &d.m_btnSaveImage,
                &d.m_tab,      &d.m_btnFactoryDefault, &d.m_btnConfigSave};
    }
    // The BMP files in the folder.
    std::vector<std::string> Pictures() const
    {
        std::vector<std::string> names;
        for (const std::string& name : m_temp.Entries())
            if (name.size() > 4 && name.substr(name.size() - 4) == ".bmp")
                names.push_back(name);
        return names;
    }

    TempDir m_temp;
    std::filesystem::path m_savedDir;
    AnsweringServices m_services;
    std::unique_ptr<TestDlg> m_pDlg;
};
} // namespace

TEST_F(ConsoleTest, AFailedOpeningSaysWhyAndLeavesOnlyExit)
{
    constexpr CaptureStep NONE = CaptureStep::COUNT;
    struct Case
    {
        const char* pszSpec;
        const char* pszIni;
        CaptureStep failStep;
        const char* pszBox;   // message box, or nullptr
        const char* pszTitle; // the dialog's title afterwards
        const char* pszModel; // the identity field afterwards
        bool bBuffers;        // allocated until Exit
    };
    const Case cases[] = {
        {"", "", NONE, "カメラを検出できませんでした", TITLE, "", false},
        {"other", "", NONE, "アイドルカメラを検出できませんでした", TITLE, "", false},
        {"color:busy=1,mono:busy=1", "", NONE, "アイドルカメラを検出できませんでした", TITLE, "", false},
        {"color", "", CaptureStep::STARTUP, "ライブラリの初期化に失敗しました", TITLE, "", false},
        {"color", "", CaptureStep::DISPLAY_NAME, "エラーが発生しました", TITLE, "", false},
        {"3*color,color:busy=1:model=BUSY", "[Settings]\nCameraNo=3\n", NONE, nullptr,
         "指定した番号のカメラは他で使用中です", "Model Name : BUSY", true},
        {"color", "[Settings]\nCameraNo=5\n", NONE, nullptr, "指定した番号のカメラは存在しません",
         "Model Name : ", true},
        {"color", "[Settings]\nCameraNo=16\n", NONE, nullptr, "カメラ番号が不正な値です",
         "Model Name : ", true},
        {"color", "[Settings]\nCameraNo=-3\n", NONE, nullptr, "カメラ番号が不正な値です",
         "Model Name : ", true},
        {"color:model=X", "", CaptureStep::CONNECT, nullptr, "カメラの接続に失敗しました", "Model Name : X",
         true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.pszSpec) + " " + c.pszIni);
        m_services.m_boxes.clear();
        std::filesystem::remove(m_temp.Path("Tarnwick.ini"));
        Open(c.pszSpec, c.pszIni,
             [&]
             {
                 if (c.failStep != NONE)
                     CaptureFaults::Instance().FailCall(c.failStep);
             });
        EXPECT_EQ(m_services.m_boxes,
                  c.pszBox ? std::vector<std::string>{c.pszBox} : std::vector<std::string>{});
        EXPECT_EQ(m_pDlg->GetWindowText(), c.pszTitle);
        if (c.pszBox == nullptr) // the camera was chosen: its identity and the full-frame size show
        {
            EXPECT_EQ(m_pDlg->m_editModel.GetWindowText(), c.pszModel);
            EXPECT_EQ(m_pDlg->m_editResolution.GetWindowText(), "1284 x 960");
        }
        EXPECT_EQ(g_pRawFrame != nullptr && g_pLineScanBgr != nullptr, c.bBuffers);
        for (Control* pControl : OpeningControls())
            EXPECT_FALSE(pControl->IsWindowEnabled()) << pControl->GetDlgCtrlID();
        EXPECT_FALSE(m_pDlg->m_btnStop.IsWindowEnabled());
        EXPECT_FALSE(m_pDlg->m_tabGain.IsWindowEnabled());

        // Nothing but Exit acts: a click on Start opens no viewer, no chain talks to a camera.
        if (m_pSim->DeviceCount() > 0)
            ClearLogs();
        QTest::mouseClick(ControlWidget(*m_pDlg, IDC_MAIN_START), Qt::LeftButton);
        UiApplication::PumpEvents(30);
        EXPECT_EQ(m_pDlg->m_wndLive.m_bRunning, 0);
        if (m_pSim->DeviceCount() > 0)
        {
            EXPECT_TRUE(Log(0).empty());
        }
        QTest::mouseClick(ControlWidget(*m_pDlg, IDCANCEL), Qt::LeftButton);
        EXPECT_FALSE(m_pDlg->IsWindowVisible());
        EXPECT_EQ(g_pRawFrame, nullptr);
        EXPECT_NE(Ini().find("[FileOption]"), std::string::npos);
    }
}

TEST_F(ConsoleTest, OpeningTakesTheCameraToItsReadoutMode)
{
    struct Case
    {
        const char* pszSpec;
        int nInfoMode; // the mode byte the camera answers; -1: as the spec says
        const char* pszResolution;
        int nViewWidth;
        int nResolution;
        int nFrameHeight; // the capture format opened
    };
    const Case cases[] = {
        {"color:mode=1", -1, "1284 x 960", 960, RES_FULL_SIZE, 960},
        {"color:mode=0", -1, "1284 x 960", 960, RES_FULL_SIZE, 960},
        {"mono:mode=2", -1, "1284 x 2", 4, RES_LINE_SCAN, 2},
        {"color:mode=3", -1, "1284 x 4", 4, RES_LINE_SCAN_FAST, 4},
        {"color:mode=2", 9, "1284 x 960", 960, RES_FULL_SIZE, 960}, // beyond the tables: full frame
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszSpec);
        Open(c.pszSpec, "",
             [&]
             {
                 if (c.nInfoMode >= 0)
                     Sim(0).SetInfo(INFO_MODE, static_cast<uint8_t>(c.nInfoMode));
             });
        EXPECT_EQ(m_pDlg->GetWindowText(), TITLE);
        EXPECT_EQ(m_pDlg->m_editResolution.GetWindowText(), c.pszResolution);
        EXPECT_EQ(m_pDlg->m_wndLive.m_nWidth, c.nViewWidth);
        EXPECT_EQ(m_pDlg->m_wndLive.m_nHeight, 1284);
        EXPECT_EQ(m_pDlg->m_tabPartial.GetRadioIndex(IDC_RADIO_FULL_SIZE), c.nResolution);
        EXPECT_EQ(Sim(0).FrameHeight(), c.nFrameHeight);
        for (Control* pControl : OpeningControls())
            EXPECT_TRUE(pControl->IsWindowEnabled()) << pControl->GetDlgCtrlID();
        EXPECT_FALSE(m_pDlg->m_btnStop.IsWindowEnabled());
        EXPECT_FALSE(g_rcMeasure.Get().IsSet());
        const Rect rc = m_pDlg->GetWindowRect();
        EXPECT_EQ((std::vector<int>{rc.left, rc.top}), (std::vector<int>{0, 0}));
        EXPECT_FALSE(m_pDlg->IsTopMost());
    }
    Open("color", "[Settings]\nTopMost=1\n");
    EXPECT_TRUE(m_pDlg->IsTopMost());
}

TEST_F(ConsoleTest, PagesSitInsideTheTabControlBelowItsTabsOneAtATime)
{
    Open("color");
    TestDlg& d = *m_pDlg;
    const Rect rcTab = d.m_tab.GetWindowRect();
    const int nStripBottom = rcTab.top + d.m_tab.GetPageRect().top;
    std::vector<Dialog*> pages = {&d.m_tabGain, &d.m_tabShutter, &d.m_tabPartial, &d.m_tabRec};
    for (Dialog* pPage : pages)
    {
        const Rect rc = pPage->GetWindowRect();
        EXPECT_GE(rc.top, nStripBottom);
        EXPECT_GT(rc.left, rcTab.left);
        EXPECT_LE(rc.right, rcTab.right);
        EXPECT_LE(rc.bottom, rcTab.bottom);
    }
    for (int nTab : {0, 3, 1, 2, 0})
    {
        SelectTab(nTab);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(pages[i]->IsWindowVisible(), i == nTab) << "tab " << nTab << " page " << i;
    }
}

TEST_F(ConsoleTest, SettingsAreReadBeforeThePagesAndWrittenBackAtExit)
{
    // No file: the defaults, and Exit writes only the twelve keys of the pages.
    Open("color");
    EXPECT_EQ(g_nFpsStep, 10);
    EXPECT_EQ((std::vector<int>{int(g_crGuide), g_nGuideWidth, g_nGuidePitch, g_nGuideDash}),
              (std::vector<int>{0xC0C0C0, 1, 40, 6}));
    CloseDialog();
    EXPECT_EQ(Ini(), "[LineRate]\nMode=0\nFps=1000.00\nSize=3620\nPixel=640\nSpeed=75\nDirection=0\n"
                     "[RecControl]\nMode=0\nSec=10\n"
                     "[FileOption]\nPath=\nNaming=1\nFormat=0\nQuality=80\n");

    // Every key set by hand: the read-only ones survive as they are, the rest come back as the
    // pages show them ("Fps" with two decimals).
    const std::string strIni =
        "; by hand\n[Settings]\nCameraNo=0\nTopMost=0\n[ViewWindow]\nMonoDecode=1\n"
        "ColorDecode=0\n[LineRate]\nMode=1\nFps=250.5\nSize=100\nPixel=200\nSpeed=30\n"
        "Direction=1\nUpDownStep=5\n[Cursor]\nColor=255\nThick=9\nPitch=0\nLength=12\n"
        "[RecControl]\nMode=1\nSec=42\n[FileOption]\nPath=/data/rec\nNaming=0\nFormat=2\n"
        "Quality=55\n";
    Open("color", strIni);
    EXPECT_EQ(m_pDlg->m_wndLive.m_nYuvMode, 0);
    EXPECT_EQ(g_nFpsStep, 5);
    EXPECT_EQ((std::vector<int>{int(g_crGuide), g_nGuideWidth, g_nGuidePitch, g_nGuideDash}),
              (std::vector<int>{255, 4, 0, 12})); // "Thick" 9 draws 4 wide
    EXPECT_EQ(m_pDlg->m_tabRec.m_strFolder, "/data/rec");
    CloseDialog();
    std::string strExpected = strIni;
    strExpected.replace(strExpected.find("250.5"), 5, "250.50");
    EXPECT_EQ(Ini(), strExpected);

    // Texts as typed, and radio or list values the pages cannot show written back as -1.
    Open("color", "[LineRate]\nMode=7\nDirection=5\n[RecControl]\nMode=3\n[FileOption]\nNaming=9\n");
    m_pDlg->m_tabPartial.m_editFps.SetWindowText("fast");
    m_pDlg->m_tabPartial.m_editSize.SetWindowText("12x");
    m_pDlg->m_tabRec.m_editQuality.SetWindowText("");
    CloseDialog();
    EXPECT_EQ(Ini(), "[LineRate]\nMode=-1\nDirection=-1\nFps=fast\nSize=12x\nPixel=640\nSpeed=75\n"
                     "[RecControl]\nMode=-1\nSec=10\n"
                     "[FileOption]\nNaming=-1\nPath=\nFormat=0\nQuality=\n");
}

TEST_F(ConsoleTest, TheStartUpChainWritesTheStartValuesThenReadsTheRegistersIntoThePages)
{
    struct Case
    {
        const char* pszSpec;
        int nLinePos;
    };
    for (const Case& c : {Case{"color", 300}, Case{"mono", 300}, Case{"color", LINE_POS_CENTER}})
    {
        SCOPED_TRACE(std::string(c.pszSpec) + " " + std::to_string(c.nLinePos));
        const int anReg[][2] = {{REG_GAIN_MODE, 2},       {REG_MANUAL_GAIN, 100},
                                {REG_GAIN_R, 110},        {REG_GAIN_B, 120},
                                {REG_GAIN_G, 130},        {REG_LINE_POSITION, c.nLinePos},
                                {REG_MANUAL_GAIN + 1, 0}, {REG_LINE_POSITION + 1, c.nLinePos >> 8}};
        Open(c.pszSpec, "",
             [&]
             {
                 for (const auto& reg : anReg)
                     Sim(0).SetRegister(reg[0], static_cast<uint8_t>(reg[1]));
             });
        ClearLogs();
        TestDlg& d = *m_pDlg;
        d.m_tabPartial.m_editLinePos.SetWindowText("7");
        std::vector<std::string> expected;
        for (const auto& part :
             {Reg(true, REG_SCAN_DIRECTION, 0), Reg(true, REG_SHUTTER_PRESET, 0x0F),
              Reg(true, REG_MANUAL_SHUTTER, 960, true), Reg(false, REG_GAIN_MODE, 2),
              Reg(false, REG_MANUAL_GAIN, 100, true), Reg(false, REG_GAIN_R, 110, true),
              Reg(false, REG_GAIN_B, 120, true), Reg(false, REG_GAIN_G, 130, true),
              Reg(false, REG_SHUTTER_PRESET, 0x0F), Reg(false, REG_MANUAL_SHUTTER, 960, true),
              Reg(false, REG_LINE_POSITION, c.nLinePos, true)})
            expected.insert(expected.end(), part.begin(), part.end());
        RunChain(expected.size());
        EXPECT_EQ(Log(0), expected);

        EXPECT_EQ(d.m_tabGain.GetRadioIndex(IDC_RADIO_GAIN_0DB), 2);
        const bool bColor = std::string(c.pszSpec) == "color";
        struct Triple
        {
            UpDown& spin;
            ScrollBar& scroll;
            int nValue;
        };
        for (const Triple& t : {Triple{d.m_tabGain.m_spinGainR, d.m_tabGain.m_scrollGainR, 110},
                                Triple{d.m_tabGain.m_spinGainB, d.m_tabGain.m_scrollGainB, 120},
                                Triple{d.m_tabGain.m_spinGainG, d.m_tabGain.m_scrollGainG, 130}})
        {
            EXPECT_EQ((std::vector<int>{t.spin.GetPos(), t.scroll.GetScrollPos()}),
                      (std::vector<int>{t.nValue, t.nValue}));
            EXPECT_EQ(t.spin.IsWindowEnabled(), bColor);
            EXPECT_EQ(t.scroll.IsWindowEnabled(), bColor);
        }
        EXPECT_EQ(d.m_tabGain.m_scrollManualGain.GetScrollPos(), 100);
        EXPECT_EQ(d.m_tabShutter.m_comboShutter.GetCurSel(), 0x0F);
        EXPECT_EQ(d.m_tabShutter.m_spinShutter.GetPos(), 960);
        const bool bCenter = c.nLinePos == LINE_POS_CENTER;
        EXPECT_EQ(d.m_tabPartial.m_chkCenter.GetCheck(), bCenter ? 1 : 0);
        EXPECT_EQ(d.m_tabPartial.m_scrollLinePos.GetScrollPos(), bCenter ? 0 : 300);
        EXPECT_EQ(d.m_tabPartial.m_editLinePos.GetWindowText(), bCenter ? "7" : "300");
    }
}

TEST_F(ConsoleTest, TheFrameRateIsTheFramesCountedOverTheMeasuredInterval)
{
    Open("color");
    TestDlg& d = *m_pDlg;
    const std::int64_t nSecond = GetCounterFrequency();
    struct Step
    {
        int nFrames;
        std::int64_t nTicks; // since the last display
        const char* pszText;
    };
    for (const Step& step : {Step{60, 2 * nSecond, "30.00 FPS"}, Step{0, 2 * nSecond, "0.00 FPS"},
                             Step{21, 2 * nSecond + nSecond / 10, "10.00 FPS"}})
    {
        d.m_nFrameCount = step.nFrames;
        d.m_nCounter += step.nTicks;
        d.OnTimer(TIMER_FPS);
        EXPECT_EQ(d.m_editFps.GetWindowText(), step.pszText);
        EXPECT_EQ(d.m_nFrameCount, 0);
    }
}

TEST_F(ConsoleTest, HotKeysActOncePerPressWhereTheirTabIsCurrent)
{
    Open("color");
    TestDlg& d = *m_pDlg;
    d.m_wndLive.Create(nullptr);
    QWidget* pMainButton = ControlWidget(d, IDC_MAIN_FOLDER_SELECT);
    QWidget* pRecButton = ControlWidget(d.m_tabRec, IDC_REC_SAVE);
    QWidget* pViewer = d.m_wndLive.Impl().Client();
    struct Case
    {
        int nTab;
        QWidget* pTarget;
        Qt::Key key;
        bool bFpsInput;
        std::vector<int> posted; // Rec commands the main dialog or the viewer posted
        const char* pszFps;      // the typed rate afterwards, from "12.5"
    };
    const Case cases[] = {
        {3, pMainButton, Qt::Key_R, true, {IDC_REC_START}, "12.5"},
        {3, pMainButton, Qt::Key_S, true, {IDC_REC_SAVE}, "12.5"},
        {3, pMainButton, Qt::Key_T, true, {IDC_REC_STOP}, "12.5"},
        {3, pRecButton, Qt::Key_T, true, {}, "12.5"}, // the Rec page posts its own
        {3, pViewer, Qt::Key_T, true, {IDC_REC_STOP}, "12.5"},
        {0, pMainButton, Qt::Key_R, true, {}, "12.5"},
        {2, pViewer, Qt::Key_S, true, {}, "12.5"},
        {2, pMainButton, Qt::Key_Comma, true, {}, "10.00"},
        {2, pMainButton, Qt::Key_Period, true, {}, "22.50"},
        {2, pViewer, Qt::Key_Period, true, {}, "22.50"},
        {2, pMainButton, Qt::Key_Period, false, {}, "12.5"},
        {1, pMainButton, Qt::Key_Comma, true, {}, "12.5"},
        {3, pMainButton, Qt::Key_Return, true, {}, "12.5"},
        {3, pMainButton, Qt::Key_Escape, true, {}, "12.5"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE("tab " + std::to_string(c.nTab) + " key " + std::to_string(c.key));
        SelectTab(c.nTab);
        d.m_tabPartial.m_nInputMode = c.bFpsInput ? INPUT_MODE_FPS : INPUT_MODE_ENVIRONMENT;
        d.m_tabPartial.m_editFps.SetWindowText("12.5");
        QTest::keyClick(c.pTarget, c.key);
        UiApplication::PumpEvents(10);
        EXPECT_EQ(d.TakePosted(), c.posted);
        EXPECT_EQ(d.m_tabPartial.m_editFps.GetWindowText(), c.pszFps);
    }
    // Enter and Esc closed nothing.
    EXPECT_TRUE(d.IsWindowVisible());
    EXPECT_TRUE(d.m_wndLive.IsWindowVisible());

    // A click on a display field is dropped; the check box beside it works.
    QTest::mouseClick(ControlWidget(d, IDC_MAIN_FPS), Qt::LeftButton);
    EXPECT_FALSE(d.m_editFps.HasFocus());
    QTest::mouseClick(pMainButton, Qt::LeftButton);
    EXPECT_EQ(d.m_chkFolderSelect.GetCheck(), 1);
}

TEST_F(ConsoleTest, TheFrameHandlerStoresCountsAndStopsARecordingAtItsLimit)
{
    Open("color:mode=2");
    TestDlg& d = *m_pDlg;
    TabGUIRec& rec = d.m_tabRec;
    rec.m_progressRec.SetRange(0, 1000);
    struct Case
    {
        bool bTimed;
        std::uint32_t nFramesBefore, nLimit;
        std::vector<int> positions; // after each of the frames, one a line
        std::vector<int> posted;
    };
    const Case cases[] = {
        {true, 0, 3, {1, 2, 0, 0}, {IDC_REC_STOP}}, // the posted Rec Stop ends it and empties the bar
        {false, 126, 32750, {0, 128, 128}, {}},     // manual: bits 7 and 8 of the count
        {false, 510, 32750, {384, 0}, {}},
        {true, 0, 0, {0, 0}, {}}, // a limit of 0 stores nothing and never stops
    };
    for (const Case& c : cases)
    {
        (c.bTimed ? rec.m_radioRecStopAfter : rec.m_radioRecManual).SetCheck(1);
        (c.bTimed ? rec.m_radioRecManual : rec.m_radioRecStopAfter).SetCheck(0);
        rec.m_progressRec.SetPos(0);
        g_nRecFrames = c.nFramesBefore;
        g_nRecFrameLimit = c.nLimit;
        g_nRecMode = RES_LINE_SCAN;
        d.m_nFrameCount = 0;
        std::vector<int> positions;
        for (std::size_t i = 0; i < c.positions.size(); ++i)
        {
            d.m_wndLive.m_bConverted = 1;
            TarnwickDlg::FrameCallback(&d);
            EXPECT_EQ(d.m_wndLive.m_bConverted, 0);
            UiApplication::PumpEvents();
            positions.push_back(rec.m_progressRec.GetPos());
        }
        EXPECT_EQ(positions, c.positions);
        EXPECT_EQ(d.TakePosted(), c.posted);
        EXPECT_EQ(d.m_nFrameCount, int(c.positions.size())); // every frame counts for the rate
    }
    // Idle: counted and drawn, nothing stored.
    EndRecording();
    g_nRecFrames = 0;
    TarnwickDlg::FrameCallback(&d);
    EXPECT_EQ(g_nRecFrames, 0u);
}

TEST_F(ConsoleTest, SaveImageWritesTheLivePictureAsTheViewerDrawsIt)
{
    struct Case
    {
        const char* pszSpec;
        std::size_t nFileSize;
        bool bConverted; // the pixels come from the converted picture
    };
    for (const Case& c :
         {Case{"mono", 1233718, false}, Case{"color", 3697974, true}, Case{"color:mode=2", 6214, false}})
    {
        SCOPED_TRACE(c.pszSpec);
        Open(c.pszSpec);
        TestDlg& d = *m_pDlg;
        d.SendCommand(IDC_MAIN_SAVE_IMAGE); // no picture before the viewer's first opening
        EXPECT_TRUE(Pictures().empty());

        d.SendCommand(IDC_MAIN_START);
        EXPECT_FALSE(d.m_btnStart.IsWindowEnabled());
        EXPECT_TRUE(d.m_btnStop.IsWindowEnabled());
        BitmapInfo bmi;
        ASSERT_TRUE(PumpUntil(
            [&] {
                return d.m_wndLive.CopyDisplayHeader(&bmi) && bmi.bmiHeader.biWidth == d.m_wndLive.m_nWidth;
            }));
        d.SendCommand(IDC_MAIN_STOP);
        EXPECT_TRUE(d.m_btnStart.IsWindowEnabled());
        if (c.bConverted) // the last frame is converted
        {
            ASSERT_TRUE(PumpUntil([&] { return d.m_wndLive.m_bConverted == 1; }));
        }
        UiApplication::PumpEvents(50);
        d.SendCommand(IDC_MAIN_SAVE_IMAGE);
        const std::vector<std::string> names = Pictures();
        ASSERT_EQ(names.size(), 1u);
        EXPECT_EQ(names[0].size(), 18u); // fourteen digits and ".bmp"
        const std::string s = TempDir::ReadFile(m_temp.Path(names[0]));
        ASSERT_EQ(s.size(), c.nFileSize);
        {
            std::lock_guard<std::mutex> lock(LiveFrameLock());
            const unsigned char* pPixels = c.bConverted ? g_pBgrFrame : g_pRawFrame;
            const std::size_t nOffset = c.bConverted ? 54 : 1078;
            EXPECT_EQ(std::memcmp(s.data() + nOffset, pPixels, s.size() - nOffset), 0);
        }
        std::filesystem::remove(m_temp.Path(names[0]));

        // "Folder Select": where the save dialog says, nothing when it is cancelled.
        d.m_chkFolderSelect.SetCheck(1);
        d.SendCommand(IDC_MAIN_SAVE_IMAGE);
        m_services.m_strSavePath = m_temp.Path("chosen.bmp");
        d.SendCommand(IDC_MAIN_SAVE_IMAGE);
        m_services.m_strSavePath.clear();
        EXPECT_EQ(Pictures(), std::vector<std::string>{"chosen.bmp"});
        EXPECT_EQ(m_services.m_requests.back().strInitialFolder, d.m_strCurDir);
        std::filesystem::remove(m_temp.Path("chosen.bmp"));
        d.SendCommand(IDC_MAIN_START); // Exit while streaming into the open viewer
        EXPECT_EQ(d.m_wndLive.m_bRunning, 1);
    }
}

TEST_F(ConsoleTest, FactoryDefaultAndConfigSaveSendTheCameraItsCommand)
{
    Open("color");
    RunChain(36);
    ClearLogs();
    m_pDlg->SendCommand(IDC_MAIN_FACTORY_DEFAULT);
    m_pDlg->SendCommand(IDC_MAIN_CONFIG_SAVE);
    EXPECT_EQ(Log(0), (std::vector<std::string>{"SET3 0D", "SET4 01", "SET3 0D", "SET4 02"}));
}
