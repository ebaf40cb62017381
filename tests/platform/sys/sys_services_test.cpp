#include "platform/sys/clocks.h"
#include "platform/sys/current_dir.h"
#include "platform/sys/file_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace
{

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(FileWriter, CreatesTruncatesAndReportsFailures)
{
    const auto path = std::filesystem::temp_directory_path() /
                      ("tarnwick_writer_" + std::to_string(std::random_device{}()) + ".bin");
    {
        FileWriter writer;
        EXPECT_FALSE(writer.Write("x", 1)); // not open
        ASSERT_TRUE(writer.Open(path.string()));
        EXPECT_TRUE(writer.Write("0123456789", 10));
        EXPECT_TRUE(writer.Write("", 0));
    } // the destructor closes and flushes
    EXPECT_EQ(ReadFile(path), "0123456789");
    {
        FileWriter writer;
        ASSERT_TRUE(writer.Open(path.string()));
        const unsigned char bytes[] = {0, 255, 10, 13};
        EXPECT_TRUE(writer.Write(bytes, sizeof bytes));
        EXPECT_TRUE(writer.Close());
        EXPECT_FALSE(writer.IsOpen());
    }
    EXPECT_EQ(ReadFile(path), std::string("\0\xFF\n\r", 4));
    std::filesystem::remove(path);

    FileWriter bad;
    EXPECT_FALSE(bad.Open((path.parent_path() / "tarnwick_no_such_dir" / "x.bin").string()));
    EXPECT_FALSE(bad.Write("x", 1));

    if (std::filesystem::exists("/dev/full"))
    {
        FileWriter full;
        ASSERT_TRUE(full.Open("/dev/full"));
        full.Write("x", 1);         // may only be buffered
        EXPECT_FALSE(full.Close()); // but the data never reached the device
    }
}

TEST(Clocks, UtcFieldsAreInRangeAndTheCounterIsMonotonic)
{
    const UtcTime t = GetUtcTime();
    EXPECT_GE(t.nYear, 2020u); // the year itself, not years since 1900
    EXPECT_TRUE(t.nMonth >= 1 && t.nMonth <= 12 && t.nDay >= 1 && t.nDay <= 31) << t.nMonth << "/" << t.nDay;
    EXPECT_TRUE(t.nHour <= 23 && t.nMinute <= 59 && t.nSecond <= 60 && t.nMilliseconds <= 999);

    EXPECT_GE(GetCounterFrequency(), 1000);
    const auto nFirst = GetCounterTicks();
    const auto nSecond = GetCounterTicks();
    EXPECT_GE(nSecond, nFirst);
}

TEST(CurrentDir, FollowsTheWorkingDirectory)
{
    const std::string strBefore = GetCurrentDir();
    ASSERT_FALSE(strBefore.empty());
    const auto dir = std::filesystem::canonical(std::filesystem::temp_directory_path());
    std::filesystem::current_path(dir);
    EXPECT_EQ(GetCurrentDir(), dir.string());
    std::filesystem::current_path(strBefore);
}

} // namespace
