// Camera access over the V4L2 backend and the fake driver: what an operator with a real camera
// meets when another program holds it or it is unplugged.

#include "buffers/shared_buffers.h"
#include "camera/camera_device.h"
#include "platform/capture/filter_graph.h"
#include "platform/capture/v4l2/v4l2_capture_system.h"
#include "platform/capture/v4l2/v4l2_stream.h"
#include "platform/sys/auto_reset_event.h"
#include "tests/platform/capture/v4l2/fake_sysfs.h"
#include "tests/platform/capture/v4l2/fake_v4l2_io.h"
#include "tests/platform/capture/v4l2/log_capture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace
{
constexpr int WIDTH = 1284;
constexpr int HEIGHT = 2;

struct FrameCount
{
    std::atomic<int> nFrames{0};
    int nExpected = 0;
    AutoResetEvent done;
};

void CountFrame(void* pArg)
{
    auto* pCount = static_cast<FrameCount*>(pArg);
    if (++pCount->nFrames == pCount->nExpected)
        pCount->done.Set();
}

// A webcam on video0 whose node would open, and the camera on video2 (metadata on video3), which
// another program left in another format.
class CameraV4l2Test : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_sysfs.AddWebcamAndCamera();
        m_strNode = m_sysfs.Root() + "dev/video2";
        for (const char* pszNode : {"dev/video0", "dev/video2"})
            m_io.m_deviceCaps[m_sysfs.Root() + pszNode] = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
        m_io.SetYuyvFormat(640, 480);
        m_io.m_format.pixelformat = V4L2_PIX_FMT_MJPEG;
        m_io.m_nFrameSize = m_io.m_nBufferLength = WIDTH * HEIGHT * 2;
        CaptureSystem::SetCurrent(std::make_shared<V4l2CaptureSystem>(m_io, m_sysfs.Root()));
        m_raw.assign(size_t(WIDTH) * 964 * 2, 0);
        g_pRawFrame = m_raw.data();
    }
    void TearDown() override
    {
        m_camera.Close();
        CaptureSystem::SetCurrent(nullptr);
        g_pRawFrame = nullptr;
    }

    void OpenCamera()
    {
        ASSERT_EQ(m_camera.Init(), 1);
        ASSERT_EQ(m_camera.Open(0, WIDTH, HEIGHT, CountFrame, &m_count), CAMERA_OK);
    }
    int GraphState() { return m_camera.m_pGraph->State(); }

    LogCapture m_log;
    FakeSysfs m_sysfs;
    FakeV4l2Io m_io;
    std::string m_strNode;
    std::vector<uint8_t> m_raw;
    FrameCount m_count;
    CameraDevice m_camera;
};

TEST_F(CameraV4l2Test, ARefusedStartAndAnUnplugLeaveTheGraphStoppedAndTheProgramInControl)
{
    OpenCamera();
    EXPECT_EQ(m_io.OpenedPaths(), std::vector<std::string>{m_strNode}); // discovery opens only the camera
    EXPECT_TRUE(m_log.Lines().empty());
    EXPECT_EQ(m_io.m_format.pixelformat, V4L2_PIX_FMT_YUYV);
    EXPECT_EQ(std::pair(m_io.m_format.width, m_io.m_format.height),
              std::pair(uint32_t(WIDTH), uint32_t(HEIGHT)));

    V4l2Stream other(m_io); // another program streams from the camera
    const int fdOther = m_io.OpenCaptureNode(m_strNode);
    ASSERT_EQ(other.Start(fdOther, "other", 4, 0, [](const uint8_t*, size_t, double) {}), 0);
    EXPECT_EQ(m_camera.Run(), CAMERA_ERR_FAILED);
    EXPECT_EQ(GraphState(), GRAPH_STATE_STOPPED);
    EXPECT_EQ(m_log.Count({"(another program is using the camera)"}), 1);
    // Once the other program has stopped, the same graph starts.
    other.Stop();
    m_io.Close(fdOther);
    ASSERT_EQ(m_camera.Run(), CAMERA_OK);
    EXPECT_EQ(GraphState(), GRAPH_STATE_RUNNING);

    // The frames come once Run has returned; the camera goes after the fifth.
    m_io.m_nUnplugAfter = 5;
    m_count.nExpected = 5;
    m_io.ProduceFrames(5);
    ASSERT_TRUE(m_count.done.Wait(10000));
    // The graph reads stopped as soon as the streaming thread has ended on the unplug.
    for (int i = 0; i < 10000 && GraphState() != GRAPH_STATE_STOPPED; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(GraphState(), GRAPH_STATE_STOPPED);
    EXPECT_EQ(m_count.nFrames, 5);
    EXPECT_EQ(m_log.Count({"streaming ended: No such device (the camera was unplugged or reset)"}), 1);

    // Start fails and says why, Stop and Close complete.
    m_log.Clear();
    EXPECT_EQ(m_camera.Run(), CAMERA_ERR_FAILED);
    EXPECT_EQ(m_log.Count({"No such device"}), 1);
    EXPECT_EQ(m_camera.Stop(), CAMERA_OK);
    EXPECT_EQ(m_camera.Close(), CAMERA_OK);
    EXPECT_EQ(m_io.OpenCount(), 0);
    EXPECT_EQ(m_io.MappedCount(), 0u);
}
} // namespace
