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
    const std::string strBefore = "; settings\n"
                                  "\n"
                                  "[Settings]\n"
                                  "CameraNo = 2\n"
                                  "  ; a comment inside\n"
                                  "[LineRate]\n"
                                  "Mode=1\n"
                                  "Fps = 250.5  \n"
                                  "; trailing comment\n"
                                  "\n"
                                  "[Cursor]\n"
                                  "Color=255";
    Put(strBefore);
    ProfileFile ini(m_strPath);
    ASSERT_TRUE(ini.WriteText("LINERATE", "fps", "300.00"));
    ASSERT_TRUE(ini.WriteText("LineRate", "Speed", "75")); // after the section's last key
    ASSERT_TRUE(ini.WriteText("Cursor", "Thick", "2"));    // the last line has no break
    ASSERT_TRUE(ini.WriteText("FileOption", "Path", "/tmp/画像"));
    EXPECT_EQ(Get(), "; settings\n"
                     "\n"
                     "[Settings]\n"
                     "CameraNo = 2\n"
                     "  ; a comment inside\n"
                     "[LineRate]\n"
                     "Mode=1\n"
                     "Fps=300.00\n"
                     "Speed=75\n"
                     "; trailing comment\n"
                     "\n"
                     "[Cursor]\n"
                     "Color=255\n"
                     "Thick=2\n"
                     "[FileOption]\n"
                     "Path=/tmp/画像\n");
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
    Put("[Cursor]\n"
        "a=12abc\n"
        "b=-3\n"
        "c= 7 \n"
        "d=abc\n"
        "e=\n"
        "f=+4\n"
        "g=0x10\n"
        "h=99999999999999999999\n"
        "i=-99999999999999999999\n"
        "j=- 5\n"
        "k=12632256\n");
    ProfileFile ini(m_strPath);
    EXPECT_EQ(ini.GetInt("Cursor", "a", 100), 12);
    EXPECT_EQ(ini.GetInt("Cursor", "b", 100), -3);
    EXPECT_EQ(ini.GetInt("Cursor", "c", 100), 7);
    EXPECT_EQ(ini.GetInt("Cursor", "d", 100), 0);   // present but not a number
    EXPECT_EQ(ini.GetInt("Cursor", "e", 100), 100); // present but empty
    EXPECT_EQ(ini.GetInt("Cursor", "f", 100), 4);
    EXPECT_EQ(ini.GetInt("Cursor", "g", 100), 0); // no base prefixes
    EXPECT_EQ(ini.GetInt("Cursor", "h", 100), 2147483647);
    EXPECT_EQ(ini.GetInt("Cursor", "i", 100), -2147483647 - 1);
    EXPECT_EQ(ini.GetInt("Cursor", "j", 100), 0);
    EXPECT_EQ(ini.GetInt("Cursor", "k", 100), 12632256);
    EXPECT_EQ(ini.GetInt("Cursor", "missing", 100), 100);
    EXPECT_EQ(ini.GetInt("Nowhere", "a", -1), -1);
}

TEST_F(ProfileFileTest, LookupRules)
{
    Put("\xEF\xBB\xBF[Settings]\n"
        "TopMost=1\n"
        ";CameraNo=5\n"
        "CameraNo=3\n"
        "CameraNo=4\n"
        "no equals sign\n"
        "[ Spaced Name ]\n"
        "  Key  =  two words  \n"
        "[Settings]\n"
        "Later=1\n");
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
    EXPECT_EQ(ini.GetText("FileOption", "Path", ""), "");
    EXPECT_FALSE(std::filesystem::exists(m_strPath));
}

TEST_F(ProfileFileTest, WritesThatCannotBeStoredFailWithoutHarm)
{
    Put("[A]\nk=1\n");
    ProfileFile ini(m_strPath);
    EXPECT_FALSE(ini.WriteText("A", "k", "1\n[B]"));
    EXPECT_FALSE(ini.WriteText("A", "a=b", "1"));
    EXPECT_FALSE(ini.WriteText("A]", "k", "1"));
    EXPECT_FALSE(ini.WriteText("A", " ", "1"));
    EXPECT_EQ(Get(), "[A]\nk=1\n");

    EXPECT_FALSE(ProfileFile((m_dir / "no_such_dir" / "x.ini").string()).WriteText("A", "k", "1"));
    EXPECT_FALSE(ProfileFile(m_dir.string()).WriteText("A", "k", "1")); // a directory
}

} // namespace
