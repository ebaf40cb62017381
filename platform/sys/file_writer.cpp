#include "platform/sys/file_writer.h"

bool FileWriter::Open(const std::string& strPath)
{
    Close();
    m_pFile = std::fopen(strPath.c_str(), "wb");
    m_bFailed = false;
    return m_pFile != nullptr;
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
        return false;
    }
    return true;
}

bool FileWriter::Close()
{
    if (m_pFile == nullptr)
        return true;
    const bool bClosed = std::fclose(m_pFile) == 0;
    m_pFile = nullptr;
    return bClosed && !m_bFailed;
}
