#include "platform/sys/file_writer.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>

namespace
{
constexpr int MAX_LINKS = 40;       // as the kernel allows in one path
constexpr int MAX_NAME_TRIES = 100; // names taken by other files before giving up
constexpr mode_t PERMISSION_BITS = 0777;

void Report(const std::string& strPath, const char* pszWhy)
{
    std::fprintf(stderr, "tarnwick: %s: not written: %s\n", strPath.c_str(), pszWhy);
}

// The file strPath names after following symbolic links, with its status when it exists. False
// when a link cannot be read or the chain does not end.
bool ResolveLinks(const std::string& strPath, std::string* pTarget, struct stat* pStat, bool* pExists)
{
    std::string strTarget = strPath;
    for (int nHops = 0; nHops <= MAX_LINKS; ++nHops)
    {
        *pTarget = strTarget;
        *pExists = lstat(strTarget.c_str(), pStat) == 0;
        if (!*pExists)
            return errno == ENOENT;
        if (!S_ISLNK(pStat->st_mode))
            return true;
        char szLink[PATH_MAX];
        const ssize_t nLength = readlink(strTarget.c_str(), szLink, sizeof szLink);
        if (nLength <= 0 || static_cast<std::size_t>(nLength) >= sizeof szLink)
            return false;
        std::string strLink(szLink, static_cast<std::size_t>(nLength));
        // A relative link is relative to the folder that holds it.
        const std::size_t nSlash = strTarget.rfind('/');
        if (strLink.front() != '/' && nSlash != std::string::npos)
            strLink.insert(0, strTarget, 0, nSlash + 1);
        strTarget = std::move(strLink);
    }
    return false;
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
bool TakeOverAttributes(int fd, const struct stat& old)
{
    struct stat now = {};
    if (fstat(fd, &now) != 0)
        return false;
    // Only a privileged process may give the file back to its owner; otherwise it stays the user's.
    if (now.st_uid != old.st_uid || now.st_gid != old.st_gid)
        static_cast<void>(fchown(fd, old.st_uid, old.st_gid) == 0);
    return fchmod(fd, old.st_mode & PERMISSION_BITS) == 0;
}
} // namespace

bool FileWriter::Open(const std::string& strPath)
{
    Discard();
    m_bFailed = false;
    m_strError.clear();
    struct stat old = {};
    bool bExists = false;
    if (!ResolveLinks(strPath, &m_strTarget, &old, &bExists))
        return Fail(std::strerror(errno));
    if (bExists)
    {
        if (!S_ISREG(old.st_mode))
        {
            Report(m_strTarget, "not a regular file");
            return Fail("not a regular file");
        }
        // A file without any write permission was made read-only on purpose: even a privileged
        // process leaves it alone.
        if ((old.st_mode & 0222) == 0)
        {
            Report(m_strTarget, "the file is read-only");
            return Fail("the file is read-only");
        }
        if (faccessat(AT_FDCWD, m_strTarget.c_str(), W_OK, AT_EACCESS) != 0)
        {
            Report(m_strTarget, std::strerror(errno));
            return Fail(std::strerror(errno));
        }
    }

    int fd = CreateBeside(m_strTarget, &m_strTemp);
    if (fd >= 0 && bExists && !TakeOverAttributes(fd, old))
    {
        const int nError = errno;
        close(fd);
        Discard();
        return Fail(std::strerror(nError));
    }
    if (fd < 0)
    {
        // A folder the user may not add to: the file itself, where it may be written, in place.
        // Never for a full disk, where writing in place would cut the file short.
        m_strTemp.clear();
        if (!bExists || (errno != EACCES && errno != EPERM))
            return Fail(std::strerror(errno));
        // No link is followed and nothing opened that could block: the name must still hold the
        // regular file checked above.
        fd = open(m_strTarget.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        struct stat now = {};
        if (fd >= 0 && (fstat(fd, &now) != 0 || !S_ISREG(now.st_mode)))
        {
            close(fd);
            return Fail("not a regular file");
        }
        if (fd < 0)
            return Fail(std::strerror(errno));
    }
    m_pFile = fdopen(fd, "wb");
    if (m_pFile == nullptr)
    {
        const int nError = errno;
        close(fd);
        Discard();
        return Fail(std::strerror(nError));
    }
    return true;
}

bool FileWriter::Fail(const char* pszWhy)
{
    m_strError = pszWhy;
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
        return Fail(std::strerror(errno));
    }
    return true;
}

bool FileWriter::Commit(bool bSync)
{
    if (m_pFile == nullptr)
        return false;
    const int fd = fileno(m_pFile);
    // The last buffer goes out here: a disk that fills on it shows now, before the file takes its
    // name.
    bool bDone = !m_bFailed && std::fflush(m_pFile) == 0 && std::ferror(m_pFile) == 0;
    int nError = bDone ? 0 : errno;
    if (bDone && m_strTemp.empty())
    {
        // Written in place: what lay beyond the new end goes.
        const off_t nEnd = ftello(m_pFile);
        bDone = nEnd >= 0 && ftruncate(fd, nEnd) == 0;
        nError = bDone ? 0 : errno;
    }
    if (bDone && bSync)
    {
        bDone = fsync(fd) == 0;
        nError = bDone ? 0 : errno;
    }
    if (std::fclose(m_pFile) != 0 && bDone)
    {
        bDone = false;
        nError = errno;
    }
    m_pFile = nullptr;
    if (bDone && !m_strTemp.empty())
    {
        bDone = std::rename(m_strTemp.c_str(), m_strTarget.c_str()) == 0;
        nError = bDone ? 0 : errno;
    }
    if (bDone)
        m_strTemp.clear();
    Discard();
    if (!bDone && m_strError.empty())
        m_strError = std::strerror(nError != 0 ? nError : EIO);
    return bDone;
}

void FileWriter::Discard()
{
    if (m_pFile != nullptr)
        std::fclose(m_pFile);
    m_pFile = nullptr;
    if (!m_strTemp.empty())
        unlink(m_strTemp.c_str());
    m_strTemp.clear();
}
