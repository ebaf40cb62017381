// What goes wrong around the program while it is used: the camera, the disk, the settings file.
// Nothing recorded may be lost, nothing may hang or crash.

#include "operator_support.h"

#include "pages/rec_frame_limit.h"
#include "platform/capture/capture_faults.h"
#include "platform/sys/profile_file.h"

#include <sched.h>
#include <sys/mount.h>

#include <random>
#include <regex>
#include <sstream>

namespace
{
// A small file system, full to the last byte, mounted for this thread alone (the saves run on it);
// empty when this process may not mount one.
std::string MountFullDisk(const std::string& strAt)
{
    std::filesystem::create_directory(strAt);
    if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tarnwick_full", strAt.c_str(), "tmpfs", 0, "size=64k") != 0)
        return "";
    std::ofstream(strAt + "/filler", std::ios::binary) << std::string(1 << 20, 'f');
    return strAt;
}

// The twelve keys Exit writes back, as the pages show them: the controls, not the members they
// were filled from.
std::vector<std::string> ShownWriteBack(TarnwickDlg& d)
{
    TabGUIPartial& partial = d.m_tabPartial;
    TabGUIRec& rec = d.m_tabRec;
    return {std::to_string(partial.GetRadioIndex(IDC_RADIO_ENV_INPUT)),
            partial.m_editFps.GetWindowText(),
            partial.m_editSize.GetWindowText(),
            partial.m_editPixel.GetWindowText(),
            partial.m_editSpeed.GetWindowText(),
            std::to_string(partial.m_comboDirection.GetCurSel()),
            std::to_string(rec.GetRadioIndex(IDC_RADIO_REC_MANUAL)),
            rec.m_editSec.GetWindowText(),
            rec.m_strFolder,
            std::to_string(rec.GetRadioIndex(IDC_RADIO_NAMING_MANUAL)),
            std::to_string(rec.m_comboFormat.GetCurSel()),
            rec.m_editQuality.GetWindowText()};
}

std::vector<std::string> WrittenBack(const std::string& strIni)
{
    const ProfileFile file(strIni);
    std::vector<std::string> values;
    for (auto [pszSection, pszKey] : {std::pair{"LineRate", "Mode"},
                                      {"LineRate", "Fps"},
                                      {"LineRate", "Size"},
                                      {"LineRate", "Pixel"},
                                      {"LineRate", "Speed"},
                                      {"LineRate", "Direction"},
                                      {"RecControl", "Mode"},
                                      {"RecControl", "Sec"},
                                      {"FileOption", "Path"},
                                      {"FileOption", "Naming"},
                                      {"FileOption", "Format"},
                                      {"FileOption", "Quality"}})
        values.push_back(file.GetText(pszSection, pszKey, "(missing)"));
    return values;
}

// The lines a test wrote on standard error since CaptureStderr that come from the program.
std::string ProgramLines()
{
    std::istringstream all(testing::internal::GetCapturedStderr());
    std::string strLines;
    for (std::string s; std::getline(all, s);)
        if (s.starts_with("tarnwick: "))
            strLines += s + "\n";
    return strLines;
}
} // namespace

TEST_F(OperatorTest, FaultsOfTheCameraTheDiskOrTheSettingsFileLoseNoRecordingAndNeverStopTheProgram)
{
    std::mt19937 random(3);
    std::string strJunk(4096, '\0');
    std::ranges::generate(strJunk, [&] { return static_cast<char>(random()); });
    const std::string strLong(300000, 'w');
    TempDir::WriteFile(m_temp.Path("plain"), "x");
    const std::string strFull = MountFullDisk(m_temp.Path("full"));
    // What goes wrong with the camera while it records, or the settings file; that file, and a part
    // of it that must survive Exit unchanged; a folder that takes no picture (gone, a file in its
    // place, a full disk), and the reason the operator is told.
    const std::tuple<std::string, std::string, std::string, std::string, std::string> cases[] = {
        {"requests failing", "", "", m_temp.Path("gone/away"), "No such file or directory"},
        {"stream stopped, huge numbers",
         "[Settings]\nTopMost=4294967296\n[LineRate]\nMode=1\nFps=1e308\n"
         "Size=2147483648\nPixel=99999999999\nSpeed=1e9\nDirection=77777777777\nUpDownStep=2147483647\n"
         "[Cursor]\nColor=99999999999\nThick=2147483647\nPitch=2147483647\nLength=2147483647\n"
         "[RecControl]\nMode=1\nSec=99999999999\n[FileOption]\nNaming=2147483647\nFormat=2147483647\n"
         "Quality=99999999999\n",
         "Thick=2147483647\n", m_temp.Path("plain/sub"), "Not a directory"},
        {"unplugged, negative values",
         "[Settings]\nCameraNo=-1\nTopMost=-1\n[ViewWindow]\nMonoDecode=-5\nColorDecode=-5\n[LineRate]\n"
         "Mode=-1\nFps=-100\nSize=-3620\nPixel=-640\nSpeed=-75\nDirection=-2\nUpDownStep=-10\n[Cursor]\n"
         "Color=-1\nThick=-5\nPitch=-40\nLength=-6\n[RecControl]\nMode=-1\nSec=-10\n[FileOption]\n"
         "Naming=-1\nFormat=-1\nQuality=-80\n",
         "Pitch=-40\n", strFull, "No space left on device"},
        {"binary junk", strJunk, strJunk.substr(0, 1000), "", ""},
        {"very long lines",
         "; " + strLong + "\n[LineRate]\nFps=" + strLong + "\n[FileOption]\nPath=" + strLong + "\n" +
             strLong + "\n",
         "; " + strLong + "\n", "", ""},
        {"missing sections", "[LineRate\nMode=1\n[]\nFps=5\n=3\n[RecControl]]\nSec\n", "[LineRate\nMode=1\n",
         "", ""},
    };
    for (const auto& [strCase, strIni, strKept, strFolder, strReason] : cases)
    {
        SCOPED_TRACE(strCase);
        m_services.m_messages.clear();
        Open("color", nullptr, [&] { TempDir::WriteFile(m_temp.Path("Tarnwick.ini"), strIni); });
        // About one request in four fails from now on, at places a fixed seed chooses.
        std::mt19937 places(10);
        std::vector<int> failing;
        for (int n = 1; n <= 3000 && strCase == "requests failing"; ++n)
            if (places() % 4 == 0)
                failing.push_back(n), CaptureFaults::Instance().FailCall(CaptureStep::PROPERTY, n);
        TarnwickDlg& d = Dlg();
        TabGUIRec& rec = d.m_tabRec;
        StartLineScan("1800");
        d.m_tabPartial.m_comboDirection.SetCurSel(1);
        Click(rec, IDC_RADIO_REC_MANUAL);
        Click(rec, IDC_REC_START);
        ASSERT_TRUE(PumpUntil([] { return g_nRecFrames >= 400; }));
        const bool bUnplugged = strCase.starts_with("unplugged"), bHalted = strCase.starts_with("stream");
        if (bUnplugged)
            Sim(0).Unplug();
        Sim(0).SetStreamHalted(bHalted);
        // A frame already on its way may still arrive, later on a loaded machine.
        UiApplication::PumpEvents(250);
        const std::uint32_t nFrames = g_nRecFrames;
        UiApplication::PumpEvents(100);
        EXPECT_TRUE(!(bUnplugged || bHalted) || g_nRecFrames == nFrames); // no frames come any more
        Click(rec, IDC_REC_STOP);
        ASSERT_TRUE(PumpUntil([&] { return d.m_wndLineScan.m_bRunning == 1; }));

        if (!strFolder.empty())
        {
            // The picture saved there, named in the save dialog and by the time in every format, and the
            // live picture: nothing may appear there, under any name. Each failure is said on screen and
            // on one line of standard error, with the file and the reason.
            m_services.m_strFolderAnswer = strFolder;
            Click(rec, IDC_BROWSE_FOLDER);
            const std::set<std::string> before = Files(strFolder);
            testing::internal::CaptureStderr();
            Click(rec, IDC_RADIO_NAMING_MANUAL);
            m_services.m_strSaveAnswer = strFolder + "/chosen";
            Save(IMAGE_FORMAT_JPEG, strFolder);
            d.m_chkFolderSelect.SetCheck(1);
            Click(d, IDC_MAIN_SAVE_IMAGE);
            Click(rec, IDC_RADIO_NAMING_TIMESTAMP);
            for (int nFormat : {IMAGE_FORMAT_BMP_BAYER, IMAGE_FORMAT_BMP_RAW, IMAGE_FORMAT_JPEG})
                Save(nFormat, strFolder);
            const std::string strLines = ProgramLines();
            const std::regex line("tarnwick: (" + strFolder + "/[^/\n]+): not written: " + strReason + "\n");
            std::vector<std::string> said;
            for (std::sregex_iterator it(strLines.begin(), strLines.end(), line), end; it != end; ++it)
                said.push_back("画像を保存できませんでした。\n" + it->str(1) + "\n" + strReason);
            EXPECT_EQ((std::tuple{Files(strFolder), m_services.m_messages, said.size(),
                                  std::regex_replace(strLines, line, "")}),
                      (std::tuple{before, said, std::size_t{5}, std::string()}));
            m_services.m_messages.clear();
        }

        // Whatever went wrong, the picture saves whole in the working folder, without a word.
        Click(rec, IDC_CLEAR_FOLDER);
        Picture picture;
        const std::string strFile = Save(IMAGE_FORMAT_BMP_BAYER, m_temp.Dir());
        ASSERT_TRUE(ReadBmp(strFile, &picture));
        EXPECT_EQ(picture.nWidth, RecImageWidth(g_nRecFrames, RES_LINE_SCAN));
        EXPECT_TRUE(ShowsScene(picture));
        std::filesystem::remove(strFile);

        // The operator tries the camera's commands and streaming again, then gives up; changes the
        // shooting environment, the seconds to record, the quality and the folder (as long as a read
        // of the file gives back); Exit writes back what the pages show, without a word, and keeps
        // what it does not write.
        for (int nId :
             {IDC_MAIN_FACTORY_DEFAULT, IDC_MAIN_CONFIG_SAVE, IDC_MAIN_STOP, IDC_MAIN_START, IDC_MAIN_STOP})
            Click(d, nId);
        const int nCalls = CaptureFaults::Instance().Calls(CaptureStep::PROPERTY);
        EXPECT_GE(std::ranges::count_if(failing, [&](int n) { return n <= nCalls; }),
                  failing.empty() ? 0 : 10);
        for (auto [pEdit, pszText] : {std::pair{&d.m_tabPartial.m_editSize, "1000"},
                                      {&d.m_tabPartial.m_editPixel, "500"},
                                      {&d.m_tabPartial.m_editSpeed, "60"},
                                      {&rec.m_editSec, "5"},
                                      {&rec.m_editQuality, "70"}})
            pEdit->SetWindowText(pszText);
        Click(rec, IDC_RADIO_REC_STOP_AFTER);
        m_services.m_strFolderAnswer =
            m_temp.Path(std::string(ProfileFile::MAX_TEXT - m_temp.Path("").size(), 'w'));
        Click(rec, IDC_BROWSE_FOLDER);
        const std::vector<std::string> shown = ShownWriteBack(d);
        testing::internal::CaptureStderr();
        Exit();
        const std::string strAfter = TempDir::ReadFile(m_temp.Path("Tarnwick.ini"));
        EXPECT_EQ((std::tuple{m_services.m_messages, ProgramLines(),
                              strAfter.find("\nDirection=1\n") != std::string::npos,
                              strAfter.find(strKept) != std::string::npos,
                              WrittenBack(m_temp.Path("Tarnwick.ini"))}),
                  (std::tuple{std::vector<std::string>{}, std::string(), true, true, shown}));
    }
    umount2(strFull.c_str(), MNT_DETACH);
    if (strFull.empty())
        GTEST_SKIP() << "cannot mount a small file system here (needs root and mount rights); "
                        "the full-disk case is untested";
}

TEST_F(OperatorTest, AClosedViewerKeepsItsRecordingSaveableUntilRecStartAndAnEmptyOneSaysSo)
{
    Open("color");
    TarnwickDlg& d = Dlg();
    TabGUIRec& rec = d.m_tabRec;
    StartLineScan("1800");
    Record(1, 200);
    // Each format saved with the line-scan viewer open, then closed by its close box before it drew
    // (its header as the opening made it, its converted picture the composition's scratch): the
    // same files.
    Click(rec, IDC_RADIO_NAMING_MANUAL);
    std::vector<std::string> saved[2];
    for (int nClosed : {0, 1})
    {
        if (nClosed == 1)
        {
            d.m_wndLineScan.Impl().Window()->close();
            d.m_wndLineScan.StopDrawThread();
            d.m_wndLineScan.m_pBmi->bmiHeader = BitmapInfoHeader{};
            const std::size_t nRow = std::size_t{3} * d.m_wndLineScan.m_nWidth; // rows 0 and 1283 stay black
            std::memset(g_pLineScanBgr + nRow, 0x55, nRow * (SENSOR_WIDTH - 2));
        }
        for (int nFormat : {IMAGE_FORMAT_BMP_BAYER, IMAGE_FORMAT_BMP_RAW, IMAGE_FORMAT_JPEG})
        {
            m_services.m_strSaveAnswer = m_temp.Path(std::to_string(nClosed) + std::to_string(nFormat));
            saved[nClosed].push_back(TempDir::ReadFile(Save(nFormat, m_temp.Dir())));
        }
    }
    EXPECT_FALSE(d.m_wndLineScan.IsWindowVisible() || std::ranges::count(saved[0], "") > 0 ||
                 saved[1] != saved[0]); // compared as bytes, not printed

    // R in full-frame readout right after T, before the picture is shown, starts nothing and keeps it.
    Click(rec, IDC_REC_START);
    ASSERT_TRUE(PumpUntil([] { return g_nRecFrames >= 50; }));
    d.m_tabPartial.m_nResolution = RES_FULL_SIZE;
    rec.OnBnClickedRecStop();
    rec.OnBnClickedRecStart();
    d.m_tabPartial.m_nResolution = RES_LINE_SCAN;
    m_services.m_strSaveAnswer = m_temp.Path("kept");
    EXPECT_NE(Save(IMAGE_FORMAT_BMP_RAW, m_temp.Dir()), "");

    // Rec Start discards it, and a recording without a frame holds nothing to save: said before any
    // save dialog, in every format, with the viewer open or closed.
    m_services.m_strSaveAnswer = m_temp.Path("never");
    Click(d, IDC_MAIN_STOP);
    Click(rec, IDC_REC_START);
    EXPECT_EQ(Save(IMAGE_FORMAT_BMP_RAW, m_temp.Dir()), "");
    Click(rec, IDC_REC_STOP);
    ASSERT_TRUE(PumpUntil([&] { return d.m_wndLineScan.m_bRunning == 1; }));
    m_services.m_messages.clear(), m_services.m_saveRequests.clear();
    testing::internal::CaptureStderr();
    for (int nFormat : {IMAGE_FORMAT_BMP_BAYER, IMAGE_FORMAT_BMP_RAW, IMAGE_FORMAT_JPEG})
        EXPECT_EQ(Save(nFormat, m_temp.Dir()), "");
    d.m_wndLineScan.Impl().Window()->close();
    EXPECT_EQ(Save(IMAGE_FORMAT_BMP_BAYER, m_temp.Dir()), "");
    const std::string strLine = "tarnwick: not written: the recording holds no lines\n";
    EXPECT_EQ(
        (std::tuple{m_services.m_messages, ProgramLines(), m_services.m_saveRequests.size()}),
        (std::tuple{std::vector<std::string>(4, "画像を保存できませんでした。\nthe recording holds no lines"),
                    strLine + strLine + strLine + strLine, std::size_t{0}}));
}
