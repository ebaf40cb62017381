// A V4L2 camera node: what opening it and pinning its format tell the operator when they fail,
// through the fake driver and a fake sysfs tree.

#include "platform/capture/v4l2/v4l2_camera.h"
#include "platform/capture/v4l2/v4l2_discovery.h"
#include "tests/platform/capture/v4l2/fake_sysfs.h"
#include "tests/platform/capture/v4l2/fake_v4l2_io.h"

#include <gtest/gtest.h>

namespace
{
// A webcam on video0 (whose node does not open here) and the camera on video2 with its
// descriptors and a metadata node video3.
class V4l2CameraTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        const std::filesystem::path camera = m_sysfs.AddWebcamAndCamera();
        m_entry = {2, m_sysfs.Root() + "dev/video2", "", camera.string()};
        m_io.m_deviceCaps[m_entry.strDevicePath] = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
        m_io.SetYuyvFormat(1284, 960);
    }

    LogCapture m_log;
    FakeSysfs m_sysfs;
    FakeV4l2Io m_io;
    V4l2DeviceEntry m_entry;
};
} // namespace

TEST_F(V4l2CameraTest, ANodeThatCannotBeOpenedForCaptureIsReportedAndLeftClosed)
{
    const std::string strNode = m_entry.strDevicePath;
    const struct
    {
        int nOpenErrno; // 0: the node opens
        uint32_t nCaps; // its device capabilities
        int nResult;
        const char* pszReport;
    } cases[] = {
        {EACCES, 0, -EACCES,
         ": open: Permission denied (no permission on the device node: see the README, \"Real cameras on "
         "Linux\")"},
        {ENOENT, 0, -ENOENT, ": open: No such file or directory"},
        {0, V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING, -ENODEV,
         ": not a video capture node with streaming (capabilities 0x04800000)"},
        {0, V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_READWRITE, -ENODEV, ": not a video capture node"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszReport);
        FakeV4l2Io io;
        if (c.nOpenErrno != 0)
            io.m_openErrno[strNode] = c.nOpenErrno;
        else
            io.m_deviceCaps[strNode] = c.nCaps;
        m_log.Clear();
        V4l2Camera camera(io);
        EXPECT_EQ(camera.Open(m_entry), c.nResult);
        EXPECT_FALSE(camera.IsOpen());
        EXPECT_EQ(io.OpenCount(), 0);
        EXPECT_EQ(m_log.Count({("tarnwick: " + strNode + c.pszReport).c_str()}), 1);
    }
}

TEST_F(V4l2CameraTest, TheFormatIsPinnedToYuyvOfExactlyTheSizeAskedForAndCloseStopsTheStream)
{
    const struct
    {
        uint32_t nHeight;
        uint32_t nOnlyPixelFormat;
        uint32_t nLinePadding;
        const char* pszChosen; // null: accepted
    } cases[] = {
        {4, 0, 0, nullptr},
        {960, 0, 0, nullptr},
        {1000, 0, 0, "YUYV 1284x960, 2568 bytes a line, 2465280 a frame"},
        {2, V4L2_PIX_FMT_MJPEG, 0, "MJPG 1284x2, 2568 bytes a line, 5136 a frame"},
        {2, 0, 8, "YUYV 1284x2, 2576 bytes a line, 5152 a frame"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.nHeight);
        m_io.m_nOnlyPixelFormat = c.nOnlyPixelFormat;
        m_io.m_nLinePadding = c.nLinePadding;
        // Another program left the camera in another format: it is asked for afresh every time.
        m_io.m_format.pixelformat = V4L2_PIX_FMT_MJPEG;
        m_log.Clear();
        V4l2Camera camera(m_io);
        ASSERT_EQ(camera.Open(m_entry), 0);
        V4l2FrameFormat format;
        EXPECT_EQ(camera.PinFormat(1284, c.nHeight, format), c.pszChosen ? -EINVAL : 0);
        if (c.pszChosen == nullptr)
            EXPECT_TRUE(m_log.Lines().empty());
        else
            EXPECT_EQ(m_log.Count({"set format (VIDIOC_S_FMT): asked for YUYV 1284x", "; the driver chose",
                                   c.pszChosen}),
                      1);
    }

    // A refused format leaves the caller's record as it was.
    V4l2Camera camera(m_io);
    V4l2FrameFormat format;
    EXPECT_EQ(camera.PinFormat(1284, 2, format), -EBADF);
    ASSERT_EQ(camera.Open(m_entry), 0);
    m_io.m_nFailRequest = VIDIOC_S_FMT;
    m_io.m_nFailErrno = EBUSY;
    EXPECT_EQ(camera.PinFormat(1284, 2, format), -EBUSY);
    EXPECT_EQ(format.nWidth, 0u);

    // Closing a streaming node stops the stream and lets go of its buffers and the node.
    ASSERT_EQ(camera.StartStreaming([](const uint8_t*, size_t, double) {}), 0);
    camera.Close();
    EXPECT_FALSE(m_io.StreamOn());
    EXPECT_EQ(m_io.MappedCount(), 0u);
    EXPECT_EQ(m_io.OpenCount(), 0);
}
