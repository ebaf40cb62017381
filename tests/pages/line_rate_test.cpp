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

    const struct
    {
        const char* szInput;
        double dRate;
        const char* szShown; // entry text in environment input (typed text stays as typed)
        int nCount, bClamped;
    } cases[] = {
        {"3620 mm 640 pix 75 km/h", RateFromEnvironment(3620, 640, 75), "1841.62", 1390, 0},
        {"speed 100", RateFromEnvironment(3620, 640, 100), "2455.49", 1388, 1}, // 1042 raised
        {"empty pixel entry", RateFromEnvironment(3620, 0, 75), "0.00", 1388, 1},
        {"size 0: infinite", RateFromEnvironment(0, 640, 75), "0.00", 1388, 1},
        {"size and pixels 0: no number", RateFromEnvironment(0, 0, 75), "0.00", 1388, 1},
        {"too slow for 16 bits", RateFromEnvironment(3620, 10, 1), "0.38", 65535, 1}, // not wrapped
        {"1000.00", TextToDouble("1000.00"), nullptr, 2560, 0},
        {"1844.6", TextToDouble("1844.6"), nullptr, 1388, 0},   // 1388.02: the shortest period itself
        {"1844.63", TextToDouble("1844.63"), nullptr, 1388, 1}, // 1387.99 truncated, raised
        {"empty", TextToDouble(""), nullptr, 1388, 1},
        {"-5", TextToDouble("-5"), nullptr, 1388, 1},
        {"nan", TextToDouble("nan"), nullptr, 1388, 1},
        {"39.07", TextToDouble("39.07"), nullptr, 65532, 0},
        {"39.06", TextToDouble("39.06"), nullptr, 65535, 1},
        {"0.001", TextToDouble("0.001"), nullptr, 65535, 1}, // past the signed 32-bit range as well
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.szInput);
        EXPECT_EQ(c.szShown ? FormatRate(c.dRate) : "", c.szShown ? c.szShown : "");
        const LinePeriod period = LinePeriodFromRate(c.dRate);
        EXPECT_EQ((std::pair{period.nCount, int(period.bClamped)}), (std::pair{c.nCount, c.bClamped}));
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
