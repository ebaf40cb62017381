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

TEST(FileWriter, ReplacesOnlyOnCommitAndLeavesNothingOfAFailedWrite)
{
    const auto dir = std::filesystem::temp_directory_path() /
                     ("tarnwick_writer_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    const std::string strPath = (dir / "f.bin").string();
    std::ofstream(strPath) << "old";
    {
        FileWriter writer;
        EXPECT_FALSE(writer.Write("x", 1)); // not open
        ASSERT_TRUE(writer.Open(strPath));
        EXPECT_TRUE(writer.Write("0123456789", 10));
    } // dropped without Commit
    EXPECT_EQ(ReadFile(strPath), "old");

    FileWriter writer;
    ASSERT_TRUE(writer.Open(strPath));
    const unsigned char bytes[] = {0, 255, 10, 13};
    EXPECT_TRUE(writer.Write(bytes, sizeof bytes) && writer.Commit(true));
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(ReadFile(strPath), std::string("\0\xFF\n\r", 4));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1); // no temporary file left

    // A folder that is missing; what is not a regular file.
    for (const std::string& strBad :
         {(dir / "no_such_dir" / "x.bin").string(), dir.string(), std::string("/dev/full")})
    {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(writer.Open(strBad)) << strBad;
        testing::internal::GetCapturedStderr();
    }
    std::filesystem::remove_all(dir);
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
