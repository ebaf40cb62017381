#pragma once

#include "platform/sys/clocks.h"

#include <string>

// The path of a file named by the time of saving: strFolder, "/", the date and time as fourteen
// digits (year, month, day, hour, minute, second) and "." strExt. The clock is UTC plus 9 hours,
// whatever time zone the machine is set to, applied to the whole date and time (the date
// advances when the hour passes midnight).
std::string TimeStampPath(const std::string& strFolder, const UtcTime& utc, const std::string& strExt);
