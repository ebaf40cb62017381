// The main dialog, driven headless against simulated cameras.

#include "tests/e2e/operator_support.h"
#include "tests/support/two_grey_frames.h"

#include "console/settings_file.h"
#include "display/guide_settings.h"
#include "display/measure_rect.h"
#include "pages/line_rate.h"
#include "platform/sys/clocks.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace
{
constexpr const char* TITLE = "Tarnwick  (Ver. 0.01)";

// The main dialog with a clock the test sets, recording the Rec commands it posts (no test records while
// streaming).
class TestDlg : public TarnwickDlg
{
  public:
    std::int64_t ReadCounter() const override { return m_nCounter; }
    void PostRecCommand(int nCommandId) override
    {
        m_posted.push_back(nCommandId);
        TarnwickDlg::PostRecCommand(nCommandId);
    }
    std::vector<int> TakePosted() { return std::exchange(m_posted, {}); }
    std::int64_t m_nCounter = 987654321; // far from zero, as a running machine's counter is
    std::vector<int> m_posted;
};

// The main dialog opened with the clock set by the test, which runs the start-up chain itself.
class ConsoleTest : public OperatorTest
{
  protected:
    ConsoleTest() { m_nOpenPumpMs = 0; }
    std::unique_ptr<TarnwickDlg> MakeDialog() override { return std::make_unique<TestDlg>(); }
    TestDlg& D() { return static_cast<TestDlg&>(*m_pDlg); }
    std::string Ini() const { return TempDir::ReadFile(m_temp.Path("Tarnwick.ini")); }
    // Whether each of the controls the opening enables is enabled.
    std::vector<bool> OpeningControlsEnabled()
    {
        TestDlg& d = D();
        return {d.m_btnStart.IsWindowEnabled(),      d.m_btnStop.IsWindowEnabled(),
                d.m_btnSaveImage.IsWindowEnabled(),  d.m_chkFolderSelect.IsWindowEnabled(),
                d.m_tab.IsWindowEnabled(),           d.m_btnFactoryDefault.IsWindowEnabled(),
                d.m_btnConfigSave.IsWindowEnabled(), d.m_tabGain.IsWindowEnabled()};
    }
    std::vector<std::string> Pictures() const
    {
        std::vector<std::string> names = m_temp.Entries();
        std::erase_if(names, [](const std::string& s) { return !s.ends_with(".bmp"); });
        return names;
    }
};
} // namespace

TEST_F(ConsoleTest, AFailedOpeningSaysWhyAndLeavesOnlyExit)
{
    constexpr CaptureStep NONE = CaptureStep::COUNT;
    // Cameras, settings, failing step; message box, title, identity shown, buffers kept until Exit.
    const std::tuple<const char*, const char*, CaptureStep, const char*, const char*, const char*, bool>
        cases[] = {
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
            {"color:model=X", "", CaptureStep::CONNECT, nullptr, "カメラの接続に失敗しました",
             "Model Name : X", true},
        };
    for (const auto& [pszCamera, pszIni, failStep, pszBox, pszTitle, pszModel, bBuffers] : cases)
    {
        SCOPED_TRACE(std::string(pszCamera) + " " + pszIni);
        m_services.m_messages.clear();
        const auto fail = [&] { CaptureFaults::Instance().FailCall(failStep); };
        Open(pszCamera, pszIni, failStep != NONE ? std::function<void()>(fail) : nullptr);
        EXPECT_EQ(m_services.m_messages,
                  pszBox ? std::vector<std::string>{pszBox} : std::vector<std::string>{});
        EXPECT_EQ(m_pDlg->GetWindowText(), pszTitle);
        EXPECT_TRUE(pszBox ||
                    m_pDlg->m_editModel.GetWindowText() + " " + m_pDlg->m_editResolution.GetWindowText() ==
                        std::string(pszModel) + " 1284 x 960");
        EXPECT_EQ((std::pair{g_pRawFrame != nullptr && g_pLineScanBgr != nullptr, OpeningControlsEnabled()}),
                  (std::pair{bBuffers, std::vector<bool>(8, false)}));
        // Nothing but Exit acts: a click on Start opens no viewer, no chain talks to a camera.
        ClearLogs();
        QTest::mouseClick(ControlWidget(*m_pDlg, IDC_MAIN_START), Qt::LeftButton);
        UiApplication::PumpEvents(30);
        EXPECT_EQ(m_pDlg->m_wndLive.m_bRunning, 0);
        EXPECT_TRUE(m_pSim->DeviceCount() == 0 || Log(0).empty());
        QTest::mouseClick(ControlWidget(*m_pDlg, IDCANCEL), Qt::LeftButton);
        EXPECT_TRUE(!m_pDlg->IsWindowVisible() && g_pRawFrame == nullptr &&
                    Ini().find("[FileOption]") != std::string::npos);
    }
}

TEST_F(ConsoleTest, OpeningTakesTheCameraToItsReadoutModeWithTheGainPageAloneInsideTheTabs)
{
    // Camera, mode byte; the frame size shown, the viewer's width, resolution radio, frame height.
    const std::tuple<const char*, int, const char*, int, int, int> cases[] = {
        {"color", 1, "1284 x 960", 960, RES_FULL_SIZE, 960},
        {"color", 0, "1284 x 960", 960, RES_FULL_SIZE, 960},
        {"mono", 2, "1284 x 2", 4, RES_LINE_SCAN, 2},
        {"color", 3, "1284 x 4", 4, RES_LINE_SCAN_FAST, 4},
        {"color", 4, "1284 x 960", 960, RES_FULL_SIZE, 960}, // beyond the tables: full frame
        {"color", 9, "1284 x 960", 960, RES_FULL_SIZE, 960},
    };
    for (const auto& [pszCamera, nInfoMode, pszResolution, nViewWidth, nResolution, nFrameHeight] : cases)
    {
        SCOPED_TRACE(std::string(pszCamera) + " mode " + std::to_string(nInfoMode));
        Open(pszCamera, "", [&] { Sim(0).SetInfo(INFO_MODE, static_cast<uint8_t>(nInfoMode)); });
        TestDlg& d = D();
        EXPECT_EQ(d.GetWindowText() + " " + d.m_editResolution.GetWindowText(),
                  std::string(TITLE) + " " + pszResolution);
        const Rect rc = d.GetWindowRect();
        EXPECT_EQ((std::vector<int>{d.m_wndLive.m_nWidth, d.m_wndLive.m_nHeight, Sim(0).FrameHeight(),
                                    d.m_tabPartial.GetRadioIndex(IDC_RADIO_FULL_SIZE),
                                    g_rcMeasure.Get().IsSet(), rc.left, rc.top, d.IsTopMost()}),
                  (std::vector<int>{nViewWidth, 1284, nFrameHeight, nResolution, 0, 0, 0, 0}));
        EXPECT_EQ(OpeningControlsEnabled(),
                  (std::vector<bool>{true, false, true, true, true, true, true, true}));
    }
    // Each page inside the tab control and below its tabs; one page shown at a time.
    TestDlg& d = D();
    const Rect rcTab = d.m_tab.GetWindowRect();
    const std::vector<Dialog*> pages = {&d.m_tabGain, &d.m_tabShutter, &d.m_tabPartial, &d.m_tabRec};
    for (const Rect rc : {pages[0]->GetWindowRect(), pages[1]->GetWindowRect(), pages[2]->GetWindowRect(),
                          pages[3]->GetWindowRect()})
        EXPECT_TRUE(rc.top >= rcTab.top + d.m_tab.GetPageRect().top && rc.left > rcTab.left &&
                    rc.right <= rcTab.right && rc.bottom <= rcTab.bottom);
    for (int nTab : {-1, 3, 1, 2, 0})
    {
        if (nTab >= 0)
            SelectTab(nTab);
        for (int i = 0; i < 4; ++i) // at opening, once shown, the Gain page alone
            EXPECT_EQ(pages[i]->IsWindowVisible(), i == std::max(nTab, 0)) << "tab " << nTab << " page " << i;
    }
}

TEST_F(ConsoleTest, SettingsAreReadBeforeThePagesAndWrittenBackAtExit)
{
    // No file: the defaults, and Exit writes only the twelve keys of the pages.
    Open("color");
    Exit();
    EXPECT_EQ(Ini(), "[LineRate]\nMode=0\nFps=1000.00\nSize=3620\nPixel=640\nSpeed=75\nDirection=0\n"
                     "[RecControl]\nMode=0\nSec=10\n"
                     "[FileOption]\nPath=\nNaming=1\nFormat=0\nQuality=80\n");
    // Every key set by hand: read-only ones survive, the rest come back as the pages show them.
    const std::string strIni =
        "; by hand\n[Settings]\nCameraNo=0\nTopMost=1\n[ViewWindow]\nMonoDecode=1\n"
        "ColorDecode=0\n[LineRate]\nMode=1\nFps=250.5\nSize=100\nPixel=200\nSpeed=30\n"
        "Direction=0\nUpDownStep=5\n[Cursor]\nColor=255\nThick=9\nPitch=0\nLength=12\n"
        "[RecControl]\nMode=1\nSec=42\n[FileOption]\nPath=/data/rec\nNaming=0\nFormat=2\n"
        "Quality=55\n";
    Open("color", strIni.c_str());
    EXPECT_EQ((std::vector<int>{m_pDlg->m_wndLive.m_nYuvMode, g_nFpsStep, int(g_crGuide), g_nGuideWidth,
                                g_nGuidePitch, g_nGuideDash, m_pDlg->IsTopMost()}),
              (std::vector<int>{0, 5, 255, 4, 0, 12, 1})); // "Thick" 9 draws 4 wide
    Exit();
    std::string strExpected = strIni;
    strExpected.replace(strExpected.find("250.5"), 5, "250.50");
    EXPECT_EQ(Ini(), strExpected);
    // Texts as typed, and radio or list values the pages cannot show written back as -1.
    Open("color", "[LineRate]\nMode=7\nDirection=5\n[RecControl]\nMode=3\n[FileOption]\nNaming=9\n");
    for (auto [pEdit, pszText] : {std::pair{&m_pDlg->m_tabPartial.m_editFps, "fast"},
                                  {&m_pDlg->m_tabPartial.m_editSize, "12x"},
                                  {&m_pDlg->m_tabRec.m_editQuality, ""}})
        pEdit->SetWindowText(pszText);
    Exit();
    EXPECT_EQ(Ini(), "[LineRate]\nMode=-1\nDirection=-1\nFps=fast\nSize=12x\nPixel=640\nSpeed=75\n"
                     "[RecControl]\nMode=-1\nSec=10\n"
                     "[FileOption]\nNaming=-1\nPath=\nFormat=0\nQuality=\n");
}

TEST(SettingsFileTest, EveryFailureToReadOrWriteIsOneLineOnStandardError)
{
    TempDir dir;
    const std::string strIni = dir.Path("Tarnwick.ini"), strGone = dir.Path("gone");
    // What spoils the file or folder, the folder, the Path key; what stderr says after "tarnwick: <path>: "
    // (a disk full at 2000 bytes takes the line on stderr, not a folder name of 3000).
    const std::string strLong(3000, 'f');
    // A device of the test's own (root only; else a FIFO), so that a writer gone wrong harms no real one.
    if (mknod(dir.Path("zero").c_str(), S_IFCHR | 0666, makedev(1, 5)) != 0)
        mkfifo(dir.Path("zero").c_str(), 0644);
    const auto replace = [&](const std::function<void()>& put) { std::filesystem::remove(strIni), put(); };
    const std::tuple<std::function<void()>, std::string, std::string, std::string> cases[] = {
        {[&] { chmod(strIni.c_str(), 0444); }, dir.Dir(), "", "not written: the file is read-only\n"},
        {[&] { replace([&] { mkfifo(strIni.c_str(), 0644); }); }, dir.Dir(), "",
         "not read or written: not a regular file\n"},
        {[&] { replace([&] { mkdir(strIni.c_str(), 0755); }); }, dir.Dir(), "",
         "not read or written: not a regular file\n"},
        {[&] { replace([&] { std::filesystem::create_symlink("zero", strIni); }); }, dir.Dir(), "",
         "not read or written: not a regular file\n"},
        {[] {}, strGone, "", "not written: No such file or directory\n"},
        {[] {}, dir.Dir(), strLong, "not written: File too large\n"},
        {[] {}, dir.Dir(), "/a\nb", "not written: [FileOption] Path (a line break cannot be stored)\n"},
    };
    for (const auto& [spoil, strFolder, strPathKey, strLines] : cases)
    {
        SCOPED_TRACE(strLines);
        std::filesystem::remove(strIni);
        TempDir::WriteFile(strIni, "[A]\nk=1\n");
        spoil();
        std::filesystem::create_directory(strGone);
        const SettingsFile settings(strFolder);
        testing::internal::CaptureStderr();
        settings.Read();
        std::filesystem::remove(strGone);
        SettingsWriteBack back;
        back.strFolder = strPathKey;
        EXPECT_FALSE(
            OnAFullDisk(strPathKey == strLong ? 2000 : RLIM_INFINITY, [&] { return settings.Write(back); }));
        std::string strExpected = "tarnwick: " + settings.Path() + ": " + strLines;
        if (strLines.starts_with("not read"))
            strExpected += "tarnwick: " + settings.Path() + ": not written: not a regular file\n";
        EXPECT_EQ(testing::internal::GetCapturedStderr(), strExpected);
        // The file as it was, but where only a key was not written.
        if (std::filesystem::is_regular_file(strIni) && !strPathKey.starts_with("/"))
        {
            EXPECT_EQ(TempDir::ReadFile(strIni), "[A]\nk=1\n");
        }
    }
}

TEST(SettingsFileTest, AStrangersLinkInASharedFolderIsNotFollowed)
{
    if (geteuid() != 0 || TempDir::ReadFile("/proc/sys/fs/protected_symlinks") != "1\n")
        GTEST_SKIP() << "needs root, to act as two users, and fs.protected_symlinks set to 1 (left as it is)";
    TempDir dir;
    const std::string strShared = dir.Path("shared"), strOwn = dir.Path("own.ini");
    std::filesystem::permissions(dir.Dir(), std::filesystem::perms(0755));
    std::filesystem::create_directory(strShared);
    std::filesystem::permissions(strShared, std::filesystem::perms(01777));
    TempDir::WriteFile(strOwn, "[A]\nk=1\n");
    ASSERT_EQ(chown(strOwn.c_str(), ORDINARY_USER, ORDINARY_USER), 0);
    // One user plants a link to another's settings in the shared folder; that one writes there.
    EXPECT_EQ(
        InChild([] { return BecomeUser(OTHER_USER); }, [&]
                { return std::to_string(symlink(strOwn.c_str(), (strShared + "/Tarnwick.ini").c_str())); }),
        "0");
    testing::internal::CaptureStderr();
    EXPECT_EQ(InChild([] { return BecomeUser(ORDINARY_USER); }, [&]
                      { return SettingsFile(strShared).Write(SettingsWriteBack{}) ? "written" : "refused"; }),
              "refused");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tarnwick: " + strShared + "/Tarnwick.ini: not written: " + std::strerror(EACCES) + "\n");
    EXPECT_EQ(TempDir::ReadFile(strOwn), "[A]\nk=1\n");
}

TEST_F(ConsoleTest, TheStartUpChainReadsTheRegistersIntoThePagesAndTheRateShowsEveryTwoSeconds)
{
    for (const auto& [pszCamera, nLinePos] :
         {std::pair{"color", 300}, std::pair{"mono", 300}, std::pair{"color", LINE_POS_CENTER}})
    {
        SCOPED_TRACE(std::string(pszCamera) + " " + std::to_string(nLinePos));
        const int REGISTERS[] = {REG_GAIN_MODE, REG_MANUAL_GAIN, REG_MANUAL_GAIN + 1, REG_GAIN_R,
                                 REG_GAIN_B,    REG_GAIN_G,      REG_LINE_POSITION,   REG_LINE_POSITION + 1};
        const int values[] = {2, 100, 0, 110, 120, 130, nLinePos & 0xFF, nLinePos >> 8};
        Open(pszCamera, "",
             [&]
             {
                 for (int i = 0; i < 8; ++i)
                     Sim(0).SetRegister(REGISTERS[i], static_cast<uint8_t>(values[i]));
             });
        ClearLogs();
        TestDlg& d = D();
        d.m_tabPartial.m_editLinePos.SetWindowText("7");
        // Direction and shutter written, then eight registers read, each by an address and a byte.
        ASSERT_TRUE(PumpUntil([&] { return Log(0).size() >= 36; }));
        UiApplication::PumpEvents(20);
        std::vector<std::string> expected = {"18=00", "01=0F"};
        std::ranges::copy(Write16(REG_MANUAL_SHUTTER, 960), std::back_inserter(expected));
        expected.resize(18, "GET2");
        EXPECT_EQ(Writes(Sim(0)), expected);
        // The colour gains, enabled for a colour camera only.
        TabGUIGain& g = d.m_tabGain;
        const int c = std::string(pszCamera) == "color";
        std::vector<int> shown = {g.GetRadioIndex(IDC_RADIO_GAIN_0DB), g.m_scrollManualGain.GetScrollPos()};
        for (const auto& [spin, bar] :
             {std::tie(g.m_spinGainR, g.m_scrollGainR), std::tie(g.m_spinGainB, g.m_scrollGainB),
              std::tie(g.m_spinGainG, g.m_scrollGainG)})
            shown.insert(shown.end(),
                         {spin.GetPos(), bar.GetScrollPos(), spin.IsWindowEnabled() + bar.IsWindowEnabled()});
        EXPECT_EQ(shown, (std::vector<int>{2, 100, 110, 110, 2 * c, 120, 120, 2 * c, 130, 130, 2 * c}));
        const bool bCenter = nLinePos == LINE_POS_CENTER;
        EXPECT_EQ((std::vector<int>{
                      d.m_tabShutter.m_comboShutter.GetCurSel(), d.m_tabShutter.m_spinShutter.GetPos(),
                      d.m_tabPartial.m_chkCenter.GetCheck(), d.m_tabPartial.m_scrollLinePos.GetScrollPos()}),
                  (std::vector<int>{0x0F, 960, bCenter, bCenter ? 0 : 300}));
        EXPECT_EQ(d.m_tabPartial.m_editLinePos.GetWindowText(), bCenter ? "7" : "300");
    }
    // The camera's own commands: two requests each.
    ClearLogs();
    m_pDlg->SendCommand(IDC_MAIN_FACTORY_DEFAULT);
    m_pDlg->SendCommand(IDC_MAIN_CONFIG_SAVE);
    EXPECT_EQ(Log(0), (std::vector<std::string>{"SET3 0D", "SET4 01", "SET3 0D", "SET4 02"}));
    // The frame rate: the frames counted over the measured interval, the count cleared.
    TestDlg& d = D();
    const std::int64_t nSecond = GetCounterFrequency();
    for (const auto& [nFrames, nTicks, pszText] :
         {std::tuple{60, 2 * nSecond, "30.00 FPS"}, std::tuple{0, 2 * nSecond, "0.00 FPS"},
          std::tuple{21, 2 * nSecond + nSecond / 10, "10.00 FPS"}})
    {
        d.m_nFrameCount = nFrames;
        d.m_nCounter += nTicks;
        d.OnTimer(TIMER_FPS);
        EXPECT_EQ((std::pair{d.m_editFps.GetWindowText(), int(d.m_nFrameCount)}),
                  (std::pair{std::string(pszText), 0}));
    }
}

TEST_F(ConsoleTest, HotKeysActOncePerPressWhereTheirTabIsCurrent)
{
    Open("color");
    TestDlg& d = D();
    d.m_wndLive.Create(nullptr);
    d.m_wndLineScan.Create(nullptr);
    QWidget* pMain = ControlWidget(d, IDC_MAIN_FOLDER_SELECT);
    QWidget* pRecPage = ControlWidget(d.m_tabRec, IDC_REC_SAVE);
    QWidget* pPartialPage = ControlWidget(d.m_tabPartial, IDC_EDIT_SIZE);
    QWidget* pGainPage = ControlWidget(d.m_tabGain, IDC_ONE_PUSH_WB); // passes every key on
    QWidget* pViewer = d.m_wndLive.Impl().Client();
    QWidget* pLineScan = d.m_wndLineScan.Impl().Client();
    // Tab, target, key, whether the rate is typed; the Rec commands posted, the rate after "12.5".
    const std::tuple<int, QWidget*, Qt::Key, bool, std::vector<int>, const char*> cases[] = {
        {3, pMain, Qt::Key_R, true, {IDC_REC_START}, "12.5"},
        {3, pMain, Qt::Key_S, true, {IDC_REC_SAVE}, "12.5"},
        {3, pMain, Qt::Key_T, true, {IDC_REC_STOP}, "12.5"},
        {3, pRecPage, Qt::Key_T, true, {}, "12.5"}, // the Rec page posts its own
        {3, pGainPage, Qt::Key_S, true, {IDC_REC_SAVE}, "12.5"},
        {3, pRecPage, Qt::Key_Escape, true, {}, "12.5"},
        {3, pViewer, Qt::Key_R, true, {IDC_REC_START}, "12.5"},
        {3, pLineScan, Qt::Key_S, true, {IDC_REC_SAVE}, "12.5"},
        {3, pLineScan, Qt::Key_T, true, {IDC_REC_STOP}, "12.5"},
        {0, pLineScan, Qt::Key_T, true, {}, "12.5"},
        {3, pViewer, Qt::Key_Escape, true, {}, "12.5"},
        {0, pMain, Qt::Key_R, true, {}, "12.5"},
        {2, pMain, Qt::Key_R, true, {}, "12.5"}, // the resolution page current: no Rec command anywhere
        {2, pMain, Qt::Key_S, true, {}, "12.5"},
        {2, pMain, Qt::Key_T, true, {}, "12.5"},
        {2, pViewer, Qt::Key_R, true, {}, "12.5"},
        {2, pViewer, Qt::Key_S, true, {}, "12.5"},
        {2, pViewer, Qt::Key_T, true, {}, "12.5"},
        {2, pLineScan, Qt::Key_R, true, {}, "12.5"},
        {2, pLineScan, Qt::Key_S, true, {}, "12.5"},
        {2, pLineScan, Qt::Key_T, true, {}, "12.5"},
        {2, pMain, Qt::Key_Comma, true, {}, "10.00"},
        {2, pMain, Qt::Key_Period, true, {}, "22.50"},
        {2, pViewer, Qt::Key_Period, true, {}, "22.50"},
        {2, pPartialPage, Qt::Key_Period, true, {}, "22.50"}, // the resolution page steps it itself
        {2, pMain, Qt::Key_Period, false, {}, "12.5"},
        {2, pPartialPage, Qt::Key_Comma, false, {}, "12.5"},
        {3, pMain, Qt::Key_Return, true, {}, "12.5"},
    };
    for (const auto& [nTab, pTarget, key, bFpsInput, posted, pszFps] : cases)
    {
        SCOPED_TRACE("tab " + std::to_string(nTab) + " key " + std::to_string(key));
        SelectTab(nTab);
        d.m_tabPartial.m_nInputMode = bFpsInput ? INPUT_MODE_FPS : INPUT_MODE_ENVIRONMENT;
        d.m_tabPartial.m_editFps.SetWindowText("12.5");
        QTest::keyClick(pTarget, key);
        UiApplication::PumpEvents(10);
        EXPECT_EQ(d.TakePosted(), posted);
        EXPECT_EQ(d.m_tabPartial.m_editFps.GetWindowText(), pszFps);
    }
    // Enter and Esc closed nothing.
    EXPECT_TRUE(d.IsWindowVisible() && d.m_wndLive.IsWindowVisible() && d.m_tabRec.IsWindowVisible());
    // A click on a display field is dropped; the check box beside it works.
    QTest::mouseClick(ControlWidget(d, IDC_MAIN_FPS), Qt::LeftButton);
    QTest::mouseClick(pMain, Qt::LeftButton);
    EXPECT_EQ((std::pair{d.m_editFps.HasFocus(), d.m_chkFolderSelect.GetCheck()}), (std::pair{false, 1}));
}

TEST_F(ConsoleTest, EnterTypedIntoAPageOrOnAFocusedButtonPressesNothing)
{
    Open("color");
    ClearLogs();
    ASSERT_TRUE(PumpUntil([&] { return Log(0).size() >= 36; })); // the start-up chain has run
    UiApplication::PumpEvents(20);
    TestDlg& d = D();
    d.SetFocus();
    // Tab, the dialog and its control that has the focus when Enter is typed.
    const std::tuple<int, Dialog*, int> cases[] = {
        {2, &d.m_tabPartial, IDC_EDIT_FPS},      {2, &d.m_tabPartial, IDC_EDIT_SIZE},
        {2, &d.m_tabPartial, IDC_SET_LINE_RATE}, {1, &d.m_tabShutter, IDC_EDIT_SHUTTER},
        {3, &d.m_tabRec, IDC_EDIT_SEC},          {0, &d, IDC_MAIN_START},
    };
    const std::vector<Dialog*> pages = {&d.m_tabGain, &d.m_tabShutter, &d.m_tabPartial, &d.m_tabRec};
    for (const auto& [nTab, pDialog, nId] : cases)
    {
        SCOPED_TRACE("tab " + std::to_string(nTab) + " control " + std::to_string(nId));
        SelectTab(nTab);
        d.m_tabPartial.m_editFps.SetWindowText("12.5");
        ClearLogs();
        QWidget* pControl = ControlWidget(*pDialog, nId);
        pControl->setFocus(Qt::TabFocusReason);
        QTest::keyClick(pControl, Qt::Key_Return);
        UiApplication::PumpEvents(20);
        // No handler talked to the camera or posted a command, and every window stayed as it was.
        EXPECT_EQ(
            (std::tuple{Log(0), d.TakePosted(), d.m_tabPartial.m_editFps.GetWindowText(), d.m_tab.GetCurSel(),
                        pages[nTab]->IsWindowVisible(), d.IsWindowVisible(), int(d.m_wndLive.m_bRunning)}),
            (std::tuple{std::vector<std::string>{}, std::vector<int>{}, std::string("12.5"), nTab, true, true,
                        0}));
    }
}

TEST_F(ConsoleTest, TheFrameHandlerCountsEveryFrameAndMovesTheRecordingOn)
{
    Open("color:mode=2");
    TestDlg& d = D();
    TabGUIRec& rec = d.m_tabRec;
    rec.m_progressRec.SetRange(0, 1000);
    // Timed, count before, limit; the bar after each frame, the posts. Nothing stored past the limit.
    const std::tuple<bool, std::uint32_t, std::uint32_t, std::vector<int>, std::vector<int>> cases[] = {
        {false, 126, 32750, {0, 128, 128}, {}}, // manual: bits 7 and 8 of the count
        {false, 510, 32750, {384, 0}, {}},
        {true, 0, 0, {0, 0}, {}},                   // a limit of 0 stores nothing and never stops
        {true, 0, 3, {1, 2, 0, 0}, {IDC_REC_STOP}}, // the posted Rec Stop ends it and empties the bar
    };
    for (const auto& [bTimed, nFramesBefore, nLimit, expected, posted] : cases)
    {
        rec.m_radioRecStopAfter.SetCheck(bTimed ? 1 : 0);
        rec.m_progressRec.SetPos(0);
        std::tie(g_nRecFrames, g_nRecFrameLimit, g_nRecMode) =
            std::tuple(nFramesBefore, nLimit, RES_LINE_SCAN);
        unsigned char* pPastLimit = g_pLineScan + std::size_t(nLimit) * 2 * SENSOR_WIDTH;
        std::memset(pPastLimit, 0xEE, SENSOR_WIDTH);
        std::vector<int> positions;
        for (std::size_t i = 0; i < expected.size(); ++i)
        {
            TarnwickDlg::FrameCallback(&d);
            UiApplication::PumpEvents(30); // posted positions are shown at most every 20 ms
            positions.push_back(rec.m_progressRec.GetPos());
        }
        EXPECT_EQ(
            (std::tuple{positions, d.TakePosted(), std::count(pPastLimit, pPastLimit + SENSOR_WIDTH, 0xEE)}),
            (std::tuple{expected, posted, long(SENSOR_WIDTH)}));
    }
    // Every frame the handler sees counts toward the rate shown: eight frames in two seconds.
    g_nRecMode = 0;
    d.OnTimer(TIMER_FPS);
    for (int i = 0; i < 8; ++i)
        TarnwickDlg::FrameCallback(&d);
    d.m_nCounter += 2 * GetCounterFrequency();
    d.OnTimer(TIMER_FPS);
    EXPECT_EQ(d.m_editFps.GetWindowText(), "4.00 FPS");
}

TEST_F(ConsoleTest, SaveImageWritesTheLivePictureAsTheViewerDrawsIt)
{
    for (const auto& [pszCamera, nFileSize, bConverted] :
         {std::tuple{"mono", 1233718u, false}, std::tuple{"color", 3697974u, true},
          std::tuple{"color:mode=2", 6214u, false}})
    {
        SCOPED_TRACE(pszCamera);
        Open(pszCamera);
        TestDlg& d = D();
        d.SendCommand(IDC_MAIN_SAVE_IMAGE); // no picture before the viewer's first opening
        EXPECT_TRUE(Pictures().empty());
        d.SendCommand(IDC_MAIN_START);
        BitmapInfo bmi;
        ASSERT_TRUE(PumpUntil(
            [&]
            {
                return d.m_nFrameCount > 1 && d.m_wndLive.CopyDisplayHeader(&bmi) &&
                       bmi.bmiHeader.biWidth == d.m_wndLive.m_nWidth;
            }));
        d.SendCommand(IDC_MAIN_STOP);
        ASSERT_TRUE(!bConverted || PumpUntil([&] { return d.m_wndLive.m_bConverted == 1; }));
        UiApplication::PumpEvents(50);
        d.SendCommand(IDC_MAIN_SAVE_IMAGE);
        const std::vector<std::string> names = Pictures();
        ASSERT_EQ(names.size(), 1u);
        EXPECT_EQ(names[0].find_first_not_of("0123456789"), 14u) << names[0]; // named by the time
        const std::string s = TempDir::ReadFile(m_temp.Path(names[0]));
        ASSERT_EQ(s.size(), nFileSize);
        {
            std::lock_guard<std::mutex> lock(LiveFrameLock());
            const std::size_t nOffset = bConverted ? 54 : 1078;
            EXPECT_EQ(
                std::memcmp(s.data() + nOffset, bConverted ? g_pBgrFrame : g_pRawFrame, s.size() - nOffset),
                0);
        }
        std::filesystem::remove(m_temp.Path(names[0]));
        // "Folder Select" while streaming: where the dialog says, nothing if cancelled; true colours.
        d.SendCommand(IDC_MAIN_START); // Exit follows while streaming into the open viewer
        ASSERT_TRUE(PumpUntil([&] { return d.m_nFrameCount > 1; }));
        d.m_chkFolderSelect.SetCheck(1);
        d.SendCommand(IDC_MAIN_SAVE_IMAGE);
        m_services.m_strSaveAnswer = m_temp.Path("chosen.bmp");
        d.SendCommand(IDC_MAIN_SAVE_IMAGE);
        m_services.m_strSaveAnswer.clear();
        EXPECT_EQ(Pictures(), std::vector<std::string>{"chosen.bmp"});
        ASSERT_FALSE(m_services.m_saveRequests.empty());
        EXPECT_EQ(m_services.m_saveRequests.back().strInitialFolder, d.m_strCurDir);
        Picture picture;
        EXPECT_TRUE(!bConverted || (ReadBmp(m_temp.Path("chosen.bmp"), &picture) && ShowsScene(picture)));
        std::filesystem::remove(m_temp.Path("chosen.bmp"));
    }
}

TEST_F(ConsoleTest, SaveImageWhileFramesArriveWritesOneWholeFrame)
{
    Open("mono");
    TestDlg& d = D();
    d.SendCommand(IDC_MAIN_START);
    ASSERT_TRUE(PumpUntil([&] { return d.m_nFrameCount > 1; }));
    d.SendCommand(IDC_MAIN_STOP);
    UiApplication::PumpEvents(50);
    const int nLines = d.m_wndLive.m_nWidth;
    TwoGreyFrames frames(nLines);
    ASSERT_TRUE(PumpUntil([&] { return frames.Stored() > 1; })); // the first frame stored whole
    // Saved again and again meanwhile: which saves held two frames.
    std::vector<int> mixed;
    for (int i = 0; i < 30; ++i)
    {
        d.SendCommand(IDC_MAIN_SAVE_IMAGE);
        const std::vector<std::string> names = Pictures();
        ASSERT_EQ(names.size(), 1u);
        const std::string s = TempDir::ReadFile(m_temp.Path(names[0]));
        std::filesystem::remove(m_temp.Path(names[0]));
        ASSERT_EQ(s.size(), 1078u + std::size_t(nLines) * SENSOR_WIDTH);
        if (!TwoGreyFrames::IsOneFrame(
                std::span(reinterpret_cast<const std::uint8_t*>(s.data()) + 1078, s.size() - 1078)))
            mixed.push_back(i);
    }
    EXPECT_EQ(mixed, std::vector<int>{}) << "saved pictures holding parts of two frames";
}
