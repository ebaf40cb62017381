// The live viewer fed by simulated cameras: the scene reads upright and unmirrored, and streaming
// into an open viewer (run in the thread-sanitizer build too) shows and saves whole frames only.

#include "tests/display/viewer_fixture.h"

#include "camera/camera_device.h"
#include "camera/sample_grabber_cb.h"
#include "platform/capture/capture_system.h"
#include "platform/capture/sim/sim_camera.h"
#include "platform/capture/sim/sim_capture_system.h"
#include "platform/capture/sim/sim_scene.h"

#include <chrono>
#include <mutex>

using namespace viewer_test;

namespace
{
constexpr int W = 1284;
constexpr int FULL = 960;

// The colour a viewer's GRBG phase gives buffer row r, column c: 0 red, 1 green, 2 blue.
int PhaseChannel(int r, int c)
{
    static const int s_grbg[2][2] = {{1, 0}, {2, 1}};
    return s_grbg[r & 1][c & 1];
}

int Brightness(ColorRef c)
{
    return ((c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF)) / 3;
}

} // namespace

TEST_F(ViewerTest, SimulatedSceneReadsUprightAndUnmirrored)
{
    Open(FULL, 640);
    // Bright pixels of client row y between columns x0 and x1.
    const auto BrightCount = [&](int y, int x0, int x1)
    {
        int n = 0;
        for (int x = x0; x < x1; ++x)
            n += Brightness(Pixel(x, y)) > 100;
        return n;
    };
    for (const bool bColor : {false, true})
    {
        SCOPED_TRACE(bColor ? "colour" : "mono");
        // A full frame from line 0, so that picture column c shows scene row c, stored as the
        // frame callback stores it.
        SimCameraConfig config;
        config.bColor = bColor;
        const SimFrameSettings settings = SimCamera(config, 0).CurrentSettings();
        std::vector<uint8_t> sample(static_cast<size_t>(W) * FULL * 2);
        SimCamera::RenderFrame(settings, bColor, 0, sample.data());
        {
            std::lock_guard<std::mutex> lock(LiveFrameLock());
            SampleGrabberCB::RotateFrame(sample.data(), W, FULL, m_raw.data());
        }
        m_viewer.m_nSourceMode = bColor ? VIEW_SRC_BAYER : VIEW_SRC_RAW8;
        m_viewer.m_bConverted = 0;
        Repaint();

        // At a glance: the arrow left of the text band has its tip at the top, its head below it
        // and then its shaft; the text starts at the left, leaving the band's right end dark.
        const int nTip = BrightCount(292, 0, 120), nHead = BrightCount(360, 0, 120);
        const int nShaft = BrightCount(450, 0, 120);
        EXPECT_TRUE(nTip >= 1 && nTip <= 16 && nHead > 60 && nShaft >= 20 && nShaft <= 32)
            << nTip << " " << nHead << " " << nShaft;
        EXPECT_GT(BrightCount(302, 128, 400), 20);
        EXPECT_EQ(BrightCount(302, 900, FULL), 0);

        // Pixel for pixel: scene pixel u of row v at client (v, u). A demosaiced pixel keeps the
        // sample of its own filter colour; its edges (client row 0, columns 0 and 959) are black.
        int nWrong = 0;
        for (int y = bColor ? 1 : 0; y < 640; ++y)
            for (int x = bColor ? 1 : 0; x < (bColor ? FULL - 1 : FULL); ++x)
            {
                const uint8_t* pScene =
                    SimScene::Instance().Row(static_cast<uint64_t>(x)) + y * SimScene::CHANNELS;
                const int ch = bColor ? PhaseChannel(W - 1 - y, x) : 3;
                const int nShown = bColor ? (Pixel(x, y) >> (8 * ch)) & 0xFF : Brightness(Pixel(x, y));
                nWrong += nShown != settings.aLut[ch][pScene[ch]];
            }
        EXPECT_EQ(nWrong, 0);
    }
}

namespace
{
// A simulated camera streaming into the open live viewer, as the console wires them: the frame
// handler marks the picture stale and wakes the drawing thread.
class StreamingTest : public ViewerTest
{
  protected:
    static void FrameHandler(void* pArg)
    {
        auto* pTest = static_cast<StreamingTest*>(pArg);
        pTest->m_viewer.m_bConverted = 0;
        pTest->m_viewer.SignalDraw();
        ++pTest->m_nFrames;
    }

    // Whether a copy of a full frame is one whole frame of the camera: the frame from some line
    // counter (a multiple of 96 line periods, taken modulo the scene's length) in every sample.
    static bool WholeFrame(const std::vector<uint8_t>& copy, const SimFrameSettings& settings, bool bColor)
    {
        for (uint64_t nLine = 0; nLine < SimScene::ROWS * 3; nLine += 96)
        {
            bool bSame = true;
            for (int x = 0; x < W && bSame; ++x)
                for (int y = 0; y < FULL && bSame; ++y)
                    bSame = copy[static_cast<size_t>(W - 1 - x) * FULL + (FULL - 1 - y)] ==
                            SimCamera::SampleAt(settings, bColor, nLine, x, y);
            if (bSame)
                return true;
        }
        return false;
    }

    std::atomic<int> m_nFrames{0};
};
} // namespace

TEST_F(StreamingTest, StreamingIntoAnOpenViewerShowsAndSavesWholeFrames)
{
    // Camera kind and frame height; the line-scan frames come hundreds a second.
    const struct
    {
        bool bColor;
        int nHeight;
    } CASES[] = {{false, FULL}, {true, FULL}, {true, 4}};
    for (const auto& c : CASES)
    {
        SCOPED_TRACE(::testing::Message() << (c.bColor ? "colour " : "mono ") << c.nHeight);
        SimCameraConfig config;
        config.bColor = c.bColor;
        const auto pSim = std::make_shared<SimCaptureSystem>(std::vector<SimCameraConfig>{config});
        CaptureSystem::SetCurrent(pSim);
        CameraDevice camera;
        ASSERT_EQ(camera.Init(), 1);
        camera.WriteRegister16(0, REG_LINE_PERIOD, 1388);
        m_viewer.m_nSourceMode = c.bColor ? VIEW_SRC_BAYER : VIEW_SRC_RAW8;
        m_viewer.m_nWidth = c.nHeight == FULL ? FULL : 4;
        if (!m_viewer.IsWindow())
            Open(640, 480);
        m_nFrames = 0;
        const int nPasses = Surface().PublishedCount();
        ASSERT_EQ(camera.Open(0, W, c.nHeight, &StreamingTest::FrameHandler, this), CAMERA_OK);
        ASSERT_EQ(camera.Run(), CAMERA_OK);

        // Meanwhile, copies as Save Image takes them: the frame and the header under the lock.
        // However slow the machine, until enough frames were drawn and copied (or a long deadline).
        std::vector<std::vector<uint8_t>> copies;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while ((copies.size() < 10 || m_nFrames <= 5 || Surface().PublishedCount() <= nPasses + 5) &&
               std::chrono::steady_clock::now() < deadline)
        {
            UiApplication::PumpEvents(60);
            if (m_nFrames == 0)
                continue;
            std::lock_guard<std::mutex> lock(LiveFrameLock());
            BitmapInfo bmi;
            m_viewer.CopyDisplayHeader(&bmi);
            copies.emplace_back(m_raw.begin(), m_raw.begin() + W * FULL);
        }
        EXPECT_EQ(camera.Stop(), CAMERA_OK);
        const SimFrameSettings settings = pSim->Camera(0)->CurrentSettings();
        camera.Close();
        CaptureSystem::SetCurrent(nullptr);

        EXPECT_GT(m_nFrames, 5);
        EXPECT_GT(Surface().PublishedCount(), nPasses + 5);
        if (c.nHeight == FULL)
        {
            int nMixed = 0;
            for (const auto& copy : copies)
                nMixed += !WholeFrame(copy, settings, c.bColor);
            EXPECT_EQ(nMixed, 0);
        }
    }
}
