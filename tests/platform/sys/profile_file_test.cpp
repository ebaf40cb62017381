#include "platform/sys/profile_file.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <climits>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace
{

// A fresh directory per test, removed afterwards.
class ProfileFileTest : public ::testing::Test
{
  protected:
    void SetUp() override { std::filesystem::create_directories(m_dir); }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    void Put(const std::string& strText) const { std::ofstream(m_strPath, std::ios::binary) << strText; }
    std::string Get() const
    {
        std::ifstream in(m_strPath, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    const std::filesystem::path m_dir = std::filesystem::temp_directory_path() /
                                        ("tarnwick_profile_" + std::to_string(std::random_device{}()));
    const std::string m_strPath = (m_dir / "Tarnwick.ini").string();
};

TEST_F(ProfileFileTest, ReadingAMissingFileGivesDefaultsAndWritingCreatesItThenAddsKeysAndSections)
{
    ProfileFile ini(m_strPath);
    EXPECT_EQ(ini.GetInt("LineRate", "Size", 3620), 3620);
    EXPECT_EQ(ini.GetText("LineRate", "Fps", "1000"), "1000");
    EXPECT_FALSE(std::filesystem::exists(m_strPath));

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

TEST_F(ProfileFileTest, LookupIgnoresCaseBlanksCommentsAndLaterDuplicatesAndCutsLongTexts)
{
    const std::string strLong(300, 'a');
    const std::string strJapanese = std::string(254, 'b') + "画"; // the character would straddle byte 255
    std::string strText = "\xEF\xBB\xBF[Settings]\nTopMost=1\n;CameraNo=5\nCameraNo=3\nCameraNo=4\n"
                          "no equals sign\n[ Spaced Name ]\n  Key  =  two words  \n[Settings]\nLater=1\n"
                          "[FileOption]\nPath=" +
                          strLong + "\nOther=" + strJapanese + "\n";
    // Integers: the leading number, 0 when there is none, the default (100) when empty; no base
    // prefixes; saturated at the int range.
    strText += "[Cursor]\nk0=12abc\nk1=-3\nk2= 7 \nk3=abc\nk4=\nk5=+4\nk6=0x10\nk7=- 5\nk8=12632256\n"
               "k9=99999999999999999999\nk10=-99999999999999999999\n";
    const int VALUES[] = {12, -3, 7, 0, 100, 4, 0, 0, 12632256, INT_MAX, INT_MIN};
    Put(strText);
    ProfileFile ini(m_strPath);
    for (std::size_t i = 0; i < std::size(VALUES); ++i)
        EXPECT_EQ(ini.GetInt("Cursor", "k" + std::to_string(i), 100), VALUES[i]) << i;
    EXPECT_EQ(ini.GetInt("Cursor", "missing", 100), 100);
    EXPECT_EQ(ini.GetInt("Nowhere", "k0", -1), -1);

    EXPECT_EQ(ini.GetInt("SETTINGS", "topmost", 0), 1);   // after a byte-order mark
    EXPECT_EQ(ini.GetInt("Settings", "CameraNo", -1), 3); // comment skipped, first key wins
    EXPECT_EQ(ini.GetText(" spaced name ", "KEY", "-"), "two words");
    EXPECT_EQ(ini.GetInt("Settings", "Later", 0), 0); // only the first matching section counts
    EXPECT_EQ(ini.GetText("Settings", "no equals sign", "-"), "-");

    // Texts are cut to 255 bytes on a character boundary, defaults too.
    EXPECT_EQ(ini.GetText("FileOption", "Path", ""), std::string(255, 'a'));
    EXPECT_EQ(ini.GetText("FileOption", "Other", ""), std::string(254, 'b'));
    EXPECT_EQ(ini.GetText("FileOption", "Missing", strLong), std::string(255, 'a'));
    const std::string strExact = std::string(252, 'c') + "画";
    EXPECT_EQ(ini.GetText("FileOption", "Missing", strExact), strExact);
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

    // A disk that takes nothing more: the file stays whole instead of cut short.
    Put("; " + std::string(3000, 'c') + "\n[A]\nk=1\n");
    const std::string strBefore = Get();
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit full = old;
    full.rlim_cur = strBefore.size() + 2;
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &full);
    const bool bWritten = ini.WriteText("A", "added", std::string(100, 'v'));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_FALSE(bWritten);
    EXPECT_EQ(Get(), strBefore);
}

} // namespace
