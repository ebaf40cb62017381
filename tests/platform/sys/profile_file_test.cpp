#include "platform/sys/profile_file.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>

namespace
{

// A fresh directory per test, removed afterwards.
class ProfileFileTest : public ::testing::Test
{
  protected:
    void SetUp() override { std::filesystem::create_directories(m_dir); }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    void Put(const std::string& strText) const { std::ofstream(m_strPath, std::ios::binary) << strText; }
    std::string Get() const { return Read(m_strPath); }

    // Sets one key, as a pass over the settings does; whether the file was saved.
    bool SaveValue(const std::string& strValue) const
    {
        ProfileFile ini(m_strPath);
        return ini.SetText("A", "k", strValue) && ini.Save();
    }
    static std::string Read(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static struct stat Stat(const std::filesystem::path& path)
    {
        struct stat st = {};
        stat(path.c_str(), &st);
        return st;
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

    ASSERT_TRUE(ini.SetText("LineRate", "Mode", "0") && ini.Save());
    EXPECT_EQ(Get(), "[LineRate]\nMode=0\n");
    ASSERT_TRUE(ini.SetText("LineRate", "Fps", "1000.00"));
    ASSERT_TRUE(ini.SetText("RecControl", "Mode", "1"));
    ASSERT_TRUE(ini.SetText("linerate", "SIZE", "3620")); // joins the existing section
    EXPECT_EQ(ini.GetText("LineRate", "Fps", "x"), "1000.00");
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(Get(), "[LineRate]\nMode=0\nFps=1000.00\nSIZE=3620\n[RecControl]\nMode=1\n");
    EXPECT_EQ(ProfileFile(m_strPath).GetInt("RecControl", "Mode", 7), 1);
}

TEST_F(ProfileFileTest, ReplacingAValueKeepsEveryOtherLine)
{
    // One section a line.
    Put("; settings\n\n"
        "[Settings]\nCameraNo = 2\n  ; a comment inside\n"
        "[LineRate]\nMode=1\nFps = 250.5  \n; trailing comment\n\n"
        "[Cursor]\nColor=255");
    ProfileFile ini(m_strPath);
    ASSERT_TRUE(ini.SetText("LINERATE", "fps", "300.00"));
    ASSERT_TRUE(ini.SetText("LineRate", "Speed", "75")); // after the section's last key
    ASSERT_TRUE(ini.SetText("Cursor", "Thick", "2"));    // the last line has no break
    ASSERT_TRUE(ini.SetText("FileOption", "Path", "/tmp/画像") && ini.Save());
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
    ASSERT_TRUE(ini.SetText("LineRate", "Mode", "0"));
    ASSERT_TRUE(ini.SetText("LineRate", "Fps", "1"));
    ASSERT_TRUE(ini.SetText("FileOption", "Naming", "1") && ini.Save());
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
    EXPECT_FALSE(ini.SetText("A", "k", "1\n[B]")); // a line break in the text
    EXPECT_FALSE(ini.SetText("A", "a=b", "1"));
    EXPECT_FALSE(ini.SetText("A]", "k", "1"));
    EXPECT_FALSE(ini.SetText("A", " ", "1")); // a blank name
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(Get(), "[A]\nk=1\n");

    ProfileFile nowhere((m_dir / "no_such_dir" / "x.ini").string());
    EXPECT_TRUE(nowhere.SetText("A", "k", "1"));
    EXPECT_FALSE(nowhere.Save());

    // A disk that takes nothing more, found when the file is closed: the file stays whole.
    Put("; " + std::string(3000, 'c') + "\n[A]\nk=1\n");
    const std::string strBefore = Get();
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit full = old;
    full.rlim_cur = strBefore.size() + 2;
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &full);
    ProfileFile later(m_strPath);
    const bool bWritten = later.SetText("A", "added", std::string(100, 'v')) && later.Save();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_FALSE(bWritten);
    EXPECT_EQ(Get(), strBefore);
}

TEST_F(ProfileFileTest, SavingWritesTheFileBehindALinkNeverAPlantedOneAndLeavesAReadOnlyOneAlone)
{
    const std::filesystem::path victim = m_dir / "victim.txt", real = m_dir / "kept" / "real.ini";
    std::ofstream(victim) << "not settings";
    // A link planted at the name a temporary file once had is never followed.
    std::filesystem::create_symlink(victim, m_strPath + ".tmp");
    // Settings kept elsewhere through a link are written there, and the link stays.
    std::filesystem::create_directory(m_dir / "kept");
    std::ofstream(real) << "[A]\nk=0\n";
    std::filesystem::create_symlink("kept/real.ini", m_strPath);
    chmod(real.c_str(), 0600);
    ASSERT_TRUE(SaveValue("1"));
    EXPECT_EQ(Read(real), "[A]\nk=1\n");
    EXPECT_TRUE(std::filesystem::is_symlink(m_strPath));
    EXPECT_EQ(Stat(real).st_mode & 0777, 0600u); // the permission bits are kept
    EXPECT_EQ(Read(victim), "not settings");

    // Two programs saving at once: each save is whole, the last one stays.
    const std::string strA(5000, 'a'), strB(5000, 'b');
    std::thread other(
        [&]
        {
            for (int i = 0; i < 30; ++i)
                SaveValue(strA);
        });
    for (int i = 0; i < 30; ++i)
        SaveValue(strB);
    other.join();
    const std::string strLast = Read(real);
    EXPECT_TRUE(strLast == "[A]\nk=" + strA + "\n" || strLast == "[A]\nk=" + strB + "\n") << strLast.size();

    // A file made read-only is left alone, even by a privileged user, and says so.
    ASSERT_TRUE(SaveValue("2"));
    chmod(real.c_str(), 0444);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(SaveValue("3"));
    const std::string strErr = testing::internal::GetCapturedStderr();
    EXPECT_EQ(strErr, "tarnwick: " + real.string() + ": not written: the file is read-only\n");
    EXPECT_EQ(Read(real), "[A]\nk=2\n");
    EXPECT_EQ(Stat(real).st_mode & 0777, 0444u);
    // No temporary file is left.
    const auto count = [](const std::filesystem::path& dir)
    { return std::distance(std::filesystem::directory_iterator(dir), {}); };
    EXPECT_EQ(count(m_dir), 4); // the victim, the planted link, the settings link and its folder
    EXPECT_EQ(count(m_dir / "kept"), 1);
}

TEST_F(ProfileFileTest, AFolderThatTakesNoNewFileHasTheFileWrittenInPlace)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "a privileged user may add files to any folder: the case cannot be made";
    Put("[A]\nk=1234567890\n");
    const ino_t nInode = Stat(m_strPath).st_ino;
    std::filesystem::permissions(m_dir, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    const bool bSaved = SaveValue("2");
    std::filesystem::permissions(m_dir, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    EXPECT_TRUE(bSaved);
    EXPECT_EQ(Get(), "[A]\nk=2\n"); // nothing of the longer old text stays
    EXPECT_EQ(Stat(m_strPath).st_ino, nInode);
}

TEST_F(ProfileFileTest, WhatIsNoSettingsFileIsNeitherReadNorWritten)
{
    alarm(60); // a FIFO read without care would wait for ever
    const std::filesystem::path fifo = m_dir / "fifo.ini", zero = m_dir / "zero.ini", big = m_dir / "big.ini";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    std::filesystem::create_symlink("/dev/zero", zero);
    std::ofstream(big, std::ios::binary) << "[A]\nk=5\n" << std::string(ProfileFile::MAX_FILE_BYTES, ';');
    for (const std::filesystem::path& path : {fifo, zero, big, m_dir})
    {
        SCOPED_TRACE(path);
        testing::internal::CaptureStderr();
        ProfileFile ini(path.string());
        EXPECT_EQ(ini.GetInt("A", "k", -1), -1);
        EXPECT_FALSE(ini.SetText("A", "k", "1"));
        EXPECT_FALSE(ini.Save());
        const std::string strErr = testing::internal::GetCapturedStderr();
        EXPECT_EQ(strErr.rfind("tarnwick: " + path.string() + ": not read or written: ", 0), 0u) << strErr;
        EXPECT_EQ(std::count(strErr.begin(), strErr.end(), '\n'), 1) << strErr;
    }
    alarm(0);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_TRUE(std::filesystem::is_symlink(zero));
    EXPECT_EQ(std::filesystem::file_size(big), ProfileFile::MAX_FILE_BYTES + 8);
}

} // namespace
