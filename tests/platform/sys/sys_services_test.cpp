#include "platform/sys/clocks.h"
#include "platform/sys/file_writer.h"

#include "tests/platform/sys/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

namespace
{
namespace fs = std::filesystem;

TEST(FileWriter, ReplacesWholeOnCommitThroughLinksAndLeavesWhatItMayNotWriteAsItWas)
{
    TempDir dir;
    const std::string strPath = dir.Path("f"), strReal = dir.Path("kept/real");
    const std::string strOld(5000, 'o'); // longer than the new text: none of it may stay
    fs::create_directory(dir.Path("kept"));
    TempDir::WriteFile(dir.Path("victim"), "victim");
    // A link planted at the name a temporary file once had is never followed.
    fs::create_symlink(dir.Path("victim"), strPath + ".tmp");
    struct Case
    {
        const char* pszName;
        std::function<void()> plant; // turns the plain file at strPath into the case
        std::string strTarget;
        bool bWritten, bInPlace;
        const char* pszError; // what standard error says after the file's name, if anything
    };
    const Case cases[] = {
        {"a plain file", [] {}, strPath, true, false, nullptr},
        {"a relative link", [&] { fs::rename(strPath, strReal), fs::create_symlink("kept/real", strPath); },
         strReal, true, false, nullptr},
        {"a read-only file", [&] { chmod(strPath.c_str(), 0444); }, strPath, false, false,
         "the file is read-only"},
        {"a folder", [&] { fs::remove(strPath), fs::create_directory(strPath); }, strPath, false, false,
         "not a regular file"},
        {"a FIFO", [&] { fs::remove(strPath), mkfifo(strPath.c_str(), 0640); }, strPath, false, false,
         "not a regular file"},
        {"a device", [&] { fs::remove(strPath), fs::create_symlink("/dev/full", strPath); }, "/dev/full",
         false, false, "not a regular file"},
        {"a folder that takes no new file",
         [&] { fs::permissions(dir.Dir(), fs::perms::owner_write, fs::perm_options::remove); }, strPath, true,
         geteuid() != 0, nullptr},
        {"a full disk", [] {}, strPath, false, false, nullptr},
        {"no commit", [] {}, strPath, false, false, nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        TempDir::WriteFile(strPath, strOld);
        chmod(strPath.c_str(), 0640);
        struct stat before = {};
        stat(strPath.c_str(), &before);
        c.plant();
        testing::internal::CaptureStderr();
        const std::string strName = c.pszName;
        bool bWritten = OnAFullDisk(strName == "a full disk" ? 1 : RLIM_INFINITY,
                                    [&]
                                    {
                                        FileWriter writer;
                                        return writer.Open(strPath) && writer.Write("new", 3) &&
                                               (strName == "no commit" || writer.Commit(true));
                                    });
        bWritten = bWritten && strName != "no commit";
        const std::string strErr = testing::internal::GetCapturedStderr();
        fs::permissions(dir.Dir(), fs::perms::owner_all, fs::perm_options::add);
        EXPECT_EQ(bWritten, c.bWritten);
        EXPECT_EQ(strErr,
                  c.pszError ? "tarnwick: " + c.strTarget + ": not written: " + c.pszError + "\n" : "");
        struct stat after = {};
        stat(c.strTarget.c_str(), &after);
        if (S_ISREG(after.st_mode))
        {
            EXPECT_EQ(TempDir::ReadFile(c.strTarget), c.bWritten ? "new" : strOld);
            EXPECT_EQ(after.st_mode & 0777, strName == "a read-only file" ? 0444u : 0640u);
            EXPECT_EQ(after.st_ino == before.st_ino, !c.bWritten || c.bInPlace);
        }
        // Nothing is left beside it but what was there.
        EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"f", "f.tmp", "kept", "victim"}));
        // Back to a plain file.
        fs::remove_all(strPath);
        fs::remove_all(strReal);
    }
    EXPECT_EQ(TempDir::ReadFile(dir.Path("victim")), "victim");
    FileWriter writer;
    EXPECT_FALSE(writer.Write("x", 1)); // not open
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
} // namespace
