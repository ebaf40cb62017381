#pragma once

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

// Writes a file whole, so that nothing is lost and nothing else is touched. The bytes go to a new
// file of a name no other file has, made beside the file to replace and never through a link; it
// takes that file's place only once every byte is written and it is closed, so a full disk or a
// failed save leaves the old file as it was. The new file keeps the old one's permission bits (and
// owner, where the process may give it).
//
// A file the user may not write (read-only, or refused by its permissions) is left alone; so is
// anything that is not a regular file. Where the user may write the file but not replace it (a
// folder that takes no new file, a file mounted on its own, another user's file in a shared sticky
// folder), it is written in place, as the only way left: only once the whole new content is known
// and the space for it is reserved, so that a full disk leaves the file exactly as it was.
//
// Nothing is printed: Error() says why a step failed, and the caller tells the user. What was
// written and not committed is dropped when the object goes.
class FileWriter
{
  public:
    // What a symbolic link at the name asked for stands for.
    enum class LinkRule
    {
        // The new file takes the link's place and whatever the link points to stays untouched: for
        // names the program makes up itself, where a link can only have been planted.
        REPLACE_LINK,
        // The file the link points to is updated and the link stays, but only where the kernel
        // itself follows the link (not, for instance, a stranger's link in a shared sticky folder
        // where fs.protected_symlinks is set). A link that points to no file gets that file made,
        // as opening it for writing would make it.
        UPDATE_TARGET,
    };

    FileWriter() = default;
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;
    ~FileWriter() { Discard(); }

    // Starts writing strPath, dropping what this object held; false when it cannot be written.
    bool Open(const std::string& strPath, LinkRule rule = LinkRule::REPLACE_LINK);
    bool IsOpen() const { return m_pFile != nullptr; }
    // Appends nBytes from pData; false when not open or not everything was written.
    bool Write(const void* pData, std::size_t nBytes);
    // The open file as a stream, for encoders that write one themselves; null when not open.
    std::FILE* Stream() const { return m_pFile; }
    // Flushes and closes the file, down to the disk itself (and its folder's entry) when bSync, and
    // puts it in place. False when any write or any of these steps failed: then the file asked for
    // is as it was before Open and nothing else is left.
    bool Commit(bool bSync = false);
    // Drops what was written. Doing nothing when not open.
    void Discard();
    // Why the last Open, Write or Commit failed, in words fit for the user; empty after success.
    const std::string& Error() const { return m_strError; }

  private:
    // Finds the file that the new one replaces: m_strTarget, and m_fdTarget with m_old when a
    // regular file is to be replaced.
    bool FindTarget(const std::string& strPath, LinkRule rule);
    // The file found by Open, opened for writing; -1 with errno when it cannot be.
    int ReopenForWriting() const;
    // Puts the finished temporary file in place; an error number, 0 on success.
    int PutInPlace(bool bSync);
    // Keeps strWhy as the reason; always false.
    bool Fail(const std::string& strWhy);

    std::FILE* m_pFile = nullptr; // the temporary file, or the memory that gathers the content
    LinkRule m_rule = LinkRule::REPLACE_LINK;
    std::string m_strTarget;   // the name the new content goes to, no link at its end
    int m_fdTarget = -1;       // the regular file there, as opened at Open; -1 for none
    FileIdentity m_old;        // that file's identity and attributes
    bool m_bCreated = false;   // Open made that file, where a link pointed to none
    std::string m_strTemp;     // the new file; empty when the content gathers in memory
    char* m_pMemory = nullptr; // the content gathered in memory for a write in place
    std::size_t m_nMemory = 0;
    bool m_bFailed = false; // a write failed since Open
    std::string m_strError; // why the last step failed
};
