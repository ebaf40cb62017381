#include "platform/sys/profile_file.h"

#include "tests/platform/sys/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <climits>
#include <functional>
#include <regex>
#include <string>
#include <tuple>

namespace
{
class ProfileFileTest : public ::testing::Test
{
  protected:
    void Put(const std::string& strText) const { TempDir::WriteFile(m_strPath, strText); }

    TempDir m_dir;
    const std::string m_strPath = m_dir.Path("Tarnwick.ini");
};

TEST_F(ProfileFileTest, SettingKeysKeepsEveryOtherLineAndItsLineBreaksAndRefusesWhatALineCannotHold)
{
    const auto breaks = [](const char* psz, const char* pszBreak)
    { return std::regex_replace(psz, std::regex("\n"), pszBreak); };
    // Through a link of the user's own, which the settings keep following.
    std::filesystem::create_symlink("kept.ini", m_strPath);
    for (const char* pszBreak : {"\n", "\r\n"})
    {
        // One section a line; the last line has no break.
        Put(breaks("; settings\n\n[Settings]\nCameraNo = 2\n  ; a comment inside\n"
                   "[LineRate]\nMode=1\nFps = 250.5  \n; trailing comment\n\n[Cursor]\nColor=255",
                   pszBreak));
        ProfileFile ini(m_strPath);
        // A line break in the text, an equals sign or bracket in a name, a blank name.
        for (auto [pszSection, pszKey, pszText] :
             {std::tuple{"A", "k", "1\n[B]"}, {"A", "a=b", "1"}, {"A]", "k", "1"}, {"A", " ", "1"}})
            EXPECT_FALSE(ini.SetText(pszSection, pszKey, pszText)) << pszSection << pszKey << pszText;
        // After the section's last key, and new sections at the end; a new key follows a last line
        // without a break in one pass, a new section in the other.
        const bool bSectionFirst = *pszBreak == '\r';
        ASSERT_TRUE(ini.SetText("LINERATE", "fps", "300.00") && ini.SetText("lineRATE", "Speed", "75") &&
                    (!bSectionFirst || ini.SetText("FileOption", "Path", "/tmp/画像")) &&
                    ini.SetText("Cursor", "Thick", "2") && ini.SetText("FileOption", "Path", "/tmp/画像") &&
                    ini.Save());
        EXPECT_EQ(TempDir::ReadFile(m_strPath),
                  breaks("; settings\n\n[Settings]\nCameraNo = 2\n  ; a comment inside\n"
                         "[LineRate]\nMode=1\nFps=300.00\nSpeed=75\n; trailing comment\n\n"
                         "[Cursor]\nColor=255\nThick=2\n[FileOption]\nPath=/tmp/画像\n",
                         pszBreak));
    }
    EXPECT_TRUE(std::filesystem::is_symlink(m_strPath));
}

TEST_F(ProfileFileTest, LookupIgnoresCaseBlanksCommentsAndLaterDuplicatesAndCutsLongTexts)
{
    const std::string strLong(300, 'a');
    const std::string strJapanese = std::string(254, 'b') + "画"; // the character would straddle byte 255
    const std::string strExact = std::string(252, 'c') + "画";
    // Integers: the leading number, 0 when there is none, the default (100) when empty; no base
    // prefixes; saturated at the int range.
    Put("\xEF\xBB\xBF[Settings]\nTopMost=1\n;CameraNo=5\nCameraNo=3\nCameraNo=4\nno equals sign\n"
        "[ Spaced Name ]\n  Key  =  two words  \n[Settings]\nLater=1\n[FileOption]\nPath=" +
        strLong + "\nOther=" + strJapanese +
        "\n[Cursor]\nk0=12abc\nk1=-3\nk2= 7 \nk3=abc\nk4=\nk5=+4\nk6=0x10\nk7=- 5\nk8=12632256\n"
        "k9=99999999999999999999\nk10=-99999999999999999999\n");
    ProfileFile ini(m_strPath);
    const int VALUES[] = {12, -3, 7, 0, 100, 4, 0, 0, 12632256, INT_MAX, INT_MIN};
    for (std::size_t i = 0; i < std::size(VALUES); ++i)
        EXPECT_EQ(ini.GetInt("Cursor", "k" + std::to_string(i), 100), VALUES[i]) << i;
    // After a byte-order mark; a comment skipped, the first key wins, only the first matching
    // section counts.
    EXPECT_EQ((std::vector{ini.GetInt("Cursor", "missing", 100), ini.GetInt("Nowhere", "k0", -1),
                           ini.GetInt("SETTINGS", "topmost", 0), ini.GetInt("Settings", "CameraNo", -1),
                           ini.GetInt("Settings", "Later", 0)}),
              (std::vector{100, -1, 1, 3, 0}));
    // Texts are cut to 255 bytes on a character boundary, defaults too.
    EXPECT_EQ(
        (std::vector{ini.GetText(" spaced name ", "KEY", "-"), ini.GetText("Settings", "no equals sign", "-"),
                     ini.GetText("FileOption", "Path", ""), ini.GetText("FileOption", "Other", ""),
                     ini.GetText("FileOption", "Missing", strLong),
                     ini.GetText("FileOption", "Missing", strExact)}),
        (std::vector{std::string("two words"), std::string("-"), std::string(255, 'a'), std::string(254, 'b'),
                     std::string(255, 'a'), strExact}));
}

TEST_F(ProfileFileTest, AFileLargerThanAnySettingsFileIsNeitherReadNorWritten)
{
    Put("[A]\nk=5\n" + std::string(ProfileFile::MAX_FILE_BYTES, ';'));
    ProfileFile ini(m_strPath);
    EXPECT_EQ((std::tuple{ini.GetInt("A", "k", -1), ini.SetText("A", "k", "1"), ini.Save(), ini.Error(),
                          std::filesystem::file_size(m_strPath)}),
              (std::tuple{-1, false, false, "larger than 4 MiB, not a settings file",
                          ProfileFile::MAX_FILE_BYTES + 8}));
}

TEST_F(ProfileFileTest, WhatIsNoSettingsFileIsNeitherReadNorWritten)
{
    namespace fs = std::filesystem;
    // Each puts a folder or a device at the name; whether it may be written to. The device is the
    // test's own where it may make one, so that a writer gone wrong harms no real one; else
    // /dev/zero through a link, only to be read.
    const auto folder = [&] { return fs::create_directory(m_strPath); };
    const auto device = [&]
    {
        if (mknod(m_strPath.c_str(), S_IFCHR | 0644, makedev(1, 5)) == 0)
            return true;
        fs::create_symlink("/dev/zero", m_strPath);
        return false;
    };
    // Found there when the file is read, or put there after it was read.
    for (bool bAfterRead : {false, true})
        for (const std::function<bool()>& plant :
             {std::function<bool()>(folder), std::function<bool()>(device)})
        {
            fs::remove_all(m_strPath);
            if (bAfterRead)
                Put("[A]\nk=5\n");
            else
                plant();
            ProfileFile ini(m_strPath);
            const std::tuple read{ini.GetInt("A", "k", -1), ini.SetText("A", "k", "1")};
            if (bAfterRead && !(fs::remove(m_strPath) && plant()))
                continue;
            const fs::file_type type = fs::symlink_status(m_strPath).type();
            EXPECT_EQ(std::tuple_cat(
                          read, std::tuple{ini.Save(), ini.Error(), fs::symlink_status(m_strPath).type()}),
                      (std::tuple{bAfterRead ? 5 : -1, bAfterRead, false, "not a regular file", type}))
                << (bAfterRead ? "after the read, " : "") << static_cast<int>(type);
        }
}
} // namespace
