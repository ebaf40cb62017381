#include "platform/sys/clocks.h"
#include "platform/sys/file_writer.h"

#include "tests/platform/sys/temp_dir.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <tuple>

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
    const auto dangling = [&] { link(), fs::remove(strReal); };
    const auto noNewFile = [&]
    { fs::permissions(dir.Dir(), fs::perms::owner_write, fs::perm_options::remove); };
    const bool bRoot = geteuid() == 0;
    // A device of the test's own where it may make one, so that a writer gone wrong harms no real one.
    const std::string strDevice =
        bRoot && mknod(dir.Path("kept/full").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0
            ? dir.Path("kept/full")
            : "/dev/full";
    const std::string strTooLarge = std::strerror(EFBIG), strOdd = "not a regular file"; // EFBIG: disk full
    using enum FileWriter::LinkRule;
    struct Case
    {
        const char* pszName;
        FileWriter::LinkRule rule;
        std::function<void()> plant; // turns the plain file at strPath into the case
        std::string strTarget;       // the file the new bytes are for
        std::string strResult;       // "written", or why not
        bool bInPlace = false;
        std::function<bool()> enter = {}; // where set, written in a child process that enters this first
    };
    const Case cases[] = {
        {"a plain file", UPDATE_TARGET, [] {}, strPath, "written"},
        {"a link, followed", UPDATE_TARGET, link, strReal, "written"},
        {"a link, replaced", REPLACE_LINK, link, strPath, "written"},
        {"a link to no file", UPDATE_TARGET, dangling, strReal, "written"},
        {"a link to no file, disk full", UPDATE_TARGET, dangling, strReal, strTooLarge},
        {"read-only", REPLACE_LINK, [&] { chmod(strPath.c_str(), 0444); }, strPath, "the file is read-only"},
        {"folder", UPDATE_TARGET, [&] { fs::remove(strPath), mkdir(strPath.c_str(), 0750); }, strPath,
         strOdd},
        {"FIFO", REPLACE_LINK, [&] { fs::remove(strPath), mkfifo(strPath.c_str(), 0640); }, strPath, strOdd},
        {"a device", UPDATE_TARGET, [&] { fs::remove(strPath), fs::create_symlink(strDevice, strPath); },
         strDevice, strOdd},
        {"no new file in the folder", UPDATE_TARGET, noNewFile, strPath, "written", !bRoot},
        {"no new file, disk full", REPLACE_LINK, noNewFile, strPath, strTooLarge},
        {"a link, no new file", REPLACE_LINK, [&] { link(), noNewFile(); }, strPath,
         bRoot ? "written" : std::strerror(EACCES)},
        {"no commit", REPLACE_LINK, [] {}, strPath, "dropped"},
        // Root only: as another user, and with the file mounted on itself in a mount namespace of its own.
        {"another user's file in a sticky folder", UPDATE_TARGET,
         [&]
         {
             chmod(dir.Dir().c_str(), 01777), chmod(strPath.c_str(), 0666);
             static_cast<void>(chown(strPath.c_str(), OTHER_USER, OTHER_USER));
         },
         strPath, "written", true,
         [&] { return BecomeUser(ORDINARY_USER) && access(strPath.c_str(), W_OK) == 0; }},
        {"mounted on itself", UPDATE_TARGET, [] {}, strPath, "written", true,
         [&]
         {
             return unshare(CLONE_NEWNS) == 0 &&
                    mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                    mount(strPath.c_str(), strPath.c_str(), nullptr, MS_BIND, nullptr) == 0;
         }},
    };
    // The mode of a file and, where it is a regular one, its bytes (a zero mode where there is none).
    const auto state = [](const std::string& strFile, struct stat* pStat)
    {
        lstat(strFile.c_str(), pStat);
        return std::to_string(pStat->st_mode) +
               (S_ISREG(pStat->st_mode) ? " " + TempDir::ReadFile(strFile) : "");
    };
    const mode_t nMask = umask(077); // new files are made 0600
    std::string strUntested;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        TempDir::WriteFile(strPath, strOld);
        chmod(strPath.c_str(), 0640);
        c.plant();
        const bool bDiskFull = c.strResult == strTooLarge; // at the old file's size, short of the new one's
        const std::string strNew(bDiskFull ? 6000 : 3, 'n');
        struct stat before = {}, after = {};
        const std::string strBefore = state(c.strTarget, &before);
        const auto write = [&]
        {
            FileWriter writer;
            const bool bDone = writer.Open(strPath, c.rule) && writer.Write(strNew.data(), strNew.size()) &&
                               (c.strResult == "dropped" || writer.Commit(true));
            return !bDone ? writer.Error() : c.strResult == "dropped" ? "dropped" : "written";
        };
        const std::string strResult = OnAFullDisk(bDiskFull ? 5000 : RLIM_INFINITY, [&]
                                                  { return c.enter ? InChild(c.enter, write) : write(); });
        fs::permissions(dir.Dir(), fs::perms(0755));
        const bool bWritten = strResult == "written", bRegular = S_ISREG(before.st_mode);
        if (c.enter && (!bRoot || strResult == NOT_ENTERED))
            strUntested += std::string(" ") + c.pszName + ";";
        else // the new bytes in the old file's mode, or the name as it was; another file only where
             // replaced; what a link pointed to written only where followed; nothing left beside
            EXPECT_EQ(
                (std::tuple{strResult, state(c.strTarget, &after), bRegular && after.st_ino != before.st_ino,
                            c.strTarget == strReal || !fs::exists(strReal) ? strOld
                                                                           : TempDir::ReadFile(strReal),
                            dir.Entries()}),
                (std::tuple{c.strResult,
                            bWritten
                                ? std::to_string(bRegular ? before.st_mode : S_IFREG | 0600) + " " + strNew
                                : strBefore,
                            bRegular && bWritten && !c.bInPlace, strOld,
                            std::vector<std::string>{"f", "f.tmp", "kept", "victim"}}));
        fs::remove_all(strPath), fs::remove_all(strReal); // back to a plain file
    }
    umask(nMask);
    EXPECT_EQ(TempDir::ReadFile(dir.Path("victim")), "victim");
    EXPECT_FALSE(FileWriter().Write("x", 1)); // not open
    if (!strUntested.empty())
        std::cout << "untested here (root only, with mount rights):" << strUntested << "\n";
}

TEST(Clocks, UtcFieldsAreInRangeAndTheCounterIsMonotonic)
{
    const UtcTime t = GetUtcTime(); // the year itself, not years since 1900; months from 1
    EXPECT_TRUE(t.nYear >= 2020 && t.nMonth >= 1 && t.nMonth <= 12 && t.nDay >= 1 && t.nDay <= 31 &&
                t.nHour <= 23 && t.nMinute <= 59 && t.nSecond <= 60 && t.nMilliseconds <= 999);
    const auto nFirst = GetCounterTicks();
    EXPECT_TRUE(GetCounterFrequency() >= 1000 && GetCounterTicks() >= nFirst);
}
} // namespace
