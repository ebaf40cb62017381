#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// Writes a file whole, so that nothing is lost and nothing else is touched. The bytes go to a new
// file of a name no other file has, made beside the file to replace and never through a link; it
// takes that file's place only once every byte is written and it is closed, so a full disk or a
// failed save leaves the old file as it was. A path that is a symbolic link writes the file the
// link points to, and the link stays. The new file keeps the old one's permission bits (and owner,
// where the process may give it).
//
// A file the user may not write (read-only, or refused by its permissions) is left alone, with one
// line on standard error; so is anything that is not a regular file. Where the user may not add a
// file to the folder but may write the file itself, it is written in place, as the only way left.
//
// What was written and not committed is dropped when the object goes.
class FileWriter
{
  public:
    FileWriter() = default;
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;
    ~FileWriter() { Discard(); }

    // Starts writing strPath, dropping what this object held; false when it cannot be written.
    bool Open(const std::string& strPath);
    bool IsOpen() const { return m_pFile != nullptr; }
    // Appends nBytes from pData; false when not open or not everything was written.
    bool Write(const void* pData, std::size_t nBytes);
    // The open file as a stream, for encoders that write one themselves; null when not open.
    std::FILE* Stream() const { return m_pFile; }
    // Flushes and closes the file, down to the disk itself when bSync, and puts it in place. False
    // when any write or any of these steps failed: then the file asked for is as it was before
    // Open (unless it was being written in place) and nothing else is left.
    bool Commit(bool bSync = false);
    // Drops what was written. Doing nothing when not open.
    void Discard();
    // Why the last Open, Write or Commit failed, in words fit for the user; empty after success.
    const std::string& Error() const { return m_strError; }

  private:
    // Keeps pszWhy as the reason; always false.
    bool Fail(const char* pszWhy);

    std::FILE* m_pFile = nullptr;
    std::string m_strTarget; // the file to replace, links resolved
    std::string m_strTemp;   // the new file; empty when writing the target in place
    bool m_bFailed = false;  // a write failed since Open
    std::string m_strError;  // why the last step failed
};
