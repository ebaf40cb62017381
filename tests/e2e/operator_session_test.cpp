// A whole working session with the program, as an operator has it.

#include "operator_support.h"

#include "camera/camera_defs.h"
#include "pages/line_rate.h"
#include "pages/rec_frame_limit.h"

namespace
{
constexpr double RATE = 1800;

// The line period a rate sends, as the two byte writes of the register.
std::vector<std::string> LinePeriodWrites(double dRate)
{
    return Write16(REG_LINE_PERIOD, LinePeriodFromRate(dRate).nCount);
}

bool IsTimeStampName(const std::string& strPath, const char* pszExt)
{
    const std::string strName = std::filesystem::path(strPath).filename().string();
    return strName.size() == 15 + std::strlen(pszExt) && strName.ends_with(std::string(".") + pszExt) &&
           std::all_of(strName.begin(), strName.begin() + 14, [](char c) { return c >= '0' && c <= '9'; });
}
} // namespace

TEST_F(OperatorTest, AnOperatorRecordsBothWaysAndSavesEveryFormat)
{
    Open("color");
    TarnwickDlg& d = Dlg();
    ASSERT_TRUE(m_services.m_messages.empty());

    // Line scan at a typed rate: the rate's two writes and nothing else.
    ClearLogs();
    StartLineScan("1800");
    UiApplication::PumpEvents(20);
    EXPECT_EQ(d.m_editResolution.GetWindowText(), "1284 x 2");
    // Start's from the shooting environment of the defaults, then the typed one's.
    std::vector<std::string> expected = LinePeriodWrites(RateFromEnvironment(3620, 640, 75));
    std::ranges::copy(LinePeriodWrites(RATE), std::back_inserter(expected));
    EXPECT_EQ(Writes(Sim(0), ""), expected);

    const std::string strOut = m_temp.Path("out");
    std::filesystem::create_directory(strOut);
    m_services.m_strFolderAnswer = strOut;
    Click(d.m_tabRec, IDC_BROWSE_FOLDER);
    m_services.m_strFolderAnswer.clear();
    Click(d.m_tabRec, IDC_BROWSE_FOLDER);              // cancelled: the folder stays
    EXPECT_EQ(Save(IMAGE_FORMAT_BMP_RAW, strOut), ""); // nothing recorded yet
    d.m_tabRec.m_editSec.SetWindowText("1");
    d.m_tabRec.m_editQuality.SetWindowText("90");
    // Direction, frames by hand (0: by time), format, whether named by the time. The colour BMP
    // follows a longer recording, whose picture lies where its own top row goes.
    const struct
    {
        int nDirection;
        std::uint32_t nFrames;
        int nFormat;
        bool bTimeStamp;
    } cases[] = {{1, 0, IMAGE_FORMAT_JPEG, true},
                 {0, 300, IMAGE_FORMAT_BMP_BAYER, true},
                 {1, 300, IMAGE_FORMAT_BMP_RAW, false},
                 {0, 0, IMAGE_FORMAT_JPEG, false}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE("direction " + std::to_string(c.nDirection) + " frames " + std::to_string(c.nFrames) +
                     " format " + std::to_string(c.nFormat));
        ClearLogs();
        Click(d.m_tabRec, c.bTimeStamp ? IDC_RADIO_NAMING_TIMESTAMP : IDC_RADIO_NAMING_MANUAL);
        // By hand, Save follows Rec Stop at once (S right after T): it waits for the picture.
        Record(c.nDirection, c.nFrames, c.nFrames == 0);
        const bool bJpeg = c.nFormat == IMAGE_FORMAT_JPEG;
        const char* pszExt = bJpeg ? "jpg" : "bmp";
        m_services.m_strSaveAnswer = "";
        EXPECT_TRUE(c.bTimeStamp || Save(c.nFormat, strOut).empty()); // the save dialog cancelled
        m_services.m_strSaveAnswer =
            c.bTimeStamp ? "" : strOut + "/chosen" + std::to_string(c.nFormat) + "." + pszExt;
        const std::string strFile = Save(c.nFormat, strOut);
        EXPECT_EQ(d.m_tabRec.m_spinQuality.IsWindowEnabled(), bJpeg);
        UiApplication::PumpEvents(20);
        // The direction for the recording, the rate again, and the direction back at Rec Stop.
        expected = LinePeriodWrites(RATE);
        expected.insert(expected.begin(), c.nDirection != 0 ? "18=01" : "18=00");
        expected.push_back("18=00");
        EXPECT_EQ(Writes(Sim(0), ""), expected);
        const std::uint32_t nFrames = g_nRecFrames;
        // By hand: as many as came before the click; by time: a second at the typed rate.
        if (c.nFrames != 0)
            EXPECT_GE(nFrames, c.nFrames);
        else
            EXPECT_EQ(nFrames, 1800u);
        const int nWidth = RecImageWidth(nFrames, RES_LINE_SCAN);
        EXPECT_EQ(d.m_wndLineScan.m_nWidth, nWidth);

        ASSERT_NE(strFile, "");
        if (c.bTimeStamp)
            EXPECT_TRUE(IsTimeStampName(strFile, pszExt)) << strFile;
        else
            EXPECT_EQ((std::vector<std::string>{strFile, m_services.m_saveRequests.back().strInitialFolder}),
                      (std::vector<std::string>{m_services.m_strSaveAnswer, strOut}));
        Picture picture;
        ASSERT_TRUE(bJpeg ? ReadJpeg(strFile, &picture) : ReadBmp(strFile, &picture));
        EXPECT_EQ((std::vector<int>{picture.nWidth, picture.nHeight, picture.nChannels}),
                  (std::vector<int>{nWidth, 1284, c.nFormat == IMAGE_FORMAT_BMP_RAW ? 1 : 3}));
        // A JPEG at the quality on the page, baseline.
        EXPECT_EQ((std::pair{picture.bBaseline, picture.quant}),
                  (std::pair{bJpeg, bJpeg ? JpegTables(90) : std::vector<unsigned>{}}));
        // A converted picture's first and last rows are black, not left over from before.
        const auto black = [&](int y) {
            return std::all_of(picture.At(0, y), picture.At(0, y) + nWidth * 3,
                               [](uint8_t b) { return b == 0; });
        };
        EXPECT_TRUE(c.nFormat != IMAGE_FORMAT_BMP_BAYER || (black(0) && black(1283)));
        EXPECT_TRUE(ShowsScene(picture));
    }
    EXPECT_TRUE(m_services.m_messages.empty());

    // Exit closes every window and lets the buffers go.
    Exit();
    EXPECT_FALSE(d.IsWindowVisible() || d.m_wndLive.IsWindowVisible() || d.m_wndLineScan.IsWindowVisible());
    EXPECT_EQ(g_pLineScan, nullptr);
}
