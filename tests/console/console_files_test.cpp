// Files the console writes: BMP pictures and their time-stamped names, and the recording step's
// store layout.

#include "buffers/recording_state.h"
#include "buffers/shared_buffers.h"
#include "display/bmp_file.h"
#include "display/time_stamp_path.h"

#include "console_test_support.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <vector>

namespace
{
std::uint32_t U32At(const std::string& s, std::size_t n)
{
    std::uint32_t v = 0;
    std::memcpy(&v, s.data() + n, 4);
    return v;
}

BitmapInfo GreyHeader(int nBitCount, int nWidth, int nHeight)
{
    BitmapInfo bmi;
    bmi.bmiHeader.biBitCount = static_cast<std::uint16_t>(nBitCount);
    bmi.bmiHeader.biWidth = nWidth;
    bmi.bmiHeader.biHeight = nHeight;
    for (int i = 0; i < 256; ++i)
        bmi.bmiColors[i] = RgbQuad{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
    return bmi;
}

class ConsoleFilesTest : public ::testing::Test
{
  protected:
    std::string Path(const std::string& strName) const { return m_temp.Path(strName); }
    std::vector<std::string> Entries() const { return m_temp.Entries(); }
    static std::string ReadFile(const std::string& strPath) { return TempDir::ReadFile(strPath); }
    static void WriteFile(const std::string& strPath, const std::string& s)
    {
        TempDir::WriteFile(strPath, s);
    }

    TempDir m_temp;
};
} // namespace

TEST_F(ConsoleFilesTest, BmpFilesHoldHeaderPaletteAndRowsByteForByte)
{
    struct Case
    {
        int nBitCount, nWidth, nHeight;
        std::size_t nFileSize, nOffset;
    };
    const Case cases[] = {
        {8, 960, 1284, 1233718, 1078},   // mono camera, full frame
        {24, 960, 1284, 3697974, 54},    // colour camera, full frame
        {8, 4, 1284, 6214, 1078},        // line-scan readout
        {8, 0, 0, 1078, 1078},           // before the viewer's first drawing
        {8, 1000, -1284, 1285078, 1078}, // a top-down header counts its rows by the absolute height
        {24, 1000, 1284, 3852054, 54},   {24, 5, 2, 54 + 2 * 16, 54}, // rows of 15 bytes lie 16 apart
    };
    std::vector<unsigned char> pixels(4000000);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>(i * 7 + i / 251);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.nBitCount) + " bits " + std::to_string(c.nWidth) + " x " +
                     std::to_string(c.nHeight));
        const BitmapInfo bmi = GreyHeader(c.nBitCount, c.nWidth, c.nHeight);
        const std::string strPath = Path("picture.bmp");
        ASSERT_TRUE(WriteBmpFile(strPath, bmi, pixels.data(), pixels.size()));
        const std::string s = ReadFile(strPath);
        ASSERT_EQ(s.size(), c.nFileSize);
        EXPECT_EQ(s.substr(0, 2), "BM");
        EXPECT_EQ(U32At(s, 2), c.nFileSize);
        EXPECT_EQ(U32At(s, 6), 0u); // both reserved fields
        EXPECT_EQ(U32At(s, 10), c.nOffset);
        EXPECT_EQ(std::memcmp(s.data() + 14, &bmi.bmiHeader, 40), 0);
        EXPECT_EQ(std::memcmp(s.data() + 54, bmi.bmiColors, c.nOffset - 54), 0);
        EXPECT_EQ(std::memcmp(s.data() + c.nOffset, pixels.data(), c.nFileSize - c.nOffset), 0);
        EXPECT_EQ(Entries(), std::vector<std::string>{"picture.bmp"});
    }
}

TEST_F(ConsoleFilesTest, AFailedBmpWriteReportsItAndLeavesNoFile)
{
    std::vector<unsigned char> pixels(960 * 1284);
    const BitmapInfo bmi = GreyHeader(8, 960, 1284);
    // A folder that is missing, and one that is a file.
    EXPECT_FALSE(WriteBmpFile(Path("missing/picture.bmp"), bmi, pixels.data(), pixels.size()));
    WriteFile(Path("plain"), "x");
    EXPECT_FALSE(WriteBmpFile(Path("plain/picture.bmp"), bmi, pixels.data(), pixels.size()));
    EXPECT_EQ(Entries(), std::vector<std::string>{"plain"});

    // A picture larger than its buffer is refused; the file of that name stays as it was.
    WriteFile(Path("old.bmp"), "old");
    EXPECT_FALSE(WriteBmpFile(Path("old.bmp"), bmi, pixels.data(), pixels.size() - 1));
    EXPECT_EQ(ReadFile(Path("old.bmp")), "old");

    // The disk fills up in the middle of the rows: nothing under either name, the old file kept.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 100000;
    setrlimit(RLIMIT_FSIZE, &small);
    const bool bWritten = WriteBmpFile(Path("old.bmp"), bmi, pixels.data(), pixels.size());
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(bWritten);
    EXPECT_EQ(ReadFile(Path("old.bmp")), "old");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"old.bmp", "plain"}));
}

TEST(TimeStampPathTest, NamesCarryTheWholeDateAndTimeNineHoursAheadOfUtc)
{
    struct Case
    {
        UtcTime utc;
        const char* pszName;
    };
    const Case cases[] = {
        {{2026, 12, 5, 14, 59, 59, 0}, "/data/20261205235959.bmp"},
        {{2026, 12, 5, 15, 0, 0, 999}, "/data/20261206000000.bmp"}, // the date advances with the hour
        {{2026, 12, 5, 20, 0, 0, 0}, "/data/20261206050000.bmp"},
        {{2026, 12, 31, 23, 30, 7, 0}, "/data/20270101083007.bmp"},
        {{2024, 2, 28, 16, 0, 0, 0}, "/data/20240229010000.bmp"}, // a leap year
        {{2025, 2, 28, 16, 0, 0, 0}, "/data/20250301010000.bmp"},
        {{2026, 1, 2, 3, 4, 5, 0}, "/data/20260102120405.bmp"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TimeStampPath("/data", c.utc, "bmp"), c.pszName);
    EXPECT_EQ(TimeStampPath("/", {2026, 1, 2, 3, 4, 5, 0}, "jpg"), "//20260102120405.jpg");
}

TEST(RecordingStepTest, FramesGoToTheStoreInArrivalOrderUpToTheLimit)
{
    ASSERT_TRUE(AllocateSharedBuffers());
    for (int nMode : {1, 2})
    {
        SCOPED_TRACE("recording mode " + std::to_string(nMode));
        const int L = RecLinesPerFrame(nMode);
        std::memset(g_pLineScan, 0xEE, 8 * SENSOR_WIDTH * 4);
        g_nRecFrames = 0;
        g_nRecFrameLimit = 3;
        g_nRecMode = nMode;
        std::vector<std::uint32_t> results;
        for (int nFrame = 0; nFrame < 4; ++nFrame)
        {
            // Raw row i holds (frame, i, byte): bytes 2 and 3 are the two-line mode's unused ones.
            for (std::size_t i = 0; i < SENSOR_WIDTH; ++i)
                for (int k = 0; k < 4; ++k)
                    g_pRawFrame[4 * i + k] = static_cast<unsigned char>(nFrame * 64 + k * 16 + i % 16);
            results.push_back(StoreRecordingFrame(int(SENSOR_WIDTH)));
        }
        EXPECT_EQ(results, (std::vector<std::uint32_t>{1, 2, 3, 0})); // the fourth frame is beyond the limit
        EXPECT_EQ(g_nRecFrames, 3u);
        for (int nFrame = 0; nFrame < 3; ++nFrame)
            for (int k = 0; k < L; ++k)
                for (std::size_t i : {std::size_t{0}, std::size_t{17}, SENSOR_WIDTH - 1})
                    ASSERT_EQ(g_pLineScan[(nFrame * L + k) * SENSOR_WIDTH + i], nFrame * 64 + k * 16 + i % 16)
                        << "frame " << nFrame << " line " << k << " sample " << i;
        EXPECT_EQ(g_pLineScan[3 * L * SENSOR_WIDTH], 0xEE); // nothing past the third frame
        EndRecording();
        EXPECT_EQ(g_nRecMode, 0);
        EXPECT_EQ(StoreRecordingFrame(int(SENSOR_WIDTH)), 0u);
    }
    // A limit beyond the store's room stops at its end; a limit of 0 stores nothing.
    g_nRecFrames = 16384;
    g_nRecFrameLimit = 20000;
    g_nRecMode = 2;
    EXPECT_EQ(StoreRecordingFrame(int(SENSOR_WIDTH)), 0u);
    g_nRecFrames = 0;
    g_nRecFrameLimit = 0;
    EXPECT_EQ(StoreRecordingFrame(int(SENSOR_WIDTH)), 0u);
    EndRecording();
    ReleaseSharedBuffers();
}
