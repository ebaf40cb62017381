#include "platform/sys/clocks.h"

#include <gtest/gtest.h>

namespace
{
TEST(Clocks, UtcFieldsAreInRangeAndTheCounterIsMonotonic)
{
    const UtcTime t = GetUtcTime(); // the year itself, not years since 1900; months from 1
    EXPECT_TRUE(t.nYear >= 2020 && t.nMonth >= 1 && t.nMonth <= 12 && t.nDay >= 1 && t.nDay <= 31 &&
                t.nHour <= 23 && t.nMinute <= 59 && t.nSecond <= 60 && t.nMilliseconds <= 999);
    const auto nFirst = GetCounterTicks();
    EXPECT_TRUE(GetCounterFrequency() >= 1000 && GetCounterTicks() >= nFirst);
}
} // namespace
