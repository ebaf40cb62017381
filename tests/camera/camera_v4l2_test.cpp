// Camera access over the V4L2 backend: a camera another program holds, or that is unplugged.

#include "buffers/shared_buffers.h"
#include "camera/camera_device.h"
#include "platform/capture/filter_graph.h"
#include "platform/capture/v4l2/v4l2_capture_system.h"
#include "platform/capture/v4l2/v4l2_stream.h"
#include "platform/sys/auto_reset_event.h"
#include "tests/platform/capture/v4l2/fake_sysfs.h"
#include "tests/platform/capture/v4l2/fake_v4l2_io.h"

#include <gtest/gtest.h>
#include <linux/uvcvideo.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace
{
constexpr int WIDTH = 1284;
constexpr int HEIGHT = 2;

std::atomic<int> g_nFrames{0};
AutoResetEvent g_fifthFrame;

void CountFrame(void*)
{
    if (++g_nFrames == 5)
        g_fifthFrame.Set();
}

// A webcam on video0 whose node may not be opened, and the camera on video2 (metadata on video3),
// which another program left in another format.
TEST(CameraV4l2Test, ARefusedStartAndAnUnplugLeaveTheGraphStoppedAndTheProgramInControl)
{
    LogCapture log;
    FakeSysfs sysfs;
    FakeV4l2Io io;
    sysfs.AddWebcamAndCamera();
    const std::string strNode = sysfs.Root() + "dev/video2";
    io.m_openErrno[sysfs.Root() + "dev/video0"] = EACCES;
    io.m_deviceCaps[strNode] = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
    io.m_format.pixelformat = V4L2_PIX_FMT_MJPEG;
    io.m_nFrameSize = io.m_nBufferLength = WIDTH * HEIGHT * 2;
    CaptureSystem::SetCurrent(std::make_shared<V4l2CaptureSystem>(io, sysfs.Root()));
    std::vector<uint8_t> raw(size_t(WIDTH) * 964 * 2);
    g_pRawFrame = raw.data();
    CameraDevice camera;
    ASSERT_EQ(camera.Init(), 1);
    ASSERT_EQ(camera.Open(0, WIDTH, HEIGHT, CountFrame, nullptr), CAMERA_OK);
    const auto graphState = [&] { return camera.m_pGraph->State(); };
    const auto report = [&](const char* psz)
    { return std::vector<std::string>{"tarnwick: " + strNode + ": " + psz}; };
    EXPECT_TRUE(log.Take().empty()); // discovery opens only the camera's node
    EXPECT_EQ(io.m_format.pixelformat, V4L2_PIX_FMT_YUYV);
    EXPECT_EQ(std::pair(io.m_format.width, io.m_format.height), std::pair(uint32_t(WIDTH), uint32_t(HEIGHT)));
    // A request the driver refuses is a failed request.
    io.m_failures[UVCIOC_CTRL_QUERY] = {};
    EXPECT_EQ(camera.ReadRegister8(0, REG_GAIN_MODE), CAMERA_ERR_FAILED);
    io.m_failures.clear();

    V4l2Stream other(io); // another program streams from the camera
    const int fdOther = io.OpenCaptureNode(strNode);
    ASSERT_EQ(other.Start(fdOther, "other", 4, 0, [](const uint8_t*, size_t, double) {}), 0);
    EXPECT_EQ(camera.Run(), CAMERA_ERR_FAILED);
    EXPECT_EQ(graphState(), GRAPH_STATE_STOPPED);
    EXPECT_EQ(log.Take(), report("request buffers (VIDIOC_REQBUFS): Device or resource busy (another program "
                                 "is using the camera)"));
    // Once the other program has stopped, the same graph starts, with the most buffers for lines.
    other.Stop();
    io.Close(fdOther);
    ASSERT_EQ(camera.Run(), CAMERA_OK);
    EXPECT_EQ(graphState(), GRAPH_STATE_RUNNING);
    EXPECT_EQ(io.ReqbufsCounts().back(), 32u);

    // The frames come once Run has returned; the camera goes after the fifth.
    io.m_nUnplugAfter = 5;
    io.ProduceFrames(5);
    ASSERT_TRUE(g_fifthFrame.Wait(10000));
    // The graph reads stopped as soon as the streaming thread has ended on the unplug.
    for (int i = 0; i < 10000 && graphState() != GRAPH_STATE_STOPPED; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(graphState(), GRAPH_STATE_STOPPED);
    EXPECT_EQ(g_nFrames, 5);
    EXPECT_EQ(log.Take(), report("streaming ended: No such device (the camera was unplugged or reset)"));

    // Start fails and says why, Stop and Close complete.
    EXPECT_EQ(camera.Run(), CAMERA_ERR_FAILED);
    EXPECT_EQ(log.Take(),
              report("get format (VIDIOC_G_FMT): No such device (the camera was unplugged or reset)"));
    EXPECT_EQ(camera.Stop(), CAMERA_OK);
    EXPECT_EQ(camera.Close(), CAMERA_OK);
    EXPECT_EQ(io.OpenCount(), 0);
    EXPECT_EQ(io.MappedCount(), 0u);
    CaptureSystem::SetCurrent(nullptr);
    g_pRawFrame = nullptr;
}
} // namespace
