// The simulated colour camera's filter layout, seen through the frame callback's transpose and
// the line-scan composition, matches the viewers' Bayer phases: every sample is the scene's
// value of the colour that the viewer's phase assigns to its place.

#include "camera/sample_grabber_cb.h"
#include "platform/capture/sim/sim_camera.h"
#include "platform/capture/sim/sim_scene.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
constexpr int W = 1284;
constexpr int SENSOR_ROWS = 960;

// The colour (red 0, green 1, blue 2) of image position (row, column): even rows, then odd rows.
int PhaseColour(bool bRggb, int nRow, int nCol)
{
    static const int s_grbg[2][2] = {{1, 0}, {2, 1}};
    static const int s_rggb[2][2] = {{0, 1}, {1, 2}};
    return (bRggb ? s_rggb : s_grbg)[nRow & 1][nCol & 1];
}

// The scene row that sensor row nRow sees in the frame starting at line counter nLine.
uint64_t SceneRow(uint64_t nLine, int nRow, int nDirection)
{
    uint64_t nBase = nLine + static_cast<uint64_t>(SENSOR_ROWS - 1 - nRow);
    return nDirection ? SimScene::ROWS - nBase % SimScene::ROWS : nBase;
}

// Frames recorded as the frame handler does (line n * L + k is raw byte k of each row) and composed
// as the line-scan composer does: row j holds sample j of every line, line m in column m, or
// W - 1 - m in direction 1. One full frame in direction 0 is the live frame as the viewer shows it.
TEST(SimColourLayoutTest, LiveFramesAndLineScanRecordingsMatchThePhaseOfTheirDirection)
{
    const struct
    {
        int nLines, nFrames, nDirection;
    } cases[] = {{SENSOR_ROWS, 1, 0}, {2, 40, 0}, {2, 40, 1}, {4, 40, 0}, {4, 40, 1}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.nLines << " lines, direction " << c.nDirection);
        SimCameraConfig config;
        config.bColor = true;
        SimCamera camera(config, 0);
        camera.SetRegister(0x18, static_cast<uint8_t>(c.nDirection));
        ASSERT_TRUE(camera.ApplyFormat(VideoFormat{W, c.nLines, 0, 16, 0, 0}));
        const SimFrameSettings settings = camera.CurrentSettings();

        const int nStride = SampleGrabberCB::RowStride(c.nLines);
        const int nWidth = c.nFrames * c.nLines;
        const uint64_t nLine0 = 777;
        std::vector<uint8_t> sample(size_t(W) * c.nLines * 2);
        std::vector<uint8_t> raw(size_t(W) * nStride);
        std::vector<uint8_t> image(size_t(nWidth) * W);
        for (int n = 0; n < c.nFrames; ++n)
        {
            SimCamera::RenderFrame(settings, true, nLine0 + uint64_t(n) * c.nLines, sample.data());
            SampleGrabberCB::RotateFrame(sample.data(), W, c.nLines, raw.data());
            for (int k = 0; k < c.nLines; ++k)
            {
                const int m = n * c.nLines + k;
                for (int j = 0; j < W; ++j)
                    image[size_t(j) * nWidth + (c.nDirection ? nWidth - 1 - m : m)] =
                        raw[size_t(j) * nStride + k];
            }
        }

        int nMismatches = 0;
        uint64_t nPrevRow = 0;
        for (int col = 0; col < nWidth; ++col)
        {
            const int m = c.nDirection ? nWidth - 1 - col : col;
            const int y = c.nLines - 1 - m % c.nLines;
            const uint64_t v =
                SceneRow(nLine0 + uint64_t(m / c.nLines) * c.nLines, settings.nFirstRow + y, c.nDirection);
            // The picture runs the same way in both directions: one scene row per column.
            if (col > 0)
            {
                EXPECT_EQ(v % SimScene::ROWS, (nPrevRow + 1) % SimScene::ROWS);
            }
            nPrevRow = v;
            for (int j = 0; j < W; ++j)
                nMismatches += image[size_t(j) * nWidth + col] !=
                               SimScene::Instance().Row(
                                   v)[(W - 1 - j) * SimScene::CHANNELS + PhaseColour(c.nDirection, j, col)];
        }
        EXPECT_EQ(nMismatches, 0);
    }
}
} // namespace
