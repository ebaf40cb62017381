#pragma once

#include <string>
#include <string_view>

// Numbers read from and shown in edit fields, independent of the user's locale (the toolkit sets
// the process locale from the environment, which would turn "12.5" into 12 or show "12,50").

// The leading decimal number of the text after any blanks (sign, digits, point, exponent, or
// "inf" / "nan"), 0 when the text does not begin with one; the rest of the text is ignored.
double TextToDouble(std::string_view strText);

// The value with two decimals ("%0.02f").
std::string FormatFixed2(double dValue);
