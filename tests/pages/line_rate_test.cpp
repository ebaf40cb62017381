#include "pages/line_rate.h"
#include "pages/number_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace
{
TEST(LineRateTest, RateGivesCountAndText)
{
    // The settings file's defaults: operators compare against this exact value.
    EXPECT_EQ(RateFromEnvironment(3620, 640, 75), 1841.6206261510129);

    // The rate, the text that shows it, the period and whether it was raised or lowered into range.
    const std::tuple<const char*, double, const char*, int, int> cases[] = {
        {"3620 mm 640 pix 75 km/h", RateFromEnvironment(3620, 640, 75), "1841.62", 1390, 0},
        {"speed 100", RateFromEnvironment(3620, 640, 100), "2455.49", 1388, 1}, // 1042 raised
        {"empty pixel entry", RateFromEnvironment(3620, 0, 75), "0.00", 1388, 1},
        {"size 0: infinite", RateFromEnvironment(0, 640, 75), "0.00", 1388, 1},
        {"size and pixels 0: no number", RateFromEnvironment(0, 0, 75), "0.00", 1388, 1},
        {"too slow for 16 bits", RateFromEnvironment(3620, 10, 1), "0.38", 65535, 1}, // not wrapped
        {"typed 1000.00", 1000.0, "1000.00", 2560, 0},
        {"typed 1844.6", 1844.6, "1844.60", 1388, 0},   // 1388.02: the shortest period itself
        {"typed 1844.63", 1844.63, "1844.63", 1388, 1}, // 1387.99 truncated, raised
        {"typed 39.07", 39.07, "39.07", 65532, 0},
        {"typed 39.06", 39.06, "39.06", 65535, 1},
        {"typed 0.001", 0.001, "0.00", 65535, 1}, // past the signed 32-bit range as well
    };
    for (const auto& [pName, dRate, pShown, nCount, bClamped] : cases)
    {
        const LinePeriod period = LinePeriodFromRate(dRate);
        EXPECT_EQ((std::tuple{FormatRate(dRate), period.nCount, int(period.bClamped)}),
                  (std::tuple{pShown, nCount, bClamped}))
            << pName;
    }
}

TEST(NumberTextTest, ReadsLeadingNumberLikeTheRuntime)
{
    const std::pair<const char*, int> ints[] = {
        {"  42abc", 42}, {"-7", -7}, {"+8", 8}, {"", 0}, {"x1", 0}, {"- 3", 0}, {"99999999999", INT_MAX}};
    for (const auto& [szText, nValue] : ints)
        EXPECT_EQ(TextToInt(szText), nValue) << szText;
    const std::pair<const char*, double> doubles[] = {
        {" \t1000.00 FPS", 1000.0}, {"-2.5", -2.5}, {".5", 0.5}, {"1e3", 1000.0}, {"+-1", 0.0}, {"1,5", 1.0}};
    for (const auto& [szText, dValue] : doubles)
        EXPECT_EQ(TextToDouble(szText), dValue) << szText;
    EXPECT_TRUE(std::isinf(TextToDouble("-inf")));
}
} // namespace
