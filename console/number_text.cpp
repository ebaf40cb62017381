#include "console/number_text.h"

#include <charconv>
#include <cmath>

double TextToDouble(std::string_view strText)
{
    std::size_t nBegin = strText.find_first_not_of(" \t\n\v\f\r");
    if (nBegin == std::string_view::npos)
        return 0.0;
    // from_chars takes a minus sign but no plus sign.
    if (strText[nBegin] == '+')
        ++nBegin;
    double dValue = 0.0;
    const auto [pEnd, ec] = std::from_chars(strText.data() + nBegin, strText.data() + strText.size(), dValue);
    if (ec == std::errc::result_out_of_range)
    {
        // Too small in magnitude reads as 0, too large as infinity, as the C library reads it.
        const std::string_view strNumber = strText.substr(nBegin, pEnd - (strText.data() + nBegin));
        const std::size_t nExp = strNumber.find_first_of("eE");
        if (nExp != std::string_view::npos && nExp + 1 < strNumber.size() && strNumber[nExp + 1] == '-')
            return 0.0;
        return strNumber.front() == '-' ? -HUGE_VAL : HUGE_VAL;
    }
    return ec == std::errc() ? dValue : 0.0;
}

std::string FormatFixed2(double dValue)
{
    char sz[400]; // room for the largest double with two decimals
    const auto [pEnd, ec] = std::to_chars(sz, sz + sizeof sz, dValue, std::chars_format::fixed, 2);
    return ec == std::errc() ? std::string(sz, pEnd) : std::string();
}
