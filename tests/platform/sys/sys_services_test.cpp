#include "platform/sys/clocks.h"
#include "platform/sys/file_writer.h"

#include "tests/platform/sys/temp_dir.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>

namespace
{
namespace fs = std::filesystem;

TEST(FileWriter, ReplacesWholeOnCommitFollowingLinksOnlyWhenAskedAndLeavesWhatItMayNotWriteAsItWas)
{
    TempDir dir;
    const std::string strPath = dir.Path("f"), strReal = dir.Path("kept/real");
    const std::string strOld(5000, 'o'); // longer than the new text: none of it may stay
    fs::create_directory(dir.Path("kept"));
    TempDir::WriteFile(dir.Path("victim"), "victim");
    // A link planted at the name a temporary file once had is never followed.
    fs::create_symlink(dir.Path("victim"), strPath + ".tmp");
    const auto link = [&] { fs::rename(strPath, strReal), fs::create_symlink("kept/real", strPath); };
    const auto noNewFile = [&]
    { fs::permissions(dir.Dir(), fs::perms::owner_write, fs::perm_options::remove); };
    // Root only: as another user, and with the file mounted on itself in a mount namespace of its own.
    const auto asUser = [&] { return BecomeUser(ORDINARY_USER) && access(strPath.c_str(), W_OK) == 0; };
    const auto mountedOnItself = [&]
    {
        return unshare(CLONE_NEWNS) == 0 && mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
               mount(strPath.c_str(), strPath.c_str(), nullptr, MS_BIND, nullptr) == 0;
    };
    const bool bRoot = geteuid() == 0;
    using enum FileWriter::LinkRule;
    struct Case
    {
        const char* pszName;
        FileWriter::LinkRule rule;
        std::function<void()> plant; // turns the plain file at strPath into the case
        std::string strTarget;       // the file the new bytes are for
        std::string strResult;       // "written", or why not
        bool bInPlace = false;
        std::size_t nNewBytes = 3;
        rlim_t nDiskFull = RLIM_INFINITY; // the file size at which the disk is full
        std::function<bool()> enter = {}; // where set, written in a child process that enters this first
    };
    const std::string strTooLarge = std::strerror(EFBIG);
    const Case cases[] = {
        {"a plain file", UPDATE_TARGET, [] {}, strPath, "written"},
        {"a relative link, followed", UPDATE_TARGET, link, strReal, "written"},
        {"a relative link, replaced", REPLACE_LINK, link, strPath, "written"},
        {"a link to no file, followed", UPDATE_TARGET, [&] { link(), fs::remove(strReal); }, strReal,
         "written"},
        {"a link to no file on a full disk", UPDATE_TARGET, [&] { link(), fs::remove(strReal); }, strReal,
         strTooLarge, false, 3, 1},
        {"a read-only file", REPLACE_LINK, [&] { chmod(strPath.c_str(), 0444); }, strPath,
         "the file is read-only"},
        {"a folder", UPDATE_TARGET, [&] { fs::remove(strPath), fs::create_directory(strPath); }, strPath,
         "not a regular file"},
        {"a FIFO", REPLACE_LINK, [&] { fs::remove(strPath), mkfifo(strPath.c_str(), 0640); }, strPath,
         "not a regular file"},
        {"a device", UPDATE_TARGET, [&] { fs::remove(strPath), fs::create_symlink("/dev/full", strPath); },
         "/dev/full", "not a regular file"},
        {"a folder that takes no new file", UPDATE_TARGET, noNewFile, strPath, "written", !bRoot},
        {"a folder that takes no new file, on a full disk", REPLACE_LINK, noNewFile, strPath, strTooLarge,
         false, 6000, 5000},
        {"a link in a folder that takes no new file", REPLACE_LINK, [&] { link(), noNewFile(); }, strPath,
         bRoot ? "written" : std::strerror(EACCES)},
        {"a full disk", REPLACE_LINK, [] {}, strPath, strTooLarge, false, 3, 1},
        {"no commit", REPLACE_LINK, [] {}, strPath, "dropped"},
        {"another user's file in a sticky folder", UPDATE_TARGET,
         [&]
         {
             chmod(dir.Dir().c_str(), 01777), chmod(strPath.c_str(), 0666);
             static_cast<void>(chown(strPath.c_str(), OTHER_USER, OTHER_USER));
         },
         strPath, "written", true, 3, RLIM_INFINITY, asUser},
        {"a file mounted on itself", UPDATE_TARGET, [] {}, strPath, "written", true, 3, RLIM_INFINITY,
         mountedOnItself},
    };
    std::string strUntested;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        TempDir::WriteFile(strPath, strOld);
        chmod(strPath.c_str(), 0640);
        c.plant();
        struct stat before = {};
        const bool bExisted = lstat(c.strTarget.c_str(), &before) == 0;
        const std::string strNew(c.nNewBytes, 'n');
        const auto write = [&]
        {
            FileWriter writer;
            const bool bWritten = writer.Open(strPath, c.rule) &&
                                  writer.Write(strNew.data(), strNew.size()) &&
                                  (c.strResult == "dropped" || writer.Commit(true));
            return bWritten ? (c.strResult == "dropped" ? "dropped" : "written") : writer.Error();
        };
        const std::string strResult =
            OnAFullDisk(c.nDiskFull, [&] { return c.enter ? InChild(c.enter, write) : write(); });
        fs::permissions(dir.Dir(), fs::perms(0755));
        if (c.enter && (!bRoot || strResult == NOT_ENTERED))
            strUntested += std::string(" ") + c.pszName + ";";
        else
        {
            EXPECT_EQ(strResult, c.strResult);
            const bool bWritten = strResult == "written";
            struct stat after = {};
            if (!bExisted && !bWritten)
            {
                EXPECT_FALSE(fs::exists(c.strTarget)); // nothing made that was not there
            }
            else if (stat(c.strTarget.c_str(), &after) == 0 && S_ISREG(after.st_mode))
            {
                EXPECT_EQ(TempDir::ReadFile(c.strTarget), bWritten ? strNew : strOld);
            }
            if (bExisted && S_ISREG(before.st_mode))
            {
                EXPECT_EQ((std::pair{after.st_mode, after.st_ino == before.st_ino}),
                          (std::pair{before.st_mode, !bWritten || c.bInPlace}));
            }
            // What a link pointed to is written only where the link is followed.
            if (c.strTarget != strReal && fs::exists(strReal))
            {
                EXPECT_EQ(TempDir::ReadFile(strReal), strOld);
            }
            // Nothing is left beside it but what was there.
            EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"f", "f.tmp", "kept", "victim"}));
        }
        // Back to a plain file.
        fs::remove_all(strPath);
        fs::remove_all(strReal);
    }
    EXPECT_EQ(TempDir::ReadFile(dir.Path("victim")), "victim");
    FileWriter writer;
    EXPECT_FALSE(writer.Write("x", 1)); // not open
    if (!strUntested.empty())
        std::cout << "untested here (root only, with mount rights):" << strUntested << "\n";
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
