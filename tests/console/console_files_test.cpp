// BMP files and their names from the time of saving.

#include "display/bmp_file.h"
#include "display/time_stamp_path.h"

#include "console_test_support.h"
#include "tests/pages/picture_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{
BitmapInfo GreyHeader(int nBitCount, int nWidth, int nHeight)
{
    BitmapInfo bmi;
    std::tie(bmi.bmiHeader.biBitCount, bmi.bmiHeader.biWidth, bmi.bmiHeader.biHeight) =
        std::tuple(static_cast<std::uint16_t>(nBitCount), nWidth, nHeight);
    for (int i = 0; i < 256; ++i)
        bmi.bmiColors[i] = RgbQuad{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
    return bmi;
}
} // namespace

TEST(BmpFileTest, FilesHoldHeaderPaletteAndRowsByteForByte)
{
    TempDir dir;
    const std::string strPath = dir.Path("picture.bmp");
    std::vector<unsigned char> pixels(4000000);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>(i * 7 + i / 251);
    // Bit count, width and height; file size and pixel offset.
    const int cases[][5] = {
        {8, 0, 0, 1078, 1078},           // before the viewer's first drawing
        {8, 1000, -1284, 1285078, 1078}, // a top-down header counts its rows by the absolute height
        {24, 1000, 1284, 3852054, 54},
        {24, 5, 2, 54 + 2 * 16, 54}, // rows of 15 bytes lie 16 apart
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::to_string(c[0]) + " bits " + std::to_string(c[1]) + " x " + std::to_string(c[2]));
        const BitmapInfo bmi = GreyHeader(c[0], c[1], c[2]);
        ASSERT_TRUE(WriteBmpFile(strPath, bmi, pixels.data(), pixels.size()));
        const std::string s = TempDir::ReadFile(strPath);
        ASSERT_EQ(s.size(), std::size_t(c[3]));
        EXPECT_EQ(s.substr(0, 2), "BM");
        EXPECT_EQ((std::vector<std::uint32_t>{U32(s, 2), U32(s, 6), U32(s, 10)}),
                  (std::vector<std::uint32_t>{std::uint32_t(c[3]), 0, std::uint32_t(c[4])}));
        EXPECT_EQ(std::memcmp(s.data() + 14, &bmi, c[4] - 14), 0); // header, then the palette
        EXPECT_EQ(std::memcmp(s.data() + c[4], pixels.data(), s.size() - c[4]), 0);
        EXPECT_EQ(dir.Entries(), std::vector<std::string>{"picture.bmp"});
    }
}

TEST(BmpFileTest, AFailedWriteReportsItAndLeavesNoFile)
{
    TempDir dir;
    std::vector<unsigned char> pixels(960 * 1284);
    const BitmapInfo bmi = GreyHeader(8, 960, 1284);
    // A folder that is missing, and one that is a file.
    EXPECT_FALSE(WriteBmpFile(dir.Path("missing/picture.bmp"), bmi, pixels.data(), pixels.size()));
    TempDir::WriteFile(dir.Path("plain"), "x");
    EXPECT_FALSE(WriteBmpFile(dir.Path("plain/picture.bmp"), bmi, pixels.data(), pixels.size()));

    // A picture larger than its buffer is refused; the file of that name stays as it was.
    const std::string strOld = dir.Path("old.bmp");
    TempDir::WriteFile(strOld, "old");
    EXPECT_FALSE(WriteBmpFile(strOld, bmi, pixels.data(), pixels.size() - 1));

    // The disk fills up in the middle of the rows: nothing under either name, the old file kept.
    EXPECT_FALSE(
        OnAFullDisk(100000, [&] { return WriteBmpFile(strOld, bmi, pixels.data(), pixels.size()); }));
    EXPECT_EQ(TempDir::ReadFile(strOld), "old");
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"old.bmp", "plain"}));
}

TEST(TimeStampPathTest, NamesCarryTheWholeDateAndTimeNineHoursAheadOfUtc)
{
    const std::pair<UtcTime, const char*> cases[] = {
        {{2026, 12, 5, 14, 59, 59, 0}, "/data/20261205235959.bmp"},
        {{2026, 12, 5, 15, 0, 0, 999}, "/data/20261206000000.bmp"}, // the date advances with the hour
        {{2026, 12, 31, 23, 30, 7, 0}, "/data/20270101083007.bmp"},
        {{2024, 2, 28, 16, 0, 0, 0}, "/data/20240229010000.bmp"}, // a leap year
        {{2025, 2, 28, 16, 0, 0, 0}, "/data/20250301010000.bmp"},
        {{2026, 1, 2, 3, 4, 5, 0}, "/data/20260102120405.bmp"},
    };
    for (const auto& [utc, pszName] : cases)
        EXPECT_EQ(TimeStampPath("/data", utc, "bmp"), pszName);
}
