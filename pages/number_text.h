#pragma once

#include <string_view>

// Numbers typed into edit boxes, read the way the runtime's atoi and atof read them: leading
// blanks, an optional sign, then as many characters as form a number; the rest is ignored and a
// text without a number reads as 0. Unlike atoi and atof they ignore the process locale (the
// toolkit sets it from the environment, which would make "1841.62" read as 1841 in some locales)
// and an integer beyond the int range reads as the nearest int instead of being undefined.
int TextToInt(std::string_view strText);
double TextToDouble(std::string_view strText);
