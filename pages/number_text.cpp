#include "pages/number_text.h"

#include <charconv>
#include <climits>
#include <cstdint>

namespace
{

// Skips the blanks that atoi and atof skip and one sign; returns whether it was a minus.
bool SkipBlanksAndSign(const char*& p, const char* pEnd)
{
    while (p != pEnd && (*p == ' ' || (*p >= '\t' && *p <= '\r')))
        ++p;
    if (p != pEnd && (*p == '+' || *p == '-'))
        return *p++ == '-';
    return false;
}

} // namespace

int TextToInt(std::string_view strText)
{
    const char* p = strText.data();
    const char* pEnd = p + strText.size();
    const bool bNegative = SkipBlanksAndSign(p, pEnd);
    int64_t nValue = 0;
    for (; p != pEnd && *p >= '0' && *p <= '9'; ++p)
    {
        nValue = nValue * 10 + (*p - '0');
        if (nValue > int64_t(INT_MAX) + 1)
            nValue = int64_t(INT_MAX) + 1; // saturate; keeps reading the digits
    }
    if (bNegative)
        return static_cast<int>(-nValue);
    return nValue > INT_MAX ? INT_MAX : static_cast<int>(nValue);
}

double TextToDouble(std::string_view strText)
{
    const char* p = strText.data();
    const char* pEnd = p + strText.size();
    const bool bNegative = SkipBlanksAndSign(p, pEnd);
    double dValue = 0.0;
    // A second sign after the first is no number, as for atof; from_chars would take it.
    if (p != pEnd && *p != '+' && *p != '-')
        std::from_chars(p, pEnd, dValue, std::chars_format::general);
    return bNegative ? -dValue : dValue;
}
