// BMP files and their names from the time of saving.

#include "display/bmp_file.h"
#include "display/time_stamp_path.h"

#include "console_test_support.h"
#include "tests/pages/picture_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

TEST(BmpFileTest, FilesHoldHeaderPaletteAndRowsByteForByteAndAFailedWriteLeavesNoFile)
{
    TempDir dir;
    const std::string strPath = dir.Path("picture.bmp");
    std::vector<unsigned char> pixels(4000000);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>(i * 7 + i / 251);
    BitmapInfo bmi;
    for (int i = 0; i < 256; ++i)
        bmi.bmiColors[i] = RgbQuad{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
    const auto header = [&](int nBits, int nWidth, int nHeight)
    {
        std::tie(bmi.bmiHeader.biBitCount, bmi.bmiHeader.biWidth, bmi.bmiHeader.biHeight) =
            std::tuple(static_cast<std::uint16_t>(nBits), nWidth, nHeight);
    };
    // Bit count, width and height; file size and pixel offset.
    const int cases[][5] = {
        {8, 0, 0, 1078, 1078},           // before the viewer's first drawing
        {8, 1000, -1284, 1285078, 1078}, // a top-down header counts its rows by the absolute height
        {24, 1000, 1284, 3852054, 54},
        {24, 5, 2, 54 + 2 * 16, 54}, // rows of 15 bytes lie 16 apart
    };
    for (const auto [nBits, nWidth, nHeight, nSize, nOffset] : cases)
    {
        SCOPED_TRACE(std::to_string(nBits) + " bits " + std::to_string(nWidth) + " x " +
                     std::to_string(nHeight));
        header(nBits, nWidth, nHeight);
        ASSERT_TRUE(WriteBmpFile(strPath, bmi, pixels.data(), pixels.size()));
        const std::string s = TempDir::ReadFile(strPath);
        ASSERT_EQ(s.size(), std::size_t(nSize));
        EXPECT_EQ(
            (std::vector<std::uint32_t>{U32(s, 0) & 0xFFFF, U32(s, 2), U32(s, 6), U32(s, 10)}),
            (std::vector<std::uint32_t>{'B' | 'M' << 8, std::uint32_t(nSize), 0, std::uint32_t(nOffset)}));
        EXPECT_EQ(std::memcmp(s.data() + 14, &bmi, nOffset - 14), 0); // header, then the palette
        EXPECT_EQ(std::memcmp(s.data() + nOffset, pixels.data(), s.size() - nOffset), 0);
        EXPECT_EQ(dir.Entries(), std::vector<std::string>{"picture.bmp"});
    }
    // A folder that is missing or a file, a picture larger than its buffer, and a disk that fills up
    // in the middle of the rows: each write fails, nothing is left under any name, the old file stays.
    header(8, 960, 1284);
    TempDir::WriteFile(strPath, "old");
    TempDir::WriteFile(dir.Path("plain"), "x");
    EXPECT_EQ(
        (std::vector<bool>{
            WriteBmpFile(dir.Path("missing/picture.bmp"), bmi, pixels.data(), pixels.size()),
            WriteBmpFile(dir.Path("plain/picture.bmp"), bmi, pixels.data(), pixels.size()),
            WriteBmpFile(strPath, bmi, pixels.data(), 960 * 1284 - 1),
            OnAFullDisk(100000, [&] { return WriteBmpFile(strPath, bmi, pixels.data(), pixels.size()); })}),
        std::vector<bool>(4, false));
    EXPECT_EQ(TempDir::ReadFile(strPath), "old");
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"picture.bmp", "plain"}));
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
