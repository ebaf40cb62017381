// What goes wrong around the program while it is used: the camera, the disk, the settings file.
// Nothing recorded may be lost, nothing may hang or crash.

#include "operator_support.h"

#include "pages/rec_frame_limit.h"
#include "platform/capture/capture_faults.h"
#include "platform/sys/profile_file.h"

#include <sched.h>
#include <sys/mount.h>

#include <random>
#include <sstream>

namespace
{
// The twelve values Exit writes, as the pages show them just before.
std::vector<std::string> ShownWriteBack(TarnwickDlg& d)
{
    TabGUIPartial& partial = d.m_tabPartial;
    TabGUIRec& rec = d.m_tabRec;
    partial.UpdateData(true);
    rec.UpdateData(true);
    return {std::to_string(partial.m_nInputMode),
            partial.m_editFps.GetWindowText(),
            partial.m_editSize.GetWindowText(),
            partial.m_editPixel.GetWindowText(),
            partial.m_editSpeed.GetWindowText(),
            std::to_string(partial.m_comboDirection.GetCurSel()),
            std::to_string(rec.m_nRecControl),
            rec.m_editSec.GetWindowText(),
            rec.m_strFolder,
            std::to_string(rec.m_nFileNaming),
            std::to_string(rec.m_nImageFormat),
            rec.m_editQuality.GetWindowText()};
}

std::vector<std::string> WrittenBack(const std::string& strIni)
{
    const ProfileFile file(strIni);
    const char* const KEYS[] = {"LineRate",   "Mode",   "LineRate",   "Fps",    "LineRate",   "Size",
                                "LineRate",   "Pixel",  "LineRate",   "Speed",  "LineRate",   "Direction",
                                "RecControl", "Mode",   "RecControl", "Sec",    "FileOption", "Path",
                                "FileOption", "Naming", "FileOption", "Format", "FileOption", "Quality"};
    std::vector<std::string> values;
    for (size_t i = 0; i < std::size(KEYS); i += 2)
        values.push_back(file.GetText(KEYS[i], KEYS[i + 1], "(missing)"));
    return values;
}

// Fills the disk to the last byte.
void FillDisk(const std::string& strAt)
{
    std::FILE* pFile = std::fopen((strAt + "/filler").c_str(), "wb");
    const std::vector<char> block(4096, 'f');
    while (pFile != nullptr && std::fwrite(block.data(), 1, block.size(), pFile) == block.size() &&
           std::fflush(pFile) == 0)
    {
    }
    if (pFile != nullptr)
        std::fclose(pFile);
}

// A small file system that fills at once, mounted for this thread alone (the saves run on it);
// empty when this process may not mount one.
std::string MountFullDisk(const std::string& strAt)
{
    std::filesystem::create_directory(strAt);
    if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tarnwick_full", strAt.c_str(), "tmpfs", 0, "size=64k") != 0)
        return "";
    FillDisk(strAt);
    return strAt;
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

// Each failed save said once on screen and once on standard error, with the file, in strFolder,
// and the reason.
void ExpectSaveFailures(const std::vector<std::string>& messages, const std::string& strFolder,
                        const std::string& strReason, std::size_t nSaves)
{
    const std::string strHead = "画像を保存できませんでした。\n";
    std::string strLines;
    EXPECT_EQ(messages.size(), nSaves);
    for (const std::string& s : messages)
    {
        const std::size_t nEnd = s.rfind('\n');
        const std::string strPath = s.starts_with(strHead) && nEnd > strHead.size()
                                        ? s.substr(strHead.size(), nEnd - strHead.size())
                                        : "";
        EXPECT_EQ(s, strHead + strPath + "\n" + strReason);
        EXPECT_EQ(std::filesystem::path(strPath).parent_path().string(), strFolder);
        strLines += "tarnwick: " + strPath + ": not written: " + strReason + "\n";
    }
    EXPECT_EQ(ProgramLines(), strLines);
}
} // namespace

TEST_F(OperatorTest, FailingRequestsAStoppedStreamOrAPulledCameraLoseNoRecordingAndNeverStopTheProgram)
{
    for (const std::string strFault : {"requests failing", "stream stopped", "unplugged"})
    {
        SCOPED_TRACE(strFault);
        Open("color");
        // About one request in four fails from now on, at places a fixed seed chooses.
        std::mt19937 random(10);
        std::vector<int> failing;
        for (int n = 1; n <= 3000 && strFault == "requests failing"; ++n)
            if (random() % 4 == 0)
            {
                failing.push_back(n);
                CaptureFaults::Instance().FailCall(CaptureStep::PROPERTY, n);
            }
        TarnwickDlg& d = Dlg();
        StartLineScan("1800");
        TabGUIRec& rec = d.m_tabRec;
        d.m_tabPartial.m_comboDirection.SetCurSel(1);
        Click(rec, IDC_REC_START);
        ASSERT_TRUE(PumpUntil([] { return g_nRecFrames >= 400; }));
        if (strFault == "unplugged")
            Sim(0).Unplug();
        else if (strFault == "stream stopped")
            Sim(0).SetStreamHalted(true);
        // A frame already on its way may still arrive, later on a loaded machine.
        UiApplication::PumpEvents(250);
        const std::uint32_t nFrames = g_nRecFrames;
        UiApplication::PumpEvents(100);
        EXPECT_TRUE(!failing.empty() || g_nRecFrames == nFrames); // no frames come any more

        Click(rec, IDC_REC_STOP);
        ASSERT_TRUE(PumpUntil([&] { return d.m_wndLineScan.m_bRunning == 1; }));
        Click(rec, IDC_RADIO_NAMING_TIMESTAMP);
        Picture picture;
        ASSERT_TRUE(ReadBmp(Save(IMAGE_FORMAT_BMP_BAYER, m_temp.Dir()), &picture));
        EXPECT_EQ(picture.nWidth, RecImageWidth(g_nRecFrames, RES_LINE_SCAN));
        EXPECT_TRUE(ShowsScene(picture));
        UiApplication::PumpEvents(1000); // the next file's name is a second later

        // The operator tries the camera's commands and streaming again, then gives up.
        Click(d, IDC_MAIN_FACTORY_DEFAULT);
        Click(d, IDC_MAIN_CONFIG_SAVE);
        Click(d, IDC_MAIN_STOP);
        Click(d, IDC_MAIN_START);
        Click(d, IDC_MAIN_STOP);
        const int nCalls = CaptureFaults::Instance().Calls(CaptureStep::PROPERTY);
        EXPECT_GE(std::ranges::count_if(failing, [&](int n) { return n <= nCalls; }),
                  failing.empty() ? 0 : 10);
        const std::vector<std::string> shown = ShownWriteBack(d);
        Exit();
        EXPECT_EQ(WrittenBack(m_temp.Path("Tarnwick.ini")), shown);
    }
}

TEST_F(OperatorTest, AFolderThatCannotBeWrittenOrAFullDiskTakesNoFileAndTheImageSavesElsewhere)
{
    // A folder that is gone, one whose place a file holds, one removed after it was chosen, and a
    // full disk where one can be mounted; with the reason the operator is told.
    TempDir::WriteFile(m_temp.Path("plain"), "x");
    const std::string strRemoved = m_temp.Path("removed");
    const std::string strFull = MountFullDisk(m_temp.Path("full"));
    const std::pair<std::string, const char*> folders[] = {
        {m_temp.Path("gone/away"), "No such file or directory"},
        {m_temp.Path("plain/sub"), "Not a directory"},
        {strRemoved, "No such file or directory"},
        {strFull, "No space left on device"}};
    for (const auto& [strFolder, pszReason] : folders)
    {
        if (strFolder.empty())
            continue;
        SCOPED_TRACE(strFolder);
        // A picture saved in every format into the folder, named by the time and in the save
        // dialog: nothing may appear there, under the final name or any other.
        Open("color");
        TarnwickDlg& d = Dlg();
        StartLineScan("1800");
        Record(0, 200);
        TabGUIRec& rec = d.m_tabRec;
        m_services.m_strFolderAnswer = strFolder;
        std::filesystem::create_directory(strRemoved);
        Click(rec, IDC_BROWSE_FOLDER);
        std::filesystem::remove(strRemoved);
        Click(rec, IDC_RADIO_NAMING_TIMESTAMP);
        const std::set<std::string> before = Files(strFolder);
        m_services.m_messages.clear();
        testing::internal::CaptureStderr();
        for (int nFormat : {IMAGE_FORMAT_BMP_BAYER, IMAGE_FORMAT_BMP_RAW, IMAGE_FORMAT_JPEG})
            EXPECT_EQ(Save(nFormat, strFolder), "") << "format " << nFormat;
        Click(rec, IDC_RADIO_NAMING_MANUAL);
        m_services.m_strSaveAnswer = strFolder + "/chosen.jpg";
        EXPECT_EQ(Save(IMAGE_FORMAT_JPEG, strFolder), "");
        // The live picture too, to a name chosen in that folder.
        d.m_chkFolderSelect.SetCheck(1);
        m_services.m_strSaveAnswer = strFolder + "/live.bmp";
        Click(d, IDC_MAIN_SAVE_IMAGE);
        EXPECT_EQ(Files(strFolder), before);
        ExpectSaveFailures(m_services.m_messages, strFolder, pszReason, 5);

        // Afterwards the same picture saves in the working folder, without a word.
        m_services.m_messages.clear();
        Click(rec, IDC_CLEAR_FOLDER);
        Click(rec, IDC_RADIO_NAMING_TIMESTAMP);
        Picture picture;
        const std::string strFile = Save(IMAGE_FORMAT_BMP_BAYER, m_temp.Dir());
        ASSERT_TRUE(ReadBmp(strFile, &picture));
        EXPECT_TRUE(ShowsScene(picture));
        std::filesystem::remove(strFile);
        EXPECT_TRUE(m_services.m_messages.empty());
    }
    if (strFull.empty())
        GTEST_SKIP() << "cannot mount a small file system here (needs root and mount rights); "
                        "the full-disk case is untested";
    Exit();
    m_pDlg.reset();

    // Settings on the full disk: Exit cannot add its keys, and the file stays whole. Long enough
    // that the keys would take it past a block of the disk.
    const std::string strIni = "; " + std::string(4000, 'c') + "\n[Settings]\nTopMost=0\n";
    std::filesystem::remove(strFull + "/filler");
    TempDir::WriteFile(strFull + "/Tarnwick.ini", strIni);
    FillDisk(strFull);
    std::filesystem::current_path(strFull);
    Open("color", nullptr);
    Exit();
    EXPECT_EQ(TempDir::ReadFile(strFull + "/Tarnwick.ini"), strIni);
    std::filesystem::current_path(m_temp.Dir());
    umount2(strFull.c_str(), MNT_DETACH);
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
    EXPECT_FALSE(d.m_wndLineScan.IsWindowVisible() || saved[0][0].empty() || saved[0][2].empty());
    for (int nFormat : {IMAGE_FORMAT_BMP_BAYER, IMAGE_FORMAT_BMP_RAW, IMAGE_FORMAT_JPEG})
        EXPECT_TRUE(saved[1][nFormat] == saved[0][nFormat]) << "format " << nFormat; // binary: no diff

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
    m_services.m_messages.clear();
    m_services.m_saveRequests.clear();
    testing::internal::CaptureStderr();
    for (int nFormat : {IMAGE_FORMAT_BMP_BAYER, IMAGE_FORMAT_BMP_RAW, IMAGE_FORMAT_JPEG})
        EXPECT_EQ(Save(nFormat, m_temp.Dir()), "");
    d.m_wndLineScan.Impl().Window()->close();
    EXPECT_EQ(Save(IMAGE_FORMAT_BMP_BAYER, m_temp.Dir()), "");
    EXPECT_EQ(m_services.m_messages,
              std::vector<std::string>(4, "画像を保存できませんでした。\nthe recording holds no lines"));
    const std::string strLine = "tarnwick: not written: the recording holds no lines\n";
    EXPECT_EQ(ProgramLines(), strLine + strLine + strLine + strLine);
    EXPECT_TRUE(m_services.m_saveRequests.empty());
}

TEST_F(OperatorTest, HostileSettingsFilesOpenUseAndWriteBackWithoutLoss)
{
    std::mt19937 random(3);
    std::string strJunk(4096, '\0');
    for (char& c : strJunk)
        c = static_cast<char>(random());
    const std::string strLong(300000, 'w');
    // The file, and a part of it that must survive Exit unchanged.
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"binary junk", strJunk, strJunk.substr(0, 1000)},
        {"huge numbers",
         "[Settings]\nTopMost=4294967296\n[LineRate]\nMode=1\nFps=1e308\n"
         "Size=2147483648\nPixel=99999999999\nSpeed=1e9\nDirection=77777777777\nUpDownStep=2147483647\n"
         "[Cursor]\nColor=99999999999\nThick=2147483647\nPitch=2147483647\nLength=2147483647\n"
         "[RecControl]\nMode=1\nSec=99999999999\n[FileOption]\nNaming=2147483647\nFormat=2147483647\n"
         "Quality=99999999999\n",
         "Thick=2147483647\n"},
        {"negative values",
         "[Settings]\nCameraNo=-1\nTopMost=-1\n[ViewWindow]\nMonoDecode=-5\nColorDecode=-5\n[LineRate]\n"
         "Mode=-1\nFps=-100\nSize=-3620\nPixel=-640\nSpeed=-75\nDirection=-2\nUpDownStep=-10\n[Cursor]\n"
         "Color=-1\nThick=-5\nPitch=-40\nLength=-6\n[RecControl]\nMode=-1\nSec=-10\n[FileOption]\n"
         "Naming=-1\nFormat=-1\nQuality=-80\n",
         "Pitch=-40\n"},
        {"very long lines",
         "; " + strLong + "\n[LineRate]\nFps=" + strLong + "\n[FileOption]\nPath=" + strLong + "\n" +
             strLong + "\n",
         "; " + strLong + "\n"},
        {"missing sections", "[LineRate\nMode=1\n[]\nFps=5\n=3\n[RecControl]]\nSec\n", "[LineRate\nMode=1\n"},
    };
    for (const auto& [pszName, strIni, strKept] : cases)
    {
        SCOPED_TRACE(pszName);
        m_services.m_messages.clear();
        Open("color", nullptr, [&] { TempDir::WriteFile(m_temp.Path("Tarnwick.ini"), strIni); });
        TarnwickDlg& d = Dlg();
        EXPECT_TRUE(m_services.m_messages.empty());
        StartLineScan("1800");
        Record(1, 100);
        const std::vector<std::string> shown = ShownWriteBack(d);
        Exit();
        const std::string strAfter = TempDir::ReadFile(m_temp.Path("Tarnwick.ini"));
        EXPECT_NE(strAfter.find(strKept), std::string::npos);
        // Texts longer than a read gives back are written back as they were read.
        std::vector<std::string> cut = shown;
        for (std::string& s : cut)
            s = s.substr(0, ProfileFile::MAX_TEXT);
        EXPECT_EQ(WrittenBack(m_temp.Path("Tarnwick.ini")), cut);
    }
}
