#include "buffers/recording_state.h"
#include "buffers/shared_buffers.h"
#include "display/bayer_demosaic.h"
#include "display/tarnwick_wnd.h"
#include "jpeg_decode.h"
#include "page_test_support.h"
#include "pages/page_owner.h"
#include "platform/ui/data_exchange.h"
#include "platform/ui/dialog_services.h"
#include "platform/ui/tab_control.h"
#include "resources/page_resource.h"
#include "tests/camera/sim_camera_fixture.h"

#include <gtest/gtest.h>

#include <QProgressBar>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

namespace
{
namespace fs = std::filesystem;

constexpr int IDC_FAKE_TAB = 1000;
constexpr int H = static_cast<int>(SENSOR_WIDTH); // rows of the composed image

// Answers the page's dialogs in place of the operator and remembers what it was asked.
class AnsweringServices : public DialogServices
{
  public:
    int MessageBox(Dialog* pOwner, const std::string& strText, const std::string&, unsigned) override
    {
        m_messages.push_back(strText);
        m_pMessageOwner = pOwner;
        return IDOK;
    }
    bool SaveFile(Dialog*, const SaveFileRequest& request, std::string* pPath) override
    {
        m_saveRequests.push_back(request);
        *pPath = m_strSaveAnswer;
        return !m_strSaveAnswer.empty();
    }
    bool BrowseForFolder(Dialog*, const std::string&, std::string* pFolder) override
    {
        *pFolder = m_strFolderAnswer;
        return !m_strFolderAnswer.empty();
    }

    std::vector<std::string> m_messages;
    Dialog* m_pMessageOwner = nullptr;
    std::vector<SaveFileRequest> m_saveRequests;
    std::string m_strSaveAnswer, m_strFolderAnswer;
};

// The resolution page, counting the line-rate commands posted to it instead of applying them.
class CountingPartial : public TabGUIPartial
{
  public:
    CountingPartial()
    {
        MapClicked(IDC_SET_LINE_RATE, [this] { ++m_nLineRateCommands; });
    }
    int m_nLineRateCommands = 0;
};

// The main dialog's stand-in: a tab control, both viewers, the resolution and Rec pages.
class FakeMain : public Dialog, public PageOwner
{
  public:
    FakeMain()
        : Dialog(MakeTemplate(240, 340, DLG_VISIBLE | DLG_CAPTION | DLG_SYSMENU,
                              {{IDC_FAKE_TAB, ControlKind::Tab, "", 0, 0, 240, 16, 0}}))
    {
    }
    void DoDataExchange(DataExchange& dx) override { dx.BindControl(IDC_FAKE_TAB, m_tab); }

    TabControl& GetTabControl() override { return m_tab; }
    TarnwickWnd& GetLiveViewer() override { return m_wndLive; }
    TarnwickWnd& GetLineScanViewer() override { return m_wndLineScan; }
    TabGUIPartial& GetPartialPage() override { return m_partial; }
    EditBox& GetResolutionEdit() override { return m_editResolution; }
    const std::string& GetCurDir() const override { return m_strCurDir; }

    TabControl m_tab;
    TarnwickWnd m_wndLive;
    TarnwickWnd m_wndLineScan;
    CountingPartial m_partial;
    TabGUIRec m_rec;
    EditBox m_editResolution;
    std::string m_strCurDir;
};

// Sample j of recorded line c: distinct enough that a line in the wrong column or a sample in
// the wrong row shows.
uint8_t Sample(unsigned c, unsigned j)
{
    return static_cast<uint8_t>(c * 7 + j * 3);
}

std::vector<uint8_t> ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t U32(const std::vector<uint8_t>& v, std::size_t at)
{
    return v[at] | v[at + 1] << 8 | v[at + 2] << 16 | uint32_t(v[at + 3]) << 24;
}

class RecPageTest : public SimCameraTest
{
  protected:
    void SetUp() override
    {
        InstallAndInit("color", 1);
        ASSERT_TRUE(AllocateSharedBuffers());
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() /
                ("tarnwick_rec_" + std::to_string(std::random_device{}()) + "_" + test->name());
        fs::create_directories(m_dir / "start");
        fs::create_directories(m_dir / "out");
        SetDialogServices(&m_answers);

        m_main.m_strCurDir = (m_dir / "start").string();
        m_rec.m_nFileNaming = 1;
        m_rec.m_strFolder = (m_dir / "out").string();
        m_rec.m_nJpegQuality = 95;
        ASSERT_TRUE(m_main.Create(nullptr));
        UiApplication::Instance()->SetMainDialog(&m_main);
        ASSERT_TRUE(m_main.m_partial.Create(&m_main));
        ASSERT_TRUE(m_rec.Create(&m_main));
        m_rec.ShowWindow(ShowState::Show);
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
        UiApplication::Instance()->SetMainDialog(nullptr);
        SetDialogServices(nullptr);
        m_main.DestroyWindow();
        ReleaseSharedBuffers();
        fs::remove_all(m_dir);
        SimCameraTest::TearDown();
    }

    // Rec Start in mode nMode (RES_...) and direction nDirection.
    void Start(int nMode, int nDirection)
    {
        m_main.m_partial.m_nResolution = nMode;
        m_main.m_partial.m_comboDirection.SetCurSel(nDirection);
        m_rec.SendCommand(IDC_REC_START);
    }
    // n frames through the recording step, as the frame handler stores them: raw byte 4i + k of a
    // frame is sample i of its stored line k.
    void Frames(int n)
    {
        for (int f = 0; f < n; ++f)
        {
            const unsigned nFirst = g_nRecFrames * RecLinesPerFrame(g_nRecMode);
            for (unsigned i = 0; i < SENSOR_WIDTH; ++i)
                for (unsigned k = 0; k < 4; ++k)
                    g_pRawFrame[4 * i + k] = Sample(nFirst + k, i);
            StoreRecordingFrame(H);
        }
    }
    // Records and stops: the composed image is then nWidth columns wide.
    void Record(int nMode, int nDirection, int nFrames)
    {
        Start(nMode, nDirection);
        Frames(nFrames);
        m_rec.SendCommand(IDC_REC_STOP);
    }
    // The values written to the scan-direction register since the last call.
    std::vector<std::string> DirectionWrites()
    {
        std::vector<std::string> writes;
        bool bDirection = false;
        for (const std::string& line : Log(0))
        {
            if (line.rfind("SET1 ", 0) == 0)
                bDirection = line == "SET1 18 00";
            else if (bDirection && line.rfind("SET2 ", 0) == 0)
                writes.push_back(line.substr(5));
        }
        ClearLogs();
        return writes;
    }
    QProgressBar& Progress() { return *qobject_cast<QProgressBar*>(ControlWidget(m_rec, IDC_PROGRESS_REC)); }
    std::vector<fs::path> Files(const fs::path& dir) const
    {
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(dir))
            files.push_back(entry.path());
        return files;
    }
    // The demosaiced picture the line-scan viewer should show for the composed image.
    std::vector<uint8_t> ExpectedBgr(int nWidth, ConvertProc proc) const
    {
        std::vector<uint8_t> bgr(std::size_t(nWidth) * H * 3, 0);
        const std::size_t w = std::size_t(nWidth);
        ConvertParams p{H - 2, nWidth, g_pLineScan, g_pLineScan + w, g_pLineScan + 2 * w, bgr.data() + 3 * w};
        proc(&p);
        return bgr;
    }

    fs::path m_dir;
    AnsweringServices m_answers;
    FakeMain m_main;
    TabGUIRec& m_rec = m_main.m_rec;
};
} // namespace

TEST_F(RecPageTest, RecStartArmsTheRecordingWithItsLimitAndLocksThePage)
{
    struct Case
    {
        const char* szName;
        int nMode, nRecControl, nDirection;
        const char *szSeconds, *szRate;
        unsigned nLimit;
        int nProgressMax;
        const char* szSecondsAfter;
    };
    const Case cases[] = {
        {"manual, two lines", RES_LINE_SCAN, 0, 0, "10", "1000.00", 32750, 1, "10"},
        {"manual, four lines, reversed", RES_LINE_SCAN_FAST, 0, 1, "10", "1000.00", 16375, 1, "10"},
        {"10 s at 1000", RES_LINE_SCAN, 1, 0, "10", "1000.00", 10000, 10000, "10"},
        {"59 s at 1000, four lines: the cap", RES_LINE_SCAN_FAST, 1, 0, "59", "1000", 16375, 16375, "16"},
        {"0 s at 250.5: one second", RES_LINE_SCAN, 1, 0, "0", "250.5", 250, 250, "1"},
        {"rate 0: runs until stopped", RES_LINE_SCAN, 1, 0, "10", "0", 0, 0, "10"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.szName);
        m_rec.SetRadioIndex(IDC_RADIO_REC_MANUAL, c.nRecControl);
        m_rec.SendCommand(IDC_RADIO_REC_MANUAL);
        EXPECT_EQ(m_rec.m_editSec.IsWindowEnabled(), c.nRecControl == 1);
        m_rec.m_editSec.SetWindowText(c.szSeconds);
        m_main.m_partial.m_editFps.SetWindowText(c.szRate);
        g_nRecFrames = 7;
        Start(c.nMode, c.nDirection);

        EXPECT_EQ(g_nRecMode, c.nMode);
        EXPECT_EQ(g_nRecFrames, 0u);
        EXPECT_EQ(g_nRecFrameLimit, c.nLimit);
        EXPECT_EQ(m_rec.m_editSec.GetWindowText(), c.szSecondsAfter);
        // An empty range shows an empty bar, not a busy one.
        EXPECT_EQ(Progress().minimum(), 0);
        EXPECT_EQ(Progress().maximum(), std::max(c.nProgressMax, 1));
        EXPECT_EQ(Progress().value(), 0);
        m_rec.m_progressRec.PostPos(c.nProgressMax + 5);
        UiApplication::PumpEvents();
        EXPECT_EQ(Progress().value(), c.nProgressMax);
        EXPECT_EQ(DirectionWrites(), std::vector<std::string>{c.nDirection ? "01" : "00"});
        EXPECT_EQ(m_main.m_partial.m_nLineRateCommands, 1);
        EXPECT_FALSE(m_rec.m_btnRecStart.IsWindowEnabled());
        EXPECT_TRUE(m_rec.m_btnRecStop.IsWindowEnabled());
        EXPECT_FALSE(m_main.m_tab.IsWindowEnabled());

        // A second Rec Start while recording changes nothing.
        m_rec.SendCommand(IDC_REC_START);
        EXPECT_EQ(DirectionWrites(), std::vector<std::string>{});

        m_rec.SendCommand(IDC_REC_STOP);
        EXPECT_EQ(g_nRecMode, 0);
        EXPECT_EQ(DirectionWrites(), std::vector<std::string>{"00"});
        EXPECT_TRUE(m_rec.m_btnRecStart.IsWindowEnabled());
        EXPECT_FALSE(m_rec.m_btnRecStop.IsWindowEnabled());
        EXPECT_TRUE(m_main.m_tab.IsWindowEnabled());
        EXPECT_EQ(Progress().value(), 0);
        // A second Rec Stop (the one the frame handler posts at the limit) finds nothing to stop.
        m_rec.SendCommand(IDC_REC_STOP);
        EXPECT_EQ(DirectionWrites(), std::vector<std::string>{});
        UiApplication::PumpEvents();
        m_main.m_partial.m_nLineRateCommands = 0;
    }
    EXPECT_TRUE(m_answers.m_messages.empty());
}

TEST_F(RecPageTest, RecStartNeedsLineScanReadoutAndTheLiveViewer)
{
    // Full-size readout: the operator is asked to change it; nothing is armed or written.
    Start(RES_FULL_SIZE, 0);
    EXPECT_EQ(m_answers.m_messages, std::vector<std::string>{"ラインスキャンモードに変更してください。"});
    EXPECT_EQ(m_answers.m_pMessageOwner, &m_rec);
    // Live viewer closed: nothing at all.
    m_main.m_wndLive.m_bRunning = 0;
    Start(RES_LINE_SCAN, 0);
    EXPECT_EQ(m_answers.m_messages.size(), 1u);
    EXPECT_EQ(g_nRecMode, 0);
    EXPECT_TRUE(m_rec.m_btnRecStart.IsWindowEnabled());
    EXPECT_EQ(DirectionWrites(), std::vector<std::string>{});
    UiApplication::PumpEvents();
    EXPECT_EQ(m_main.m_partial.m_nLineRateCommands, 0);
}

TEST_F(RecPageTest, RecStopComposesEveryLineIntoItsColumnAndShowsIt)
{
    struct Case
    {
        int nMode, nDirection, nFrames, nWidth, nPhase;
    };
    const Case cases[] = {
        {RES_LINE_SCAN, 0, 5, 8, BAYER_GRBG}, {RES_LINE_SCAN_FAST, 0, 5, 20, BAYER_GRBG},
        {RES_LINE_SCAN, 1, 5, 8, BAYER_RGGB}, {RES_LINE_SCAN_FAST, 1, 5, 20, BAYER_RGGB},
        {RES_LINE_SCAN, 0, 1, 0, BAYER_GRBG}, // fewer than four lines: an empty picture
    };
    TarnwickWnd& viewer = m_main.m_wndLineScan;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << "mode " << c.nMode << " direction " << c.nDirection);
        Record(c.nMode, c.nDirection, c.nFrames);
        EXPECT_EQ(viewer.m_bRunning, 1);
        EXPECT_EQ(viewer.m_nSourceMode, VIEW_SRC_LINESCAN_BAYER);
        EXPECT_EQ(viewer.m_nWidth, c.nWidth);
        EXPECT_EQ(viewer.m_nHeight, H);
        EXPECT_EQ(viewer.m_nBayerPattern, c.nPhase);
        // Recorded line c in column c, or in column W - 1 - c when reversed: the first recorded
        // line at the left or the right edge.
        int nWrong = 0;
        for (int j = 0; j < H; ++j)
            for (int col = 0; col < c.nWidth; ++col)
            {
                const unsigned line = c.nDirection == 0 ? col : c.nWidth - 1 - col;
                nWrong += g_pLineScan[std::size_t(j) * c.nWidth + col] != Sample(line, j);
            }
        EXPECT_EQ(nWrong, 0);
        EXPECT_EQ(DirectionWrites(), (std::vector<std::string>{c.nDirection ? "01" : "00", "00"}));
        UiApplication::PumpEvents(20);
    }
}

TEST_F(RecPageTest, SaveWritesThePictureTheViewerShowsOnceConverted)
{
    // 500 frames of two lines: an image 1000 wide, saved in each format straight after Rec Stop,
    // as S right after T, while the viewer may still be converting it.
    Record(RES_LINE_SCAN, 0, 500);
    const int nFormats[] = {IMAGE_FORMAT_BMP_BAYER, IMAGE_FORMAT_BMP_RAW, IMAGE_FORMAT_JPEG};
    for (int nFormat : nFormats)
    {
        const fs::path folder = m_dir / ("format" + std::to_string(nFormat));
        fs::create_directories(folder);
        m_rec.m_strFolder = folder.string();
        m_rec.m_comboFormat.SetCurSel(nFormat);
        m_rec.OnCbnSelchangeImageFormat();
        EXPECT_EQ(m_rec.m_spinQuality.IsWindowEnabled(), nFormat == IMAGE_FORMAT_JPEG);
        m_rec.SendCommand(IDC_REC_SAVE);
    }
    EXPECT_EQ(m_rec.m_nJpegQuality, 95);

    const std::vector<uint8_t> store(g_pLineScan, g_pLineScan + 1000 * H);
    const std::vector<uint8_t> bgr = ExpectedBgr(1000, DemosaicGRBG);
    struct Case
    {
        std::size_t nFileSize, nOffset;
        int nBitCount;
        const std::vector<uint8_t>* pPixels;
    };
    const Case cases[] = {{3852054, 54, 24, &bgr}, {1285078, 1078, 8, &store}, {0, 0, 0, &bgr}};
    for (int nFormat : nFormats)
    {
        SCOPED_TRACE(nFormat);
        const Case& c = cases[nFormat];
        const std::vector<fs::path> files = Files(m_dir / ("format" + std::to_string(nFormat)));
        ASSERT_EQ(files.size(), 1u);
        EXPECT_EQ(files[0].filename().string().size(), 18u); // fourteen digits and the extension
        if (nFormat == IMAGE_FORMAT_JPEG)
        {
            EXPECT_EQ(files[0].extension(), ".jpg");
            const DecodedJpeg d = DecodeJpeg(files[0]);
            ASSERT_EQ(d.nWidth, 1000);
            ASSERT_EQ(d.nHeight, H);
            // The top row first: decoded row r is buffer row H - 1 - r, red-green-blue.
            long long nDiff = 0;
            for (int r = 0; r < H; ++r)
                for (int x = 0; x < 1000; ++x)
                    for (int ch = 0; ch < 3; ++ch)
                        nDiff += std::abs(d.rgb[(std::size_t(r) * 1000 + x) * 3 + ch] -
                                          bgr[(std::size_t(H - 1 - r) * 1000 + x) * 3 + 2 - ch]);
            EXPECT_LT(double(nDiff) / d.rgb.size(), 10.0); // upside down it is many times more
            continue;
        }
        EXPECT_EQ(files[0].extension(), ".bmp");
        const std::vector<uint8_t> file = ReadFile(files[0]);
        ASSERT_EQ(file.size(), c.nFileSize);
        EXPECT_EQ(U32(file, 10), c.nOffset);
        EXPECT_EQ(U32(file, 18), 1000u);
        EXPECT_EQ(U32(file, 22), uint32_t(H));
        EXPECT_EQ(file[28], c.nBitCount);
        EXPECT_TRUE(std::equal(file.begin() + c.nOffset, file.end(), c.pPixels->begin()));
    }

    // Redraws (scrolling, zooming) draw the converted picture as it is: no second conversion.
    std::memset(g_pLineScan, 0, 1000 * H);
    m_main.m_wndLineScan.OnLButtonDblClk(0, Point{5, 5});
    m_main.m_wndLineScan.OnHScroll(SB_LINERIGHT, 0, WINDOW_SCROLL_BAR);
    UiApplication::PumpEvents(100);
    m_main.m_wndLineScan.StopDrawThread();
    EXPECT_TRUE(std::equal(bgr.begin(), bgr.end(), g_pLineScanBgr));
}

TEST_F(RecPageTest, SaveNamesFilesByTimeOrThroughTheDialogInTheChosenFolder)
{
    Record(RES_LINE_SCAN, 0, 4);
    m_rec.m_comboFormat.SetCurSel(IMAGE_FORMAT_BMP_RAW);
    const auto save = [&] { m_rec.SendCommand(IDC_REC_SAVE); };

    // "Clear": the start-up directory, whatever the caption says.
    m_rec.SendCommand(IDC_CLEAR_FOLDER);
    EXPECT_EQ(m_rec.m_editFolder.GetWindowText(), "Same location as the EXE file");
    save();
    EXPECT_EQ(Files(m_dir / "start").size(), 1u);

    // The folder browser: a chosen folder is taken and shown; a cancelled one changes nothing.
    m_answers.m_strFolderAnswer = (m_dir / "out").string();
    m_rec.SendCommand(IDC_BROWSE_FOLDER);
    m_answers.m_strFolderAnswer.clear();
    m_rec.SendCommand(IDC_BROWSE_FOLDER);
    EXPECT_EQ(m_rec.m_strFolder, (m_dir / "out").string());
    EXPECT_EQ(m_rec.m_editFolder.GetWindowText(), (m_dir / "out").string());
    save();
    EXPECT_EQ(Files(m_dir / "out").size(), 1u);
    EXPECT_TRUE(m_answers.m_saveRequests.empty());

    // "Manual" naming: the save dialog in the folder; cancelled, nothing is written.
    m_rec.SetRadioIndex(IDC_RADIO_NAMING_MANUAL, 0);
    save();
    ASSERT_EQ(m_answers.m_saveRequests.size(), 1u);
    EXPECT_EQ(m_answers.m_saveRequests[0].strFilter, "BMP Files (*.bmp)|*.bmp||");
    EXPECT_EQ(m_answers.m_saveRequests[0].strDefaultExt, "bmp");
    EXPECT_EQ(m_answers.m_saveRequests[0].strInitialFolder, (m_dir / "out").string());
    m_answers.m_strSaveAnswer = (m_dir / "out" / "chosen.bmp").string();
    save();
    EXPECT_EQ(Files(m_dir / "out").size(), 2u);
    EXPECT_EQ(ReadFile(m_dir / "out" / "chosen.bmp").size(), 1078u + 8 * H); // 8 lines recorded
}

TEST_F(RecPageTest, SavesThatCannotBeMadeWriteNothing)
{
    // Before the first Rec Stop the line-scan viewer is closed: nothing to save, nothing asked.
    m_rec.SetRadioIndex(IDC_RADIO_NAMING_MANUAL, 0);
    m_rec.SendCommand(IDC_REC_SAVE);
    EXPECT_TRUE(m_answers.m_saveRequests.empty());
    m_rec.SetRadioIndex(IDC_RADIO_NAMING_MANUAL, 1);

    // An empty picture is no JPEG; a folder that is gone takes no file.
    Record(RES_LINE_SCAN, 0, 1);
    m_rec.m_comboFormat.SetCurSel(IMAGE_FORMAT_JPEG);
    m_rec.OnCbnSelchangeImageFormat();
    m_rec.SendCommand(IDC_REC_SAVE);
    Record(RES_LINE_SCAN, 0, 10);
    m_rec.m_strFolder = (m_dir / "gone").string();
    for (int nFormat : {IMAGE_FORMAT_BMP_BAYER, IMAGE_FORMAT_BMP_RAW, IMAGE_FORMAT_JPEG})
    {
        m_rec.m_comboFormat.SetCurSel(nFormat);
        m_rec.OnCbnSelchangeImageFormat();
        m_rec.SendCommand(IDC_REC_SAVE);
    }
    EXPECT_TRUE(Files(m_dir / "out").empty());
    EXPECT_FALSE(fs::exists(m_dir / "gone"));
}
