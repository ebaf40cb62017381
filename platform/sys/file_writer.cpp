#include "platform/sys/file_writer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace
{
constexpr int MAX_NAME_TRIES = 100; // names taken by other files before giving up
constexpr mode_t PERMISSION_BITS = 0777;

std::string ErrorText(int nError)
{
    // Set where the name no longer holds the file that was found at Open.
    if (nError == ESTALE)
        return "another file took its place while it was written";
    return std::strerror(nError != 0 ? nError : EIO);
}

bool IsLink(const std::string& strPath)
{
    struct stat st = {};
    return lstat(strPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// The name under which the kernel offers what descriptor fd has open.
std::string FdPath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

std::string UniqueSuffix()
{
    static constexpr char DIGITS[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    std::uint64_t n = 0;
    if (getrandom(&n, sizeof n, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof n))
        n = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
            (static_cast<std::uint64_t>(getpid()) << 40);
    std::string str;
    for (int i = 0; i < 8; ++i, n /= sizeof DIGITS - 1)
        str += DIGITS[n % (sizeof DIGITS - 1)];
    return str;
}

// Creates a file beside strTarget under a name no file has, never through a link, with the
// permissions a new file gets (0666 less the umask); -1 when none can be made.
int CreateBeside(const std::string& strTarget, std::string* pTemp)
{
    for (int n = 0; n < MAX_NAME_TRIES; ++n)
    {
        *pTemp = strTarget + ".tmp" + UniqueSuffix();
        const int fd = open(pTemp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Gives the new file the old one's permission bits, and its owner where the process may.
bool TakeOverAttributes(int fd, const FileIdentity& old)
{
    struct stat now = {};
    if (fstat(fd, &now) != 0)
        return false;
    // Only a privileged process may give the file back to its owner; otherwise it stays the user's.
    if (now.st_uid != old.nOwner || now.st_gid != old.nGroup)
        static_cast<void>(fchown(fd, static_cast<uid_t>(old.nOwner), static_cast<gid_t>(old.nGroup)) == 0);
    return fchmod(fd, old.nMode & PERMISSION_BITS) == 0;
}

bool SameFile(const struct stat& st, const FileIdentity& old)
{
    return st.st_dev == old.nDevice && st.st_ino == old.nInode;
}

// For a file system that reserves no space: whether its free space holds what the file old grows
// by to take nBytes.
bool HasRoom(int fd, const struct stat& old, std::size_t nBytes)
{
    struct statvfs disk = {};
    const std::uint64_t nHeld = static_cast<std::uint64_t>(old.st_blocks) * 512;
    return fstatvfs(fd, &disk) == 0 &&
           nBytes <= nHeld + static_cast<std::uint64_t>(disk.f_bavail) * disk.f_frsize;
}

// Gives the file fd exactly the nBytes at pData, or leaves it as it was: the space for the whole
// content is reserved before its first byte is overwritten, so that a full disk cuts nothing.
// An error number, 0 on success.
int Overwrite(int fd, const char* pData, std::size_t nBytes, bool bSync)
{
    struct stat old = {};
    if (fstat(fd, &old) != 0)
        return errno;
    if (nBytes > 0 && fallocate(fd, 0, 0, static_cast<off_t>(nBytes)) != 0)
    {
        const int nError = errno;
        if (nError != EOPNOTSUPP || !HasRoom(fd, old, nBytes))
        {
            // What was granted of the reservation may have lengthened the file.
            struct stat now = {};
            if (fstat(fd, &now) == 0 && now.st_size != old.st_size)
                static_cast<void>(ftruncate(fd, old.st_size) == 0);
            return nError == EOPNOTSUPP ? ENOSPC : nError;
        }
    }
    for (std::size_t nDone = 0; nDone < nBytes;)
    {
        const ssize_t n = pwrite(fd, pData + nDone, nBytes - nDone, static_cast<off_t>(nDone));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        nDone += static_cast<std::size_t>(n);
    }
    // What lay beyond the new end goes.
    if (ftruncate(fd, static_cast<off_t>(nBytes)) != 0 || (bSync && fsync(fd) != 0))
        return errno;
    return 0;
}

// Puts the folder's entry of a file just renamed on the disk too. A folder the process may not
// open for reading, or a file system that cannot sync a folder, leaves it to the system.
int SyncFolderOf(const std::string& strFile)
{
    const std::size_t nSlash = strFile.rfind('/');
    const std::string strFolder =
        nSlash == std::string::npos ? "." : (nSlash == 0 ? "/" : strFile.substr(0, nSlash));
    const int fd = open(strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    const int nError = fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    close(fd);
    return nError;
}
} // namespace

bool FileWriter::Open(const std::string& strPath, LinkRule rule)
{
    Discard();
    m_bFailed = false;
    m_strError.clear();
    m_rule = rule;
    if (!FindTarget(strPath, rule))
    {
        Discard();
        return false;
    }
    const int fd = CreateBeside(m_strTarget, &m_strTemp);
    int nError = errno;
    if (fd >= 0)
    {
        m_pFile = fdopen(fd, "wb");
        nError = errno;
        if (m_pFile != nullptr && (m_fdTarget < 0 || TakeOverAttributes(fd, m_old)))
            return true;
        nError = errno;
        if (m_pFile == nullptr)
            close(fd);
    }
    else if (m_fdTarget >= 0 && (nError == EACCES || nError == EPERM))
    {
        // A folder the user may not add to: the file itself, where it may be written, in place,
        // once its whole new content has gathered in memory. Never where the name held a link.
        m_strTemp.clear();
        const int fdWrite = ReopenForWriting();
        nError = errno;
        if (fdWrite >= 0)
        {
            close(m_fdTarget);
            m_fdTarget = fdWrite;
            m_pFile = open_memstream(&m_pMemory, &m_nMemory);
            nError = errno;
            if (m_pFile != nullptr)
                return true;
        }
    }
    Discard();
    return Fail(ErrorText(nError));
}

bool FileWriter::FindTarget(const std::string& strPath, LinkRule rule)
{
    m_strTarget = strPath;
    const bool bFollow = rule == LinkRule::UPDATE_TARGET;
    // Opened for no access at all, so that nothing can block; the kernel follows a link or not by
    // its own rules, fs.protected_symlinks among them.
    m_fdTarget = open(strPath.c_str(), O_PATH | O_CLOEXEC | (bFollow ? 0 : O_NOFOLLOW));
    if (m_fdTarget < 0 && errno == ENOENT && bFollow && IsLink(strPath))
    {
        // A link to no file: the file is made where it points, as opening it for writing makes it.
        m_fdTarget = open(strPath.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
        m_bCreated = m_fdTarget >= 0;
    }
    if (m_fdTarget < 0)
    {
        const int nError = errno;
        if (nError == ENOENT && !IsLink(strPath))
            return true; // a new file
        return Fail(IsLink(strPath) ? "its link is not followed: " + ErrorText(nError) : ErrorText(nError));
    }
    struct stat st = {};
    if (fstat(m_fdTarget, &st) != 0)
        return Fail(ErrorText(errno));
    if (S_ISLNK(st.st_mode))
    {
        // The link itself, which the new file replaces; what it points to is never looked at.
        close(m_fdTarget);
        m_fdTarget = -1;
        return true;
    }
    if (!S_ISREG(st.st_mode))
        return Fail("not a regular file");
    m_old = FileIdentity{st.st_dev, st.st_ino, st.st_uid, st.st_gid, st.st_mode};
    struct stat named = {};
    if (bFollow && (lstat(strPath.c_str(), &named) != 0 || !SameFile(named, m_old)))
    {
        // Reached through a link: the new file goes beside the file the kernel found.
        char szTarget[PATH_MAX];
        const ssize_t nLength = readlink(FdPath(m_fdTarget).c_str(), szTarget, sizeof szTarget);
        if (nLength <= 0 || static_cast<std::size_t>(nLength) >= sizeof szTarget || szTarget[0] != '/')
            return Fail("the file its link points to cannot be named (is /proc mounted?)");
        m_strTarget.assign(szTarget, static_cast<std::size_t>(nLength));
    }
    // A file without any write permission was made read-only on purpose: even a privileged
    // process leaves it alone.
    if ((st.st_mode & 0222) == 0)
        return Fail("the file is read-only");
    if (faccessat(AT_FDCWD, m_strTarget.c_str(), W_OK, AT_EACCESS) != 0)
        return Fail(ErrorText(errno));
    return true;
}

int FileWriter::ReopenForWriting() const
{
    // Through the descriptor: the very file found at Open, whatever its name holds by now.
    int fd = open(FdPath(m_fdTarget).c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) // no /proc: by its name, never through a link
        fd = open(m_strTarget.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat st = {};
    if (fd >= 0 && (fstat(fd, &st) != 0 || !SameFile(st, m_old)))
    {
        close(fd);
        errno = ESTALE;
        return -1;
    }
    return fd;
}

bool FileWriter::Fail(const std::string& strWhy)
{
    m_strError = strWhy;
    return false;
}

bool FileWriter::Write(const void* pData, std::size_t nBytes)
{
    if (m_pFile == nullptr)
        return false;
    if (nBytes == 0)
        return true;
    if (std::fwrite(pData, 1, nBytes, m_pFile) != nBytes)
    {
        m_bFailed = true;
        return Fail(ErrorText(errno));
    }
    return true;
}

bool FileWriter::Commit(bool bSync)
{
    if (m_pFile == nullptr)
        return false;
    const bool bInMemory = m_strTemp.empty();
    // The last buffer goes out here: a disk that fills on it shows now, before the file takes its
    // name.
    bool bDone = !m_bFailed && std::fflush(m_pFile) == 0 && std::ferror(m_pFile) == 0;
    int nError = bDone ? 0 : errno;
    if (bDone && bSync && !bInMemory && fsync(fileno(m_pFile)) != 0)
        bDone = false, nError = errno;
    if (std::fclose(m_pFile) != 0 && bDone)
        bDone = false, nError = errno;
    m_pFile = nullptr;
    if (bDone)
    {
        nError = bInMemory ? Overwrite(m_fdTarget, m_pMemory, m_nMemory, bSync) : PutInPlace(bSync);
        bDone = nError == 0;
    }
    if (bDone)
        m_bCreated = false; // the file made where a link pointed stays, with its content
    Discard();
    if (!bDone && m_strError.empty())
        m_strError = ErrorText(nError);
    return bDone;
}

int FileWriter::PutInPlace(bool bSync)
{
    struct stat now = {};
    // Reached through a link or not, the name must still hold the file that was found.
    if (m_rule == LinkRule::UPDATE_TARGET && m_fdTarget >= 0 &&
        (lstat(m_strTarget.c_str(), &now) != 0 || !SameFile(now, m_old)))
        return ESTALE;
    if (std::rename(m_strTemp.c_str(), m_strTarget.c_str()) == 0)
    {
        m_strTemp.clear();
        return bSync ? SyncFolderOf(m_strTarget) : 0;
    }
    const int nError = errno;
    // The name may not be given to another file although the file may be written (a file mounted
    // on its own, another user's file in a sticky folder): in place, from the finished file.
    if (m_fdTarget < 0 || (nError != EBUSY && nError != EPERM && nError != EACCES && nError != EXDEV))
        return nError;
    const int fdTemp = open(m_strTemp.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fdTemp < 0)
        return errno;
    struct stat temp = {};
    int nResult = fstat(fdTemp, &temp) == 0 ? 0 : errno;
    const std::size_t nBytes = static_cast<std::size_t>(temp.st_size);
    void* pData =
        nResult != 0 || nBytes == 0 ? nullptr : mmap(nullptr, nBytes, PROT_READ, MAP_PRIVATE, fdTemp, 0);
    if (pData == MAP_FAILED)
        nResult = errno, pData = nullptr;
    close(fdTemp);
    const int fd = nResult == 0 ? ReopenForWriting() : -1;
    if (nResult == 0)
        nResult = fd < 0 ? errno : Overwrite(fd, static_cast<const char*>(pData), nBytes, bSync);
    if (fd >= 0)
        close(fd);
    if (pData != nullptr)
        munmap(pData, nBytes);
    return nResult;
}

void FileWriter::Discard()
{
    if (m_pFile != nullptr)
        std::fclose(m_pFile);
    m_pFile = nullptr;
    std::free(m_pMemory);
    m_pMemory = nullptr;
    m_nMemory = 0;
    if (!m_strTemp.empty())
        unlink(m_strTemp.c_str());
    m_strTemp.clear();
    // A file made where a link pointed to none goes again while nothing was put in it.
    struct stat st = {};
    if (m_bCreated && lstat(m_strTarget.c_str(), &st) == 0 && SameFile(st, m_old) && st.st_size == 0)
        unlink(m_strTarget.c_str());
    m_bCreated = false;
    if (m_fdTarget >= 0)
        close(m_fdTarget);
    m_fdTarget = -1;
}
