#include "pages/jpeg_file.h"

#include "tests/pages/picture_files.h"
#include "tests/platform/sys/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
// A picture kept bottom row first in blue-green-red: its lower 16 rows blue, its upper 16 red, so
// that each 16 x 16 block of the file is one flat colour.
std::vector<uint8_t> BlueBelowRed(int nWidth)
{
    std::vector<uint8_t> bgr(std::size_t(nWidth) * 32 * 3);
    for (std::size_t i = 0; i < bgr.size(); i += 3)
        bgr[i + (i < bgr.size() / 2 ? 0 : 2)] = 255;
    return bgr;
}

TEST(JpegFileTest, WritesPictureTopRowFirstAtTheQualityAsked)
{
    TempDir dir;
    const std::vector<uint8_t> bgr = BlueBelowRed(16);
    const auto near = [](const uint8_t* p, int r, int g, int b)
    { return std::abs(p[0] - r) <= 8 && std::abs(p[1] - g) <= 8 && std::abs(p[2] - b) <= 8; };
    // The quality asked, and the one the file's tables are of: 0 is taken as 1, kept to baseline.
    for (const auto& [nQuality, nTables] : {std::pair{90, 90}, std::pair{0, 1}})
    {
        ASSERT_TRUE(WriteJpegFile(dir.Path("a.jpg"), bgr.data(), 16, 32, nQuality));
        Picture d;
        ASSERT_TRUE(ReadJpeg(dir.Path("a.jpg"), &d));
        EXPECT_EQ((std::tuple{d.nWidth, d.nHeight, d.bBaseline, d.quant}),
                  (std::tuple{16, 32, true, JpegTables(nTables)}));
        // Red at the top, blue below.
        EXPECT_TRUE(nQuality < 90 || (near(d.At(0, 0), 255, 0, 0) && near(d.At(15, 31), 0, 0, 255)));
    }
}

TEST(JpegFileTest, FailedSavesLeaveNothingNew)
{
    TempDir dir;
    const std::vector<uint8_t> wide = BlueBelowRed(70000); // wider than any JPEG may be
    TempDir::WriteFile(dir.Path("kept.jpg"), "old");
    const std::pair<const char*, int> cases[] = {
        {"kept.jpg", 70000}, // a library error: the old file stays
        {"new.jpg", 70000},  // a library error
        {"empty.jpg", 0},    // nothing to write
        {"gone/x.jpg", 16},  // no such folder
    };
    for (const auto& [szName, nWidth] : cases)
    {
        EXPECT_FALSE(WriteJpegFile(dir.Path(szName), wide.data(), nWidth, 32, 80)) << szName;
        EXPECT_EQ(dir.Entries(), std::vector<std::string>{"kept.jpg"}) << szName;
    }
    EXPECT_EQ(TempDir::ReadFile(dir.Path("kept.jpg")), "old");
}
} // namespace
