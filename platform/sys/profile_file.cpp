#include "platform/sys/profile_file.h"

#include "platform/sys/file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>

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

// Where a key is, or would go, in the lines of a file.
struct KeyPlace
{
    bool bSection = false; // the section is there
    Line lastInSection;    // its header or its last key line
    std::optional<Line> key;
};

// Goes through the lines one at a time, keeping none: lookups in a large file cost no memory and
// end with the first matching section.
KeyPlace FindKey(std::string_view strText, std::string_view strSection, std::string_view strKey)
{
    KeyPlace place;
    std::size_t nPos = 0;
    // A byte-order mark some editors put first is not part of the first line's text.
    if (strText.substr(0, 3) == "\xEF\xBB\xBF")
        nPos = 3;
    while (nPos < strText.size())
    {
        const Line line = ParseLine(strText, nPos);
        nPos = line.nNext;
        if (line.kind == LineKind::SECTION)
        {
            if (place.bSection)
                break; // end of the first matching section
            if (SameName(line.strName, strSection))
            {
                place.bSection = true;
                place.lastInSection = line;
            }
        }
        else if (line.kind == LineKind::KEY && place.bSection)
        {
            place.lastInSection = line;
            if (SameName(line.strName, strKey))
            {
                place.key = line;
                break;
            }
        }
    }
    return place;
}

constexpr const char* TOO_LARGE = "larger than 4 MiB, not a settings file";

// Why a file is not to be read, or null when it may be.
const char* RefusalOf(const struct stat& st)
{
    if (!S_ISREG(st.st_mode))
        return "not a regular file";
    if (static_cast<std::uintmax_t>(st.st_size) > ProfileFile::MAX_FILE_BYTES)
        return TOO_LARGE;
    return nullptr;
}

// Appends what fd holds until its end, or until more than nMax bytes are read; false on an error.
bool ReadUpTo(int fd, std::size_t nMax, std::string& strText)
{
    char buffer[65536];
    while (strText.size() <= nMax)
    {
        const ssize_t nRead = read(fd, buffer, sizeof buffer);
        if (nRead == 0)
            return true;
        if (nRead < 0 && errno != EINTR)
            return false;
        if (nRead > 0)
            strText.append(buffer, static_cast<std::size_t>(nRead));
    }
    return true;
}

// Keeps pszWhy as the reason a file is not used; always false.
bool Refuse(std::string& strWhy, const char* pszWhy)
{
    strWhy = pszWhy;
    return false;
}

// Reads the whole file: true with its bytes, or with none when it is missing; false, with the
// reason, when it is not to be used. What is not a regular file is never read, and opened only
// without waiting: a FIFO or a device could block or never end.
bool ReadWholeFile(const std::string& strPath, std::string& strText, std::string& strWhy)
{
    strText.clear();
    struct stat st = {};
    if (stat(strPath.c_str(), &st) != 0)
        return errno == ENOENT || Refuse(strWhy, std::strerror(errno));
    if (const char* pszRefusal = RefusalOf(st))
        return Refuse(strWhy, pszRefusal);
    const int fd = open(strPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || Refuse(strWhy, std::strerror(errno));
    // The name may have been given to something else since it was looked at.
    const char* pszRefusal = fstat(fd, &st) == 0 ? RefusalOf(st) : "cannot be examined";
    const bool bRead = pszRefusal == nullptr && ReadUpTo(fd, ProfileFile::MAX_FILE_BYTES, strText);
    const int nError = errno;
    close(fd);
    if (bRead && strText.size() > ProfileFile::MAX_FILE_BYTES)
        pszRefusal = TOO_LARGE; // grown since
    if (bRead && pszRefusal == nullptr)
        return true;
    strText.clear();
    return Refuse(strWhy, pszRefusal != nullptr ? pszRefusal : std::strerror(nError));
}

// The value stored for the key, if the text has the key.
std::optional<std::string_view> FindValue(std::string_view strText, std::string_view strSection,
                                          std::string_view strKey)
{
    const KeyPlace place = FindKey(strText, Trim(strSection), Trim(strKey));
    if (!place.key)
        return std::nullopt;
    return place.key->strValue;
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

ProfileFile::ProfileFile(std::string strPath) : m_strPath(std::move(strPath))
{
    m_bUsable = ReadWholeFile(m_strPath, m_strText, m_strError);
}

int ProfileFile::GetInt(std::string_view strSection, std::string_view strKey, int nDefault) const
{
    const std::optional<std::string_view> value = FindValue(m_strText, strSection, strKey);
    if (!value || value->empty())
        return nDefault;
    return ParseLeadingInt(*value);
}

std::string ProfileFile::GetText(std::string_view strSection, std::string_view strKey,
                                 std::string_view strDefault) const
{
    const std::optional<std::string_view> value = FindValue(m_strText, strSection, strKey);
    return std::string(CutUtf8(value ? *value : strDefault, MAX_TEXT));
}

bool ProfileFile::SetText(std::string_view strSection, std::string_view strKey, std::string_view strText)
{
    strSection = Trim(strSection);
    strKey = Trim(strKey);
    // A file that could not be read is never replaced.
    if (!m_bUsable || !IsStorableName(strSection, ']') || !IsStorableName(strKey, '=') ||
        strText.find_first_of("\r\n") != std::string_view::npos)
        return false;

    std::string& strFile = m_strText;
    // New lines follow the file's own line breaks.
    const std::size_t nFirstBreak = strFile.find('\n');
    const char* pszBreak =
        (nFirstBreak != std::string::npos && nFirstBreak > 0 && strFile[nFirstBreak - 1] == '\r') ? "\r\n"
                                                                                                  : "\n";

    const KeyPlace place = FindKey(strFile, strSection, strKey);
    if (place.key)
    {
        const Line& line = *place.key;
        const std::string strLine = std::string(line.strName) + "=" + std::string(strText);
        strFile.replace(line.nBegin, line.nEnd - line.nBegin, strLine);
    }
    else if (place.bSection)
    {
        const Line& after = place.lastInSection;
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
    return true;
}

bool ProfileFile::Save()
{
    if (!m_bUsable)
        return false;
    // Whole and on the disk before it takes the file's place: a full disk or a crash leaves the
    // file as it was, with every setting it held. A link to it was set up by the user, on purpose.
    FileWriter writer;
    const bool bSaved = writer.Open(m_strPath, FileWriter::Rule::UPDATE) &&
                        writer.Write(m_strText.data(), m_strText.size()) && writer.Commit(true);
    m_strError = writer.Error();
    return bSaved;
}
