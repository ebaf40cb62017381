#pragma once

#include <cstdint>

// Calendar time in UTC, as the file names made from the time of saving need it.
struct UtcTime
{
    unsigned nYear;         // e.g. 2024
    unsigned nMonth;        // 1 to 12
    unsigned nDay;          // 1 to 31
    unsigned nHour;         // 0 to 23
    unsigned nMinute;       // 0 to 59
    unsigned nSecond;       // 0 to 60 (a leap second)
    unsigned nMilliseconds; // 0 to 999
};

UtcTime GetUtcTime();

// A monotonic counter for measuring intervals: ticks since an arbitrary start, and ticks per second.
std::int64_t GetCounterTicks();
std::int64_t GetCounterFrequency();
