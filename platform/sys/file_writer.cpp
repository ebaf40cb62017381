#include "platform/sys/file_writer.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

FileWriterCalls g_fileWriterCalls = {std::rename, ::pwrite, ::fallocate, ::ftruncate, ::fsync};

namespace
{
constexpr int MAX_NAME_TRIES = 100; // names taken by other files before giving up
constexpr mode_t PERMISSION_BITS = 0777;
constexpr mode_t PRIVATE_MODE = 0600; // the new file's, while it is written

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

bool SameFile(const struct stat& st, const FileIdentity& old)
{
    return st.st_dev == old.nDevice && st.st_ino == old.nInode;
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The name under which the kernel offers what descriptor fd has open.
std::string FdPath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

std::string FolderOf(const std::string& strFile)
{
    const std::size_t nSlash = strFile.rfind('/');
    return nSlash == std::string::npos ? "." : (nSlash == 0 ? "/" : strFile.substr(0, nSlash));
}

// A write past the file-size limit raises SIGXFSZ, which would end the program and leave the new
// file behind; ignored, the write fails with EFBIG instead, as on a full disk. A handler someone
// installed is left alone.
void IgnoreFileSizeSignal()
{
    struct sigaction now = {};
    if (sigaction(SIGXFSZ, nullptr, &now) == 0 && now.sa_handler == SIG_DFL)
        std::signal(SIGXFSZ, SIG_IGN);
}

// The permissions a new file gets: 0666 less the umask, read where the kernel shows it, since
// changing the umask to read it would race with other threads that make files. Without /proc, such
// files stay private.
mode_t NewFileMode()
{
    std::FILE* pStatus = std::fopen("/proc/self/status", "re");
    unsigned nMask = 0177;
    char szLine[256];
    while (pStatus != nullptr && std::fgets(szLine, sizeof szLine, pStatus) != nullptr)
        if (std::sscanf(szLine, "Umask: %o", &nMask) == 1)
            break;
    if (pStatus != nullptr)
        std::fclose(pStatus);
    return 0666 & ~static_cast<mode_t>(nMask);
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

// Creates a file beside strTarget under a name no file has, never through a link, for its owner
// alone; -1 (and no name) when none can be made.
int CreateBeside(const std::string& strTarget, std::string* pTemp)
{
    for (int n = 0; n < MAX_NAME_TRIES; ++n)
    {
        *pTemp = strTarget + ".tmp" + UniqueSuffix();
        const int fd = open(pTemp->c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, PRIVATE_MODE);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST)
            break;
    }
    const int nError = errno;
    pTemp->clear();
    errno = nError;
    return -1;
}

// Gives the file fd the owner and group of the file old, where the process may (only a privileged
// one may give a file away); otherwise it stays the user's.
void GiveBack(int fd, const FileIdentity& old)
{
    struct stat now = {};
    if (fstat(fd, &now) != 0 || (now.st_uid == old.nOwner && now.st_gid == old.nGroup))
        return;
    static_cast<void>(fchown(fd, static_cast<uid_t>(old.nOwner), static_cast<gid_t>(old.nGroup)) == 0);
}

// Writes nBytes at pData to fd from offset 0; an error number, 0 on success.
int WriteAt(int fd, const char* pData, std::size_t nBytes)
{
    for (std::size_t nDone = 0; nDone < nBytes;)
    {
        const ssize_t n =
            g_fileWriterCalls.pWrite(fd, pData + nDone, nBytes - nDone, static_cast<off_t>(nDone));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        nDone += static_cast<std::size_t>(n);
    }
    return 0;
}

// The whole content of the file fd, which must be nBytes long; an error number, 0 on success.
int ReadWhole(int fd, std::size_t nBytes, std::string* pData)
{
    struct stat st = {};
    if (fstat(fd, &st) != 0)
        return errno;
    if (static_cast<std::size_t>(st.st_size) != nBytes)
        return ESTALE;
    pData->resize(nBytes);
    for (std::size_t nDone = 0; nDone < nBytes;)
    {
        const ssize_t n = pread(fd, pData->data() + nDone, nBytes - nDone, static_cast<off_t>(nDone));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : ESTALE;
        nDone += static_cast<std::size_t>(n);
    }
    return 0;
}

// Puts the folder's entry of a file just renamed on the disk too. A folder the process may not
// open for reading, or a file system that cannot sync a folder, leaves it to the system.
int SyncFolderOf(const std::string& strFile)
{
    const int fd = open(FolderOf(strFile).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    const int nError = g_fileWriterCalls.pSync(fd) == 0 || errno == EINVAL ? 0 : errno;
    close(fd);
    return nError;
}
} // namespace

bool FileWriter::Open(const std::string& strPath, Rule rule)
{
    Discard();
    m_bFailed = false;
    m_strError.clear();
    m_nWritten = 0;
    m_old = {};
    m_rule = rule;
    IgnoreFileSizeSignal();
    if (!FindTarget(strPath))
    {
        Discard();
        return false;
    }
    m_fdTemp = CreateBeside(m_strTarget, &m_strTemp);
    int nError = errno;
    if (m_fdTemp >= 0)
    {
        // The stream writes through a descriptor of its own, so that its close is checked and the
        // file stays open for its final permissions and the rename.
        const int fd = fcntl(m_fdTemp, F_DUPFD_CLOEXEC, 0);
        m_pFile = fd >= 0 ? fdopen(fd, "wb") : nullptr;
        if (m_pFile != nullptr)
            return true;
        nError = errno;
        if (fd >= 0)
            close(fd);
    }
    else if (rule == Rule::UPDATE && m_fdTarget >= 0 && (nError == EACCES || nError == EPERM))
    {
        // A folder the user may not add to: the file itself, where it may be written, in place,
        // once its whole new content has gathered in memory.
        const int fdWrite = ReopenForUpdate();
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

bool FileWriter::FindTarget(const std::string& strPath)
{
    m_strTarget = strPath;
    const bool bFollow = m_rule == Rule::UPDATE;
    // Opened for no access at all, so that nothing can block; the kernel follows a link or not by
    // its own rules, fs.protected_symlinks among them.
    m_fdTarget = open(strPath.c_str(), O_PATH | O_CLOEXEC | (bFollow ? 0 : O_NOFOLLOW));
    if (m_fdTarget < 0 && errno == ENOENT && bFollow && IsLink(strPath) && !CreateWhereLinkPoints(strPath))
        return false;
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

bool FileWriter::CreateWhereLinkPoints(const std::string& strPath)
{
    // The kernel has followed the link and found nothing at its end. The file is made there
    // exclusively, so that a file that appears meanwhile is never taken for this writer's own.
    char szTarget[PATH_MAX];
    const ssize_t nLength = readlink(strPath.c_str(), szTarget, sizeof szTarget);
    if (nLength <= 0 || static_cast<std::size_t>(nLength) >= sizeof szTarget)
        return Fail("its link cannot be read: " + ErrorText(nLength < 0 ? errno : ENAMETOOLONG));
    std::string strFile(szTarget, static_cast<std::size_t>(nLength));
    if (strFile[0] != '/')
        strFile = FolderOf(strPath) + "/" + strFile;
    const int fd = open(strFile.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return Fail("its link is not followed: " +
                    (errno == EEXIST ? std::string("it leads to another link, or another file took its place")
                                     : ErrorText(errno)));
    // The link must lead to the file made, as the kernel follows it.
    struct stat made = {}, reached = {}, named = {};
    const bool bMade = fstat(fd, &made) == 0;
    const int fdReached = open(strPath.c_str(), O_PATH | O_CLOEXEC);
    const bool bReached =
        bMade && fdReached >= 0 && fstat(fdReached, &reached) == 0 && SameFile(made, reached);
    if (fdReached >= 0)
        close(fdReached);
    if (!bReached)
    {
        if (bMade && lstat(strFile.c_str(), &named) == 0 && SameFile(made, named))
            unlink(strFile.c_str());
        close(fd);
        return Fail(ErrorText(ESTALE));
    }
    m_fdTarget = fd;
    m_bCreated = true;
    return true;
}

int FileWriter::ReopenForUpdate() const
{
    // Through the descriptor: the very file found at Open, whatever its name holds by now.
    int fd = open(FdPath(m_fdTarget).c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) // no /proc: by its name, never through a link
        fd = open(m_strTarget.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
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
    m_nWritten += nBytes;
    return true;
}

bool FileWriter::Commit(bool bSync)
{
    if (m_pFile == nullptr)
        return false;
    // The last buffer goes out here: a disk that fills on it shows now, before the file takes its
    // name.
    int nError = 0;
    if (m_bFailed || std::fflush(m_pFile) != 0 || std::ferror(m_pFile) != 0)
        nError = errno != 0 ? errno : EIO;
    if (std::fclose(m_pFile) != 0 && nError == 0)
        nError = errno;
    m_pFile = nullptr;
    const bool bInMemory = m_strTemp.empty();
    if (nError == 0 && bSync && !bInMemory && g_fileWriterCalls.pSync(m_fdTemp) != 0)
        nError = errno;
    if (nError == 0)
        nError = bInMemory ? WriteInPlace(m_fdTarget, m_pMemory, m_nMemory, bSync) : PutInPlace(bSync);
    if (nError == 0)
        m_bCreated = false; // the file made where a link pointed stays, with its content
    Discard();
    if (nError != 0 && m_strError.empty())
        m_strError = ErrorText(nError);
    return nError == 0;
}

int FileWriter::PutInPlace(bool bSync)
{
    const int fd = m_fdTemp;
    struct stat now = {};
    // Reached through a link or not, the name must still hold the file that was found.
    if (m_rule == Rule::UPDATE && m_fdTarget >= 0 &&
        (lstat(m_strTarget.c_str(), &now) != 0 || !SameFile(now, m_old)))
        return ESTALE;
    // The final permissions only now: a copy of a private file is never readable by others.
    // Settings keep their owner where the process may give it; a picture is the user's, and takes
    // over only the permissions of a file of the user's own.
    mode_t nMode = NewFileMode();
    if (m_fdTarget >= 0 && (m_rule == Rule::UPDATE || m_old.nOwner == geteuid()))
        nMode = m_old.nMode & PERMISSION_BITS;
    if (m_rule == Rule::UPDATE && m_fdTarget >= 0)
        GiveBack(fd, m_old);
    if (fchmod(fd, nMode) != 0)
        return errno;
    if (g_fileWriterCalls.pRename(m_strTemp.c_str(), m_strTarget.c_str()) == 0)
    {
        m_strTemp.clear();
        return bSync ? SyncFolderOf(m_strTarget) : 0;
    }
    const int nError = errno;
    // Settings whose name may not be given to another file although the file may be written (a
    // file mounted on its own, another user's file in a sticky folder): in place, from the finished
    // file as read through its descriptor. Never a picture.
    if (m_rule != Rule::UPDATE || m_fdTarget < 0 ||
        (nError != EBUSY && nError != EPERM && nError != EACCES && nError != EXDEV))
        return nError;
    std::string strContent;
    int nResult = ReadWhole(fd, m_nWritten, &strContent);
    const int fdTarget = nResult == 0 ? ReopenForUpdate() : -1;
    if (nResult == 0)
        nResult = fdTarget < 0 ? errno : WriteInPlace(fdTarget, strContent.data(), strContent.size(), bSync);
    if (fdTarget >= 0)
        close(fdTarget);
    return nResult;
}

int FileWriter::WriteInPlace(int fd, const char* pData, std::size_t nBytes, bool bSync)
{
    // The old bytes first, to be put back should any later step fail.
    struct stat old = {};
    std::string strOld;
    int nError = fstat(fd, &old) != 0 ? errno : ReadWhole(fd, static_cast<std::size_t>(old.st_size), &strOld);
    if (nError != 0)
        return nError;
    // Room for the whole new content before its first byte lands, without changing the file's size.
    // A file system that reserves nothing is written all the same: the old bytes go back on failure.
    if (nBytes > 0 &&
        g_fileWriterCalls.pReserve(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(nBytes)) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS)
    {
        nError = errno;
        static_cast<void>(g_fileWriterCalls.pTruncate(fd, old.st_size) == 0); // what was granted goes
        return nError;
    }
    nError = WriteAt(fd, pData, nBytes);
    if (nError == 0 && g_fileWriterCalls.pTruncate(fd, static_cast<off_t>(nBytes)) != 0)
        nError = errno;
    if (nError == 0 && bSync && g_fileWriterCalls.pSync(fd) != 0)
        nError = errno;
    if (nError == 0)
        return 0;
    // Back to the old bytes and size; the reservation beyond them goes with the truncation.
    int nRestore = WriteAt(fd, strOld.data(), strOld.size());
    if (nRestore == 0 && g_fileWriterCalls.pTruncate(fd, old.st_size) != 0)
        nRestore = errno;
    if (nRestore == 0 && bSync && g_fileWriterCalls.pSync(fd) != 0)
        nRestore = errno;
    if (nRestore != 0)
        Fail(ErrorText(nError) + "; its old content could not be put back: " + ErrorText(nRestore));
    return nError;
}

void FileWriter::Discard()
{
    if (m_pFile != nullptr)
        std::fclose(m_pFile);
    m_pFile = nullptr;
    std::free(m_pMemory);
    m_pMemory = nullptr;
    m_nMemory = 0;
    // The new file, unless another file has taken its name meanwhile.
    struct stat mine = {}, named = {};
    if (!m_strTemp.empty() && fstat(m_fdTemp, &mine) == 0 && lstat(m_strTemp.c_str(), &named) == 0 &&
        SameFile(mine, named))
        unlink(m_strTemp.c_str());
    m_strTemp.clear();
    if (m_fdTemp >= 0)
        close(m_fdTemp);
    m_fdTemp = -1;
    // The file this writer made where a link pointed to none goes again while nothing was put in it.
    if (m_bCreated && lstat(m_strTarget.c_str(), &named) == 0 && SameFile(named, m_old) && named.st_size == 0)
        unlink(m_strTarget.c_str());
    m_bCreated = false;
    if (m_fdTarget >= 0)
        close(m_fdTarget);
    m_fdTarget = -1;
}
