#include "pages/rec_frame_limit.h"

#include <gtest/gtest.h>

#include <climits>

namespace
{

TEST(RecFrameLimitTest, LimitRangeAndSecondsShown)
{
    struct Case
    {
        int nMode, nRecControl;
        const char* szSeconds;
        const char* szRate;
        unsigned nLimit, nProgressMax;
        bool bRewritten;
        int nSeconds;
    };
    const Case cases[] = {
        {1, 0, "10", "1000.00", 32750, 1, false, 0}, // manual: the cap, a blinking bar
        {2, 0, "10", "1000.00", 16375, 1, false, 0},
        {1, 1, "10", "1000.00", 10000, 10000, false, 0},
        {2, 1, "59", "1000", 16375, 16375, true, 16},  // above the cap
        {1, 1, "0", "250.5", 250, 250, true, 1},       // raised to one second
        {1, 1, "10", "100000", 32750, 32750, true, 1}, // capped, then the raise stops at the cap
        {1, 1, "10", "0", 0, 0, false, 0},             // runs until stopped
        {1, 1, "", "abc", 0, 0, false, 0},
        {1, 1, "10", "-5", 0, 0, false, 0}, // no wrap to a huge count
        {1, 1, "10", "nan", 0, 0, false, 0},
        {1, 1, "10", "inf", 32750, 32750, true, 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "mode " << c.nMode << " control " << c.nRecControl << " "
                                        << c.szSeconds << " s at " << c.szRate);
        const RecFrameLimit limit = ComputeRecFrameLimit(c.nMode, c.nRecControl, c.szSeconds, c.szRate);
        EXPECT_EQ(limit.nFrameLimit, c.nLimit);
        EXPECT_EQ(limit.nProgressMax, c.nProgressMax);
        EXPECT_EQ(limit.bSecondsRewritten, c.bRewritten);
        if (c.bRewritten)
        {
            EXPECT_EQ(limit.nSeconds, c.nSeconds);
        }
    }
}

TEST(RecFrameLimitTest, ImageWidthFromFramesStored)
{
    struct Case
    {
        unsigned nFrames;
        int nMode;
        int nWidth;
    };
    const Case cases[] = {
        {0, 1, 0},         {1, 1, 0},         {5, 1, 8},         {5, 2, 20},
        {32750, 1, 65500}, {16375, 2, 65500}, {40000, 1, 65500}, {UINT_MAX, 2, 65500},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RecImageWidth(c.nFrames, c.nMode), c.nWidth) << c.nFrames << " frames, mode " << c.nMode;
}

} // namespace
