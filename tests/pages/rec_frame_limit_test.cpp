#include "pages/rec_frame_limit.h"

#include <gtest/gtest.h>

#include <climits>

namespace
{
TEST(RecFrameLimitTest, LimitRangeAndSecondsShown)
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
}

TEST(RecFrameLimitTest, ImageWidthFromFramesStored)
{
    // One frame is two lines, less than a group of four; the widths stop at 65500.
    EXPECT_EQ((std::vector{RecImageWidth(0, 1), RecImageWidth(1, 1), RecImageWidth(5, 1), RecImageWidth(5, 2),
                           RecImageWidth(32750, 1), RecImageWidth(UINT_MAX, 2)}),
              (std::vector{0, 0, 8, 20, 65500, 65500}));
}
} // namespace
