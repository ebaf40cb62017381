// How fast it keeps up and how long a command waits are figures of bench/speed_figures, not checks here.

#include "tests/speed/full_speed_run.h"

#include <gtest/gtest.h>

namespace
{
TEST(FullSpeedTest, AFullRecordingAtFullSpeedIsStoredWholeAndTheDialogKeepsAnswering)
{
    FullSpeedOptions options;
#if defined(__SANITIZE_THREAD__)
    // ThreadSanitizer slows every memory access many times over: a rate its frame path keeps up with
    // (about 12,000 lines a second here), and every column of the image checked in fewer rows.
    options = {10000, 61};
#elif defined(__SANITIZE_ADDRESS__)
    options.nRowStep = 7;
#endif
    FullSpeedFigures f;
    std::string strError;
    ASSERT_TRUE(RunFullSpeed(options, f, strError)) << strError;
    // Every frame the camera offered while recording is stored, and the composed image holds each
    // one where it belongs, sample for sample.
    EXPECT_EQ(f.nFramesStored, 16375u);
    EXPECT_EQ(f.nFramesOffered, f.nFramesStored);
    EXPECT_EQ(f.nImageWidth, 65500);
    EXPECT_EQ(f.nMismatches, 0u);
    EXPECT_GT(f.nProbes, 0); // the dialog answered while recording
}
} // namespace
