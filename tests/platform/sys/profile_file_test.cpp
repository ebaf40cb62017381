#include "platform/sys/profile_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace
{

// A fresh directory per test, removed afterwards.
class ProfileFileTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = std::filesystem::temp_directory_path() /
                ("tarnwick_profile_" + std::to_string(std::random_device{}()) + "_" + info->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        m_strPath = (m_dir / "Tarnwick.ini").string();
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    void Put(const std::string& strText) const { std::ofstream(m_strPath, std::ios::binary) << strText; }
    std::string Get() const
    {
        std::ifstream in(m_strPath, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }

    std::filesystem::path m_dir;
    std::string m_strPath;
};

TEST_F(ProfileFileTest, WritingCreatesTheFileThenAddsKeysAndSections)
{
    ProfileFile ini(m_strPath);
    ASSERT_TRUE(ini.WriteText("LineRate", "Mode", "0"));
    EXPECT_EQ(Get(), "[LineRate]\nMode=0\n");
    ASSERT_TRUE(ini.WriteText("LineRate", "Fps", "1000.00"));
    ASSERT_TRUE(ini.WriteText("RecControl", "Mode", "1"));
    ASSERT_TRUE(ini.WriteText("linerate", "SIZE", "3620")); // joins the existing section
    EXPECT_EQ(Get(), "[LineRate]\nMode=0\nFps=1000.00\nSIZE=3620\n[RecControl]\nMode=1\n");
    EXPECT_EQ(ini.GetText("LineRate", "Fps", "x"), "1000.00");
    EXPECT_EQ(ini.GetInt("RecControl", "Mode", 7), 1);
}

TEST_F(ProfileFileTest, ReplacingAValueKeepsEveryOtherLine)
{
    // One section a line.
    Put("; settings\n\n"
        "[Settings]\nCameraNo = 2\n  ; a comment inside\n"
        "[LineRate]\nMode=1\nFps = 250.5  \n; trailing comment\n\n"
        "[Cursor]\nColor=255");
    ProfileFile ini(m_strPath);
    ASSERT_TRUE(ini.WriteText("LINERATE", "fps", "300.00"));
    ASSERT_TRUE(ini.WriteText("LineRate", "Speed", "75")); // after the section's last key
    ASSERT_TRUE(ini.WriteText("Cursor", "Thick", "2"));    // the last line has no break
    ASSERT_TRUE(ini.WriteText("FileOption", "Path", "/tmp/画像"));
    EXPECT_EQ(Get(), "; settings\n\n"
                     "[Settings]\nCameraNo = 2\n  ; a comment inside\n"
                     "[LineRate]\nMode=1\nFps=300.00\nSpeed=75\n; trailing comment\n\n"
                     "[Cursor]\nColor=255\nThick=2\n"
                     "[FileOption]\nPath=/tmp/画像\n");
    EXPECT_EQ(ini.GetText("fileoption", "PATH", ""), "/tmp/画像");
    EXPECT_EQ(ini.GetInt("settings", "cameraNO", -1), 2);
}

TEST_F(ProfileFileTest, WindowsLineBreaksAreKeptAndFollowed)
{
    Put("[LineRate]\r\nMode=1\r\n[RecControl]\r\nSec=10\r\n");
    ProfileFile ini(m_strPath);
    EXPECT_EQ(ini.GetText("RecControl", "Sec", ""), "10");
    ASSERT_TRUE(ini.WriteText("LineRate", "Mode", "0"));
    ASSERT_TRUE(ini.WriteText("LineRate", "Fps", "1"));
    ASSERT_TRUE(ini.WriteText("FileOption", "Naming", "1"));
    EXPECT_EQ(Get(),
              "[LineRate]\r\nMode=0\r\nFps=1\r\n[RecControl]\r\nSec=10\r\n[FileOption]\r\nNaming=1\r\n");
}

TEST_F(ProfileFileTest, IntegersReadAsTheirLeadingDecimalNumber)
{
    // The value's text, then what GetInt gives with the default 100: the leading number, 0 when
    // there is none, the default when empty; no base prefixes; saturated at the int range.
    const std::pair<std::string, int> CASES[] = {
        {"12abc", 12}, {"-3", -3},  {" 7 ", 7}, {"abc", 0},      {"", 100}, {"+4", 4}, {"0x10", 0},
        {"- 5", 0},    {"12632256", 12632256},  {"99999999999999999999", 2147483647},
        {"-99999999999999999999", -2147483647 - 1}};
    std::string strText = "[Cursor]\n";
    for (std::size_t i = 0; i < std::size(CASES); ++i)
        strText += "k" + std::to_string(i) + "=" + CASES[i].first + "\n";
    Put(strText);
    ProfileFile ini(m_strPath);
    for (std::size_t i = 0; i < std::size(CASES); ++i)
        EXPECT_EQ(ini.GetInt("Cursor", "k" + std::to_string(i), 100), CASES[i].second) << CASES[i].first;
    EXPECT_EQ(ini.GetInt("Cursor", "missing", 100), 100);
    EXPECT_EQ(ini.GetInt("Nowhere", "k0", -1), -1);
}

TEST_F(ProfileFileTest, LookupIgnoresCaseBlanksCommentsAndLaterDuplicates)
{
    Put("\xEF\xBB\xBF[Settings]\nTopMost=1\n;CameraNo=5\nCameraNo=3\nCameraNo=4\nno equals sign\n"
        "[ Spaced Name ]\n  Key  =  two words  \n"
        "[Settings]\nLater=1\n");
    ProfileFile ini(m_strPath);
    EXPECT_EQ(ini.GetInt("SETTINGS", "topmost", 0), 1);   // after a byte-order mark
    EXPECT_EQ(ini.GetInt("Settings", "CameraNo", -1), 3); // comment skipped, first key wins
    EXPECT_EQ(ini.GetText(" spaced name ", "KEY", "-"), "two words");
    EXPECT_EQ(ini.GetInt("Settings", "Later", 0), 0); // only the first matching section counts
    EXPECT_EQ(ini.GetText("Settings", "no equals sign", "-"), "-");
}

TEST_F(ProfileFileTest, TextsAreCutTo255BytesOnACharacterBoundary)
{
    const std::string strLong(300, 'a');
    std::string strJapanese = std::string(254, 'b') + "画"; // the character would straddle byte 255
    Put("[FileOption]\nPath=" + strLong + "\nOther=" + strJapanese + "\n");
    ProfileFile ini(m_strPath);
    EXPECT_EQ(ini.GetText("FileOption", "Path", ""), std::string(255, 'a'));
    EXPECT_EQ(ini.GetText("FileOption", "Other", ""), std::string(254, 'b'));
    EXPECT_EQ(ini.GetText("FileOption", "Missing", strLong), std::string(255, 'a'));
    const std::string strExact = std::string(252, 'c') + "画";
    EXPECT_EQ(ini.GetText("FileOption", "Missing", strExact), strExact);
}

TEST_F(ProfileFileTest, MissingFileReadsDefaultsAndIsNotCreatedByReading)
{
    ProfileFile ini(m_strPath);
    EXPECT_EQ(ini.GetInt("LineRate", "Size", 3620), 3620);
    EXPECT_EQ(ini.GetText("LineRate", "Fps", "1000"), "1000");
    EXPECT_FALSE(std::filesystem::exists(m_strPath));
}

TEST_F(ProfileFileTest, WritesThatCannotBeStoredFailWithoutHarm)
{
    Put("[A]\nk=1\n");
    ProfileFile ini(m_strPath);
    EXPECT_FALSE(ini.WriteText("A", "k", "1\n[B]")); // a line break in the text
    EXPECT_FALSE(ini.WriteText("A", "a=b", "1"));
    EXPECT_FALSE(ini.WriteText("A]", "k", "1"));
    EXPECT_FALSE(ini.WriteText("A", " ", "1")); // a blank name
    EXPECT_EQ(Get(), "[A]\nk=1\n");

    EXPECT_FALSE(ProfileFile((m_dir / "no_such_dir" / "x.ini").string()).WriteText("A", "k", "1"));
    EXPECT_FALSE(ProfileFile(m_dir.string()).WriteText("A", "k", "1")); // a directory
}

} // namespace
