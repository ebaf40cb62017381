#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Which file a name held, and the attributes a file that replaces it takes over.
struct FileIdentity
{
    std::uint64_t nDevice = 0, nInode = 0, nOwner = 0, nGroup = 0;
    unsigned nMode = 0;
};

// The system calls by which a FileWriter changes files, so that tests can make any of them fail.
struct FileWriterCalls
{
    int (*pRename)(const char* pszFrom, const char* pszTo);
    ssize_t (*pWrite)(int fd, const void* pData, std::size_t nBytes, off_t nOffset);
    int (*pReserve)(int fd, int nMode, off_t nOffset, off_t nBytes);
    int (*pTruncate)(int fd, off_t nBytes);
    int (*pSync)(int fd);
};
// The calls every FileWriter makes; the system's own unless a test replaced one.
extern FileWriterCalls g_fileWriterCalls;

// Writes a file whole, so that nothing is lost and nothing else is touched. The bytes go to a new
// file of a name no other file has, made beside the file to replace, never through a link, and
// readable by its owner alone while it is written; it takes its final permissions and then that
// file's place only once every byte is written, so a full disk or a failed save leaves the old file
// as it was. A write past the process's file-size limit fails as a full disk does.
//
// A file the user may not write (read-only, or refused by its permissions) is left alone; so is
// anything that is not a regular file.
//
// Nothing is printed: Error() says why a step failed, and the caller tells the user. What was
// written and not committed is dropped when the object goes.
class FileWriter
{
  public:
    // What the name stands for.
    enum class Rule
    {
        // Names the program makes up itself (pictures), where whatever is found can have been
        // planted: a new file always takes the name, by a rename, or the write fails. A link there is
        // replaced and what it points to stays untouched; a file there is never written in place, and
        // only the user's own file passes its permissions on (never its owner).
        NEW_FILE,
        // A file the user keeps (settings): the file is updated, with its permissions and, where the
        // process may give it, its owner. A link is followed only where the kernel itself follows it
        // (not, for instance, a stranger's link in a shared sticky folder where fs.protected_symlinks
        // is set); one that points to no file gets that file made, as opening it for writing would.
        // Where the user may write the file but not replace it (a folder that takes no new file, a
        // file mounted on its own, another user's file in a shared sticky folder), it is written in
        // place, all or nothing: the old bytes are kept first and put back after any failure.
        UPDATE,
    };

    FileWriter() = default;
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;
    ~FileWriter() { Discard(); }

    // Starts writing strPath, dropping what this object held; false when it cannot be written.
    bool Open(const std::string& strPath, Rule rule = Rule::NEW_FILE);
    bool IsOpen() const { return m_pFile != nullptr; }
    // Appends nBytes from pData; false when not open or not everything was written.
    bool Write(const void* pData, std::size_t nBytes);
    // Flushes the file, down to the disk itself (and its folder's entry) when bSync, and puts it in
    // place. False when any write or any of these steps failed: then the file asked for is as it was
    // before Open and nothing else is left.
    bool Commit(bool bSync = false);
    // Drops what was written. Doing nothing when not open.
    void Discard();
    // Why the last Open, Write or Commit failed, in words fit for the user; empty after success.
    const std::string& Error() const { return m_strError; }

  private:
    // Finds the file that the new one replaces: m_strTarget, and m_fdTarget with m_old when a
    // regular file is to be replaced.
    bool FindTarget(const std::string& strPath);
    // Makes the file that the link strPath points to, where it points to none: m_fdTarget.
    bool CreateWhereLinkPoints(const std::string& strPath);
    // The file found by Open, opened for reading and writing; -1 with errno when it cannot be.
    int ReopenForUpdate() const;
    // Gives the finished new file its final permissions (and owner) and puts it in place; an error
    // number, 0 on success.
    int PutInPlace(bool bSync);
    // Gives the file fd exactly the nBytes at pData, or puts its old bytes back; an error number,
    // 0 on success.
    int WriteInPlace(int fd, const char* pData, std::size_t nBytes, bool bSync);
    // Keeps strWhy as the reason; always false.
    bool Fail(const std::string& strWhy);

    std::FILE* m_pFile = nullptr; // the new file, or the memory that gathers the content
    Rule m_rule = Rule::NEW_FILE;
    std::string m_strTarget;    // the name the new content goes to, no link at its end
    int m_fdTarget = -1;        // the regular file there, as opened at Open; -1 for none
    FileIdentity m_old;         // that file's identity and attributes
    bool m_bCreated = false;    // Open made that file, where a link pointed to none
    std::string m_strTemp;      // the new file; empty when the content gathers in memory
    int m_fdTemp = -1;          // the new file, open for reading and writing
    std::size_t m_nWritten = 0; // bytes written to it
    char* m_pMemory = nullptr;  // the content gathered in memory for a write in place
    std::size_t m_nMemory = 0;
    bool m_bFailed = false; // a write failed since Open
    std::string m_strError; // why the last step failed
};
