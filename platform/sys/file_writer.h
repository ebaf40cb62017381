#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// Sequential binary output to a file that is created, or truncated when it exists. The file is
// closed when the object goes, so no path can leave it open.
class FileWriter
{
  public:
    FileWriter() = default;
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;
    ~FileWriter() { Close(); }

    // Opens strPath for writing, emptying it; closes a file this object already held first.
    bool Open(const std::string& strPath);
    bool IsOpen() const { return m_pFile != nullptr; }
    // Appends nBytes from pData; false when not open or not everything was written.
    bool Write(const void* pData, std::size_t nBytes);
    // Flushes and closes; false when any buffered data could not be written (a full disk shows here
    // first). Closing a writer that is not open succeeds.
    bool Close();

  private:
    std::FILE* m_pFile = nullptr;
    bool m_bFailed = false; // a write failed since Open
};
