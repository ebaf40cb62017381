#include "pages/jpeg_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace
{

namespace fs = std::filesystem;

std::string Read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Width, height and the RGB pixels of a JPEG file, top row first.
struct Decoded
{
    int nWidth = 0, nHeight = 0;
    std::vector<uint8_t> rgb;
};

Decoded Decode(const std::string& file)
{
    Decoded d;
    jpeg_decompress_struct info{};
    jpeg_error_mgr err{};
    info.err = jpeg_std_error(&err);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(file.data()), file.size());
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    d.nWidth = int(info.output_width);
    d.nHeight = int(info.output_height);
    d.rgb.resize(std::size_t(d.nWidth) * d.nHeight * 3);
    while (info.output_scanline < info.output_height)
    {
        JSAMPROW pRow = d.rgb.data() + std::size_t(info.output_scanline) * d.nWidth * 3;
        jpeg_read_scanlines(&info, &pRow, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return d;
}

class JpegFileTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("tarnwick_jpeg_" + std::to_string(std::random_device{}()) + "_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path m_dir;
};

// A picture kept bottom row first in blue-green-red: its lower 16 rows blue, its upper 16 red, so
// that each 16 x 16 block of the file is one flat colour.
std::vector<uint8_t> BlueBelowRed(int nWidth)
{
    std::vector<uint8_t> bgr(std::size_t(nWidth) * 32 * 3);
    for (std::size_t i = 0; i < bgr.size(); i += 3)
        bgr[i + (i < bgr.size() / 2 ? 0 : 2)] = 255;
    return bgr;
}

TEST_F(JpegFileTest, WritesPictureTopRowFirst)
{
    const std::vector<uint8_t> bgr = BlueBelowRed(16);
    std::ofstream(m_dir / "a.jpg.tmp") << "someone else's"; // not a name to take
    ASSERT_TRUE(WriteJpegFile((m_dir / "a.jpg").string(), bgr.data(), 16, 32, 90));
    const Decoded d = Decode(Read(m_dir / "a.jpg"));
    ASSERT_EQ(d.nWidth, 16);
    ASSERT_EQ(d.nHeight, 32);
    const auto near = [](const uint8_t* p, int r, int g, int b)
    { return std::abs(p[0] - r) <= 8 && std::abs(p[1] - g) <= 8 && std::abs(p[2] - b) <= 8; };
    EXPECT_TRUE(near(d.rgb.data(), 255, 0, 0));                    // top: red
    EXPECT_TRUE(near(d.rgb.data() + d.rgb.size() - 3, 0, 0, 255)); // bottom: blue
    EXPECT_EQ(Read(m_dir / "a.jpg.tmp"), "someone else's");

    // Quality 0 is taken as 1, with tables kept to baseline: the frame marker is SOF0.
    ASSERT_TRUE(WriteJpegFile((m_dir / "b.jpg").string(), bgr.data(), 16, 32, 0));
    EXPECT_NE(Read(m_dir / "b.jpg").find("\xFF\xC0"), std::string::npos);
    EXPECT_EQ(Files(), (std::vector<std::string>{"a.jpg", "a.jpg.tmp", "b.jpg"}));
}

TEST_F(JpegFileTest, FailedSavesLeaveNothingNew)
{
    const std::vector<uint8_t> wide = BlueBelowRed(70000); // wider than any JPEG may be
    std::ofstream(m_dir / "kept.jpg") << "old";
    const std::pair<const char*, int> cases[] = {
        {"kept.jpg", 70000}, // a library error: the old file stays
        {"new.jpg", 70000},  // a library error
        {"empty.jpg", 0},    // nothing to write
        {"gone/x.jpg", 16},  // no such folder
    };
    for (const auto& [szName, nWidth] : cases)
    {
        EXPECT_FALSE(WriteJpegFile((m_dir / szName).string(), wide.data(), nWidth, 32, 80)) << szName;
        EXPECT_EQ(Files(), std::vector<std::string>{"kept.jpg"}) << szName;
    }
    EXPECT_EQ(Read(m_dir / "kept.jpg"), "old");
}

} // namespace
