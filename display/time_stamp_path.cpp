#include "display/time_stamp_path.h"

#include <chrono>
#include <cstdio>

namespace
{
constexpr std::chrono::hours NAME_CLOCK_OFFSET{9};
} // namespace

std::string TimeStampPath(const std::string& strFolder, const UtcTime& utc, const std::string& strExt)
{
    using namespace std::chrono;
    const sys_days day =
        year_month_day{year{static_cast<int>(utc.nYear)}, month{utc.nMonth}, std::chrono::day{utc.nDay}};
    const sys_seconds t =
        day + hours{utc.nHour} + minutes{utc.nMinute} + seconds{utc.nSecond} + NAME_CLOCK_OFFSET;
    const sys_days localDay = floor<days>(t);
    const year_month_day ymd{localDay};
    const hh_mm_ss<seconds> hms{t - localDay};
    char szName[32];
    std::snprintf(szName, sizeof szName, "%04d%02u%02u%02d%02d%02d", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<int>(hms.hours().count()), static_cast<int>(hms.minutes().count()),
                  static_cast<int>(hms.seconds().count()));
    return strFolder + "/" + szName + "." + strExt;
}
