#include "pages/jpeg_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
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

struct Decoded
{
    int nWidth = 0;
    int nHeight = 0;
    bool bBaseline = false;
    std::vector<uint8_t> rgb; // top row first
};

Decoded Decode(const fs::path& path)
{
    Decoded d;
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (std::size_t i = 0; i + 1 < file.size(); ++i)
        d.bBaseline |= file[i] == 0xFF && file[i + 1] == 0xC0; // SOF0
    jpeg_decompress_struct info{};
    jpeg_error_mgr err{};
    info.err = jpeg_std_error(&err);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
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
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() /
                ("tarnwick_jpeg_" + std::to_string(std::random_device{}()) + "_" + test->name());
        fs::remove_all(m_dir);
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

// A 16-pixel-wide picture, kept bottom row first in blue-green-red: its lower 16 rows blue, its
// upper 16 rows red, so each 16 x 16 block of the file is one flat colour.
std::vector<uint8_t> BlueBelowRed(int nWidth)
{
    std::vector<uint8_t> bgr(std::size_t(nWidth) * 32 * 3);
    for (std::size_t row = 0; row < 32; ++row)
        for (std::size_t x = 0; x < std::size_t(nWidth); ++x)
            bgr[(row * nWidth + x) * 3 + (row < 16 ? 0 : 2)] = 255;
    return bgr;
}

TEST_F(JpegFileTest, WritesPictureTopRowFirst)
{
    const std::vector<uint8_t> bgr = BlueBelowRed(16);
    const fs::path path = m_dir / "20240102030405.jpg";
    std::ofstream(m_dir / "20240102030405.jpg.tmp") << "someone else's"; // not a name to take
    ASSERT_TRUE(WriteJpegFile(path.string(), bgr.data(), 16, 32, 90));

    const Decoded d = Decode(path);
    EXPECT_EQ(d.nWidth, 16);
    EXPECT_EQ(d.nHeight, 32);
    EXPECT_TRUE(d.bBaseline);
    const auto near = [](int a, int b) { return std::abs(a - b) <= 8; };
    const uint8_t* top = d.rgb.data();
    const uint8_t* bottom = d.rgb.data() + (31 * 16 + 15) * 3;
    EXPECT_TRUE(near(top[0], 255) && near(top[1], 0) && near(top[2], 0))
        << int(top[0]) << " " << int(top[1]) << " " << int(top[2]);
    EXPECT_TRUE(near(bottom[0], 0) && near(bottom[1], 0) && near(bottom[2], 255))
        << int(bottom[0]) << " " << int(bottom[1]) << " " << int(bottom[2]);
    EXPECT_EQ(Files(), (std::vector<std::string>{"20240102030405.jpg", "20240102030405.jpg.tmp"}));
}

TEST_F(JpegFileTest, FailedSavesLeaveNothingNew)
{
    const std::vector<uint8_t> wide = BlueBelowRed(70000); // wider than any JPEG may be
    const fs::path kept = m_dir / "kept.jpg";
    std::ofstream(kept) << "old";

    struct Case
    {
        const char* szName;
        fs::path path;
        int nWidth;
    };
    const Case cases[] = {
        {"library error over an old file", kept, 70000},
        {"library error", m_dir / "new.jpg", 70000},
        {"width 0", m_dir / "empty.jpg", 0},
        {"folder gone", m_dir / "gone" / "x.jpg", 16},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.szName);
        EXPECT_FALSE(WriteJpegFile(c.path.string(), wide.data(), c.nWidth, 32, 80));
        EXPECT_EQ(Files(), std::vector<std::string>{"kept.jpg"});
    }
    std::ifstream in(kept);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");
}

} // namespace
