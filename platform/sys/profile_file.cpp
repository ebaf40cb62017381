#include "platform/sys/profile_file.h"

#include "platform/sys/file_writer.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <optional>
#include <vector>

namespace
{

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

enum class LineKind
{
    OTHER,
    SECTION,
    KEY
};

// One line of the file: its text without the line break, where it ends including the break, and
// what it holds.
struct Line
{
    std::size_t nBegin = 0;
    std::size_t nEnd = 0;  // end of the text, before "\r\n" or "\n"
    std::size_t nNext = 0; // start of the next line
    LineKind kind = LineKind::OTHER;
    std::string_view strName;
    std::string_view strValue;
};

Line ParseLine(std::string_view strText, std::size_t nBegin)
{
    Line line;
    line.nBegin = nBegin;
    const std::size_t nBreak = strText.find('\n', nBegin);
    line.nNext = nBreak == std::string_view::npos ? strText.size() : nBreak + 1;
    line.nEnd = nBreak == std::string_view::npos ? strText.size() : nBreak;
    if (line.nEnd > nBegin && strText[line.nEnd - 1] == '\r')
        --line.nEnd;

    const std::string_view s = Trim(strText.substr(nBegin, line.nEnd - nBegin));
    if (s.empty() || s.front() == ';')
        return line;
    if (s.front() == '[')
    {
        const std::size_t nClose = s.find(']');
        if (nClose != std::string_view::npos)
        {
            line.kind = LineKind::SECTION;
            line.strName = Trim(s.substr(1, nClose - 1));
        }
        return line;
    }
    const std::size_t nEquals = s.find('=');
    if (nEquals == std::string_view::npos || nEquals == 0)
        return line;
    line.kind = LineKind::KEY;
    line.strName = Trim(s.substr(0, nEquals));
    line.strValue = Trim(s.substr(nEquals + 1));
    return line;
}

std::vector<Line> SplitLines(std::string_view strText)
{
    std::vector<Line> lines;
    std::size_t nPos = 0;
    // A byte-order mark some editors put first is not part of the first line's text.
    if (strText.substr(0, 3) == "\xEF\xBB\xBF")
        nPos = 3;
    while (nPos < strText.size())
    {
        lines.push_back(ParseLine(strText, nPos));
        nPos = lines.back().nNext;
    }
    return lines;
}

// Where a key is, or would go, in the lines of a file.
struct KeyPlace
{
    std::optional<std::size_t> nSection; // the section's header line
    std::size_t nLastInSection = 0;      // its header or its last key line
    std::optional<std::size_t> nKey;     // the key's line
};

KeyPlace FindKey(const std::vector<Line>& lines, std::string_view strSection, std::string_view strKey)
{
    KeyPlace place;
    for (std::size_t i = 0; i < lines.size(); ++i)
    {
        const Line& line = lines[i];
        if (line.kind == LineKind::SECTION)
        {
            if (place.nSection)
                break; // end of the first matching section
            if (SameName(line.strName, strSection))
            {
                place.nSection = i;
                place.nLastInSection = i;
            }
        }
        else if (line.kind == LineKind::KEY && place.nSection)
        {
            place.nLastInSection = i;
            if (SameName(line.strName, strKey))
            {
                place.nKey = i;
                break;
            }
        }
    }
    return place;
}

enum class ReadResult
{
    READ,
    MISSING,
    FAILED
};

ReadResult ReadWholeFile(const std::string& strPath, std::string& strText)
{
    strText.clear();
    std::FILE* pFile = std::fopen(strPath.c_str(), "rb");
    if (pFile == nullptr)
        return errno == ENOENT ? ReadResult::MISSING : ReadResult::FAILED;
    char buffer[4096];
    std::size_t nRead;
    while ((nRead = std::fread(buffer, 1, sizeof buffer, pFile)) > 0)
        strText.append(buffer, nRead);
    const bool bFailed = std::ferror(pFile) != 0;
    std::fclose(pFile);
    return bFailed ? ReadResult::FAILED : ReadResult::READ;
}

// The value stored for the key, if the file has the key.
std::optional<std::string> FindValue(const std::string& strPath, std::string_view strSection,
                                     std::string_view strKey)
{
    std::string strText;
    if (ReadWholeFile(strPath, strText) != ReadResult::READ)
        return std::nullopt;
    const std::vector<Line> lines = SplitLines(strText);
    const KeyPlace place = FindKey(lines, Trim(strSection), Trim(strKey));
    if (!place.nKey)
        return std::nullopt;
    return std::string(lines[*place.nKey].strValue);
}

// The longest prefix of at most nMax bytes that does not end inside a UTF-8 sequence.
std::string_view CutUtf8(std::string_view s, std::size_t nMax)
{
    if (s.size() <= nMax)
        return s;
    std::size_t nCut = nMax;
    // Step back over continuation bytes to the lead byte of the character that was cut.
    while (nCut > 0 && (static_cast<unsigned char>(s[nCut]) & 0xC0) == 0x80)
        --nCut;
    return s.substr(0, nCut);
}

int ParseLeadingInt(std::string_view s)
{
    std::size_t i = 0;
    bool bNegative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        bNegative = s[i++] == '-';
    long long nValue = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
    {
        nValue = nValue * 10 + (s[i] - '0');
        if (nValue > static_cast<long long>(INT_MAX) + 1)
            nValue = static_cast<long long>(INT_MAX) + 1; // saturate; no overflow however long
    }
    if (bNegative)
        return static_cast<int>(-nValue);
    return nValue > INT_MAX ? INT_MAX : static_cast<int>(nValue);
}

bool IsStorableName(std::string_view s, char cForbidden)
{
    return !s.empty() && s.find_first_of("\r\n") == std::string_view::npos &&
           s.find(cForbidden) == std::string_view::npos;
}

} // namespace

int ProfileFile::GetInt(std::string_view strSection, std::string_view strKey, int nDefault) const
{
    const std::optional<std::string> value = FindValue(m_strPath, strSection, strKey);
    if (!value || value->empty())
        return nDefault;
    return ParseLeadingInt(*value);
}

std::string ProfileFile::GetText(std::string_view strSection, std::string_view strKey,
                                 std::string_view strDefault) const
{
    const std::optional<std::string> value = FindValue(m_strPath, strSection, strKey);
    return std::string(CutUtf8(value ? std::string_view(*value) : strDefault, MAX_TEXT));
}

bool ProfileFile::WriteText(std::string_view strSection, std::string_view strKey,
                            std::string_view strText) const
{
    strSection = Trim(strSection);
    strKey = Trim(strKey);
    if (!IsStorableName(strSection, ']') || !IsStorableName(strKey, '=') ||
        strText.find_first_of("\r\n") != std::string_view::npos)
        return false;

    std::string strFile;
    if (ReadWholeFile(m_strPath, strFile) == ReadResult::FAILED)
        return false; // never replace a file we could not read

    // New lines follow the file's own line breaks.
    const std::size_t nFirstBreak = strFile.find('\n');
    const char* pszBreak =
        (nFirstBreak != std::string::npos && nFirstBreak > 0 && strFile[nFirstBreak - 1] == '\r') ? "\r\n"
                                                                                                  : "\n";

    const std::vector<Line> lines = SplitLines(strFile);
    const KeyPlace place = FindKey(lines, strSection, strKey);
    if (place.nKey)
    {
        const Line& line = lines[*place.nKey];
        const std::string strLine = std::string(line.strName) + "=" + std::string(strText);
        strFile.replace(line.nBegin, line.nEnd - line.nBegin, strLine);
    }
    else if (place.nSection)
    {
        const Line& after = lines[place.nLastInSection];
        std::string strInsert;
        if (after.nNext == after.nEnd) // the file's last line, without a break
            strInsert = pszBreak;
        strInsert += std::string(strKey) + "=" + std::string(strText) + pszBreak;
        strFile.insert(after.nNext, strInsert);
    }
    else
    {
        if (!strFile.empty() && strFile.back() != '\n')
            strFile += pszBreak;
        strFile += "[" + std::string(strSection) + "]" + pszBreak + std::string(strKey) + "=" +
                   std::string(strText) + pszBreak;
    }

    // Complete under another name, then put in place: a full disk or a failed write leaves the
    // file as it was instead of cut short, with every setting it held.
    const std::string strTemp = m_strPath + ".tmp";
    FileWriter writer;
    if (!writer.Open(strTemp))
        return false;
    const bool bWritten = writer.Write(strFile.data(), strFile.size());
    if (writer.Close() && bWritten && std::rename(strTemp.c_str(), m_strPath.c_str()) == 0)
        return true;
    std::remove(strTemp.c_str());
    return false;
}
