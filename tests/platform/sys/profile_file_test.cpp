#include "platform/sys/profile_file.h"

#include "tests/platform/sys/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <thread>

namespace
{
class ProfileFileTest : public ::testing::Test
{
  protected:
    void Put(const std::string& strText) const { TempDir::WriteFile(m_strPath, strText); }
    std::string Get() const { return TempDir::ReadFile(m_strPath); }
    // Sets one key, as a pass over the settings does; whether the file was saved.
    bool SaveValue(const std::string& strValue) const
    {
        ProfileFile ini(m_strPath);
        return ini.SetText("A", "k", strValue) && ini.Save();
    }

    TempDir m_dir;
    const std::string m_strPath = m_dir.Path("Tarnwick.ini");
};

TEST_F(ProfileFileTest, ReplacingAValueKeepsEveryOtherLineAndItsLineBreaks)
{
    const auto breaks = [](std::string s, const char* pszBreak)
    {
        for (std::size_t n = s.find('\n'); n != std::string::npos; n = s.find('\n', n + 2))
            s.replace(n, 1, pszBreak);
        return s;
    };
    for (const char* pszBreak : {"\n", "\r\n"})
    {
        // One section a line; the last line has no break.
        Put(breaks("; settings\n\n[Settings]\nCameraNo = 2\n  ; a comment inside\n"
                   "[LineRate]\nMode=1\nFps = 250.5  \n; trailing comment\n\n[Cursor]\nColor=255",
                   pszBreak));
        ProfileFile ini(m_strPath);
        ASSERT_TRUE(ini.SetText("LINERATE", "fps", "300.00"));
        ASSERT_TRUE(ini.SetText("lineRATE", "Speed", "75")); // after the section's last key
        ASSERT_TRUE(ini.SetText("Cursor", "Thick", "2"));
        ASSERT_TRUE(ini.SetText("FileOption", "Path", "/tmp/画像") && ini.Save());
        EXPECT_EQ(Get(), breaks("; settings\n\n[Settings]\nCameraNo = 2\n  ; a comment inside\n"
                                "[LineRate]\nMode=1\nFps=300.00\nSpeed=75\n; trailing comment\n\n"
                                "[Cursor]\nColor=255\nThick=2\n[FileOption]\nPath=/tmp/画像\n",
                                pszBreak));
        EXPECT_EQ(ini.GetText("fileoption", "PATH", ""), "/tmp/画像");
        EXPECT_EQ(ini.GetInt("settings", "cameraNO", -1), 2);
    }
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
    EXPECT_EQ((std::pair{ini.GetInt("Cursor", "missing", 100), ini.GetInt("Nowhere", "k0", -1)}),
              (std::pair{100, -1}));

    EXPECT_EQ(ini.GetInt("SETTINGS", "topmost", 0), 1);   // after a byte-order mark
    EXPECT_EQ(ini.GetInt("Settings", "CameraNo", -1), 3); // comment skipped, first key wins
    EXPECT_EQ(ini.GetText(" spaced name ", "KEY", "-"), "two words");
    EXPECT_EQ(ini.GetInt("Settings", "Later", 0), 0); // only the first matching section counts
    EXPECT_EQ(ini.GetText("Settings", "no equals sign", "-"), "-");

    // Texts are cut to 255 bytes on a character boundary, defaults too.
    const std::string strExact = std::string(252, 'c') + "画";
    EXPECT_EQ((std::vector{ini.GetText("FileOption", "Path", ""), ini.GetText("FileOption", "Other", ""),
                           ini.GetText("FileOption", "Missing", strLong),
                           ini.GetText("FileOption", "Missing", strExact)}),
              (std::vector{std::string(255, 'a'), std::string(254, 'b'), std::string(255, 'a'), strExact}));
}

TEST_F(ProfileFileTest, WritesThatCannotBeStoredFailWithoutHarm)
{
    Put("[A]\nk=1\n");
    ProfileFile ini(m_strPath);
    // A line break in the text, an equals sign or bracket in a name, a blank name.
    for (auto [pszSection, pszKey, pszText] :
         {std::tuple{"A", "k", "1\n[B]"}, {"A", "a=b", "1"}, {"A]", "k", "1"}, {"A", " ", "1"}})
        EXPECT_FALSE(ini.SetText(pszSection, pszKey, pszText)) << pszSection << pszKey << pszText;
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(Get(), "[A]\nk=1\n");

    ProfileFile nowhere(m_dir.Path("no_such_dir/x.ini"));
    EXPECT_TRUE(nowhere.SetText("A", "k", "1"));
    EXPECT_FALSE(nowhere.Save());

    // Saves go through the safe writer: a read-only file stays as it was.
    chmod(m_strPath.c_str(), 0444);
    EXPECT_FALSE(SaveValue("3"));
    EXPECT_EQ(Get(), "[A]\nk=1\n");
    chmod(m_strPath.c_str(), 0644);

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
    const std::string strLast = Get();
    EXPECT_TRUE(strLast == "[A]\nk=" + strA + "\n" || strLast == "[A]\nk=" + strB + "\n") << strLast.size();
}

TEST_F(ProfileFileTest, WhatIsNoSettingsFileIsNeitherReadNorWritten)
{
    alarm(60); // a FIFO read without care would wait for ever
    const std::filesystem::path fifo = m_dir.Path("fifo.ini"), zero = m_dir.Path("zero.ini"),
                                big = m_dir.Path("big.ini");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    std::filesystem::create_symlink("/dev/zero", zero);
    std::ofstream(big, std::ios::binary) << "[A]\nk=5\n" << std::string(ProfileFile::MAX_FILE_BYTES, ';');
    for (const std::filesystem::path& path : {fifo, zero, big, std::filesystem::path(m_dir.Dir())})
    {
        SCOPED_TRACE(path);
        ProfileFile ini(path.string());
        EXPECT_EQ(ini.GetInt("A", "k", -1), -1);
        EXPECT_FALSE(ini.SetText("A", "k", "1"));
        EXPECT_FALSE(ini.Save());
        EXPECT_EQ(ini.Error(), path == big ? "larger than 4 MiB, not a settings file" : "not a regular file");
    }
    alarm(0);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo) && std::filesystem::is_symlink(zero));
    EXPECT_EQ(std::filesystem::file_size(big), ProfileFile::MAX_FILE_BYTES + 8);
}
} // namespace
