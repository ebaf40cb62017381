#include "pages/line_rate.h"
#include "pages/number_text.h"
#include "pages/rec_frame_limit.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

TEST(LineRateTest, RateGivesCountAndText)
{
    // The defaults; operators compare this exact value.
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
        {" \r42abc", 42}, {"-7", -7}, {"+8", 8}, {"", 0}, {"x1", 0}, {"- 3", 0}, {"99999999999", INT_MAX}};
    for (const auto& [szText, nValue] : ints)
        EXPECT_EQ(TextToInt(szText), nValue) << szText;
    const std::pair<const char*, double> doubles[] = {
        {" \t1000.00 FPS", 1000.0}, {"-2.5", -2.5}, {".5", 0.5}, {"1e3", 1000.0}, {"+-1", 0.0}, {"1,5", 1.0}};
    for (const auto& [szText, dValue] : doubles)
        EXPECT_EQ(TextToDouble(szText), dValue) << szText;
    EXPECT_TRUE(std::isinf(TextToDouble("-inf")));
}

TEST(RecFrameLimitTest, LimitRangeSecondsShownAndImageWidth)
{
    // Mode, seconds or manual, rate, then the frame limit, the progress bar's maximum and the seconds
    // shown (-1: the field is left as it is).
    const std::tuple<int, int, const char*, const char*, unsigned, unsigned, int> cases[] = {
        {1, 0, "10", "1000.00", 32750, 1, -1}, // manual: the cap, a blinking bar
        {2, 0, "10", "1000.00", 16375, 1, -1},
        {1, 1, "10", "1000.00", 10000, 10000, -1},
        {2, 1, "59", "1000", 16375, 16375, 16}, // above the cap
        {1, 1, "0", "250.5", 250, 250, 1},      // raised to one second
        // Rates the camera cannot run count at the rate it does run: 1844.63 or 39.07 lines/s.
        {1, 1, "10", "0.00", 18446, 18446, -1},
        {1, 1, "10", "-5", 18446, 18446, -1},
        {1, 1, "3", "2000", 5533, 5533, -1},
        {2, 1, "59", "2000", 16375, 16375, 8},
        {1, 1, "3", "10", 117, 117, -1},
        {1, 1, "0", "10", 39, 39, 1},
    };
    for (const auto& [nMode, nRecControl, pSeconds, pRate, nLimit, nProgressMax, nSecondsShown] : cases)
    {
        const RecFrameLimit limit = ComputeRecFrameLimit(nMode, nRecControl, pSeconds, pRate);
        EXPECT_EQ((std::tuple{limit.nFrameLimit, limit.nProgressMax,
                              limit.bSecondsRewritten ? limit.nSeconds : -1}),
                  (std::tuple{nLimit, nProgressMax, nSecondsShown}))
            << "mode " << nMode << " control " << nRecControl << " " << pSeconds << " s at " << pRate;
    }
    // The image width from the frames stored: one frame is two lines, less than a group of four; the widths
    // stop at 65500.
    EXPECT_EQ((std::vector{RecImageWidth(0, 1), RecImageWidth(1, 1), RecImageWidth(5, 1), RecImageWidth(5, 2),
                           RecImageWidth(32750, 1), RecImageWidth(UINT_MAX, 2)}),
              (std::vector{0, 0, 8, 20, 65500, 65500}));
}
