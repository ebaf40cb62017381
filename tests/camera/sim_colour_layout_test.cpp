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
enum
{
    RED,
    GREEN,
    BLUE
};
constexpr int BAYER_RGGB = 2;
constexpr int BAYER_GRBG = 3;

// The colour of image position (row, column) in a phase: even rows, then odd rows.
int PhaseColour(int nPhase, int nRow, int nCol)
{
    static const int s_grbg[2][2] = {{GREEN, RED}, {BLUE, GREEN}};
    static const int s_rggb[2][2] = {{RED, GREEN}, {GREEN, BLUE}};
    return (nPhase == BAYER_GRBG ? s_grbg : s_rggb)[nRow & 1][nCol & 1];
}

// The scene row that sensor row nRow sees in the frame starting at line counter nLine.
uint64_t SceneRow(uint64_t nLine, int nRow, int nDirection)
{
    uint64_t nBase = nLine + static_cast<uint64_t>(SENSOR_ROWS - 1 - nRow);
    return nDirection ? SimScene::ROWS - nBase % SimScene::ROWS : nBase;
}

std::shared_ptr<SimCamera> ColourCamera()
{
    SimCameraConfig config;
    config.bColor = true;
    return std::make_shared<SimCamera>(config, 0);
}

TEST(SimColourLayoutTest, LiveFrameMatchesPhaseGrbg)
{
    auto pCamera = ColourCamera();
    SimFrameSettings settings = pCamera->CurrentSettings();
    const uint64_t nLine = 5000;
    std::vector<uint8_t> sample(static_cast<size_t>(W) * SENSOR_ROWS * 2);
    SimCamera::RenderFrame(settings, true, nLine, sample.data());
    std::vector<uint8_t> raw(static_cast<size_t>(W) * SENSOR_ROWS);
    SampleGrabberCB::RotateFrame(sample.data(), W, SENSOR_ROWS, raw.data());

    int nMismatches = 0;
    for (int r = 0; r < W; ++r)
        for (int c = 0; c < SENSOR_ROWS; ++c)
        {
            int x = W - 1 - r;
            int y = SENSOR_ROWS - 1 - c;
            int ch = PhaseColour(BAYER_GRBG, r, c);
            uint8_t nScene = SimScene::Instance().Row(SceneRow(nLine, y, 0))[x * SimScene::CHANNELS + ch];
            nMismatches += raw[static_cast<size_t>(r) * SENSOR_ROWS + c] != nScene;
        }
    EXPECT_EQ(nMismatches, 0);
}

TEST(SimColourLayoutTest, LineScanRecordingMatchesThePhaseOfItsDirection)
{
    for (int nLines : {2, 4})
        for (int nDirection : {0, 1})
        {
            SCOPED_TRACE(testing::Message() << nLines << " lines, direction " << nDirection);
            auto pCamera = ColourCamera();
            pCamera->SetRegister(0x18, static_cast<uint8_t>(nDirection));
            VideoFormat format{W, nLines, 0, 16, 0, 0};
            ASSERT_TRUE(pCamera->ApplyFormat(format));
            SimFrameSettings settings = pCamera->CurrentSettings();

            // Record 40 frames as the frame handler does: line n * L + k, sample i = raw byte 4i + k.
            const int nFrames = 40;
            const int nWidth = nFrames * nLines;
            const uint64_t nLine0 = 777;
            std::vector<uint8_t> sample(static_cast<size_t>(W) * nLines * 2);
            std::vector<uint8_t> raw(static_cast<size_t>(W) * 4);
            std::vector<uint8_t> store(static_cast<size_t>(nWidth) * W);
            for (int n = 0; n < nFrames; ++n)
            {
                SimCamera::RenderFrame(settings, true, nLine0 + static_cast<uint64_t>(n) * nLines, sample.data());
                SampleGrabberCB::RotateFrame(sample.data(), W, nLines, raw.data());
                for (int k = 0; k < nLines; ++k)
                    for (int i = 0; i < W; ++i)
                        store[static_cast<size_t>(n * nLines + k) * W + i] = raw[4 * i + k];
            }
            // Compose: row j holds sample j of every line, line m in column m or W - 1 - m.
            std::vector<uint8_t> image(store.size());
            for (int m = 0; m < nWidth; ++m)
                for (int j = 0; j < W; ++j)
                    image[static_cast<size_t>(j) * nWidth + (nDirection ? nWidth - 1 - m : m)] =
                        store[static_cast<size_t>(m) * W + j];

            int nPhase = nDirection ? BAYER_RGGB : BAYER_GRBG;
            int nMismatches = 0;
            uint64_t nPrevRow = 0;
            for (int c = 0; c < nWidth; ++c)
            {
                int m = nDirection ? nWidth - 1 - c : c;
                int n = m / nLines;
                int y = nLines - 1 - m % nLines;
                uint64_t v = SceneRow(nLine0 + static_cast<uint64_t>(n) * nLines, settings.nFirstRow + y, nDirection);
                // The picture runs the same way in both directions: one scene row per column.
                if (c > 0)
                {
                    EXPECT_EQ(v % SimScene::ROWS, (nPrevRow + 1) % SimScene::ROWS);
                }
                nPrevRow = v;
                for (int j = 0; j < W; ++j)
                {
                    int x = W - 1 - j;
                    int ch = PhaseColour(nPhase, j, c);
                    nMismatches += image[static_cast<size_t>(j) * nWidth + c] !=
                                   SimScene::Instance().Row(v)[x * SimScene::CHANNELS + ch];
                }
            }
            EXPECT_EQ(nMismatches, 0);
        }
}
} // namespace
