#include "platform/sys/clocks.h"

#include <chrono>
#include <ctime>

UtcTime GetUtcTime()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tmUtc{};
    gmtime_r(&t, &tmUtc);
    return UtcTime{static_cast<unsigned>(tmUtc.tm_year + 1900),   static_cast<unsigned>(tmUtc.tm_mon + 1),
                   static_cast<unsigned>(tmUtc.tm_mday),          static_cast<unsigned>(tmUtc.tm_hour),
                   static_cast<unsigned>(tmUtc.tm_min),           static_cast<unsigned>(tmUtc.tm_sec),
                   static_cast<unsigned>(ms < 0 ? ms + 1000 : ms)};
}

std::int64_t GetCounterTicks()
{
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

std::int64_t GetCounterFrequency()
{
    using Period = std::chrono::steady_clock::period;
    return Period::den / Period::num;
}
