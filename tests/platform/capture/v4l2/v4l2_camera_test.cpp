#include "platform/capture/v4l2/v4l2_camera.h"
#include "platform/capture/v4l2/v4l2_discovery.h"
#include "tests/platform/capture/v4l2/fake_v4l2_io.h"
#include "tests/platform/capture/v4l2/uvc_test_descriptors.h"

#include <gtest/gtest.h>
#include <linux/uvcvideo.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

class V4l2CameraTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_usbDir = fs::temp_directory_path() / ("tarnwick_usb_" + std::to_string(::getpid()));
        fs::create_directories(m_usbDir);
        const std::vector<uint8_t> bytes = uvc_test::CameraDescriptors();
        std::ofstream(m_usbDir / "descriptors", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
        m_entry.nNode = 0;
        m_entry.strDevicePath = "/dev/video0";
        m_entry.strUsbDevicePath = m_usbDir.string();
        m_io.m_deviceCaps[m_entry.strDevicePath] = V4L2_CAP_VIDEO_CAPTURE;
        m_io.SetYuyvFormat(1284, 960);
    }
    void TearDown() override { fs::remove_all(m_usbDir); }

    fs::path m_usbDir;
    V4l2DeviceEntry m_entry;
    FakeV4l2Io m_io;
};

} // namespace

TEST_F(V4l2CameraTest, OpenFindsTheExtensionUnitAndCloseReleasesTheNode)
{
    V4l2Camera camera(m_io);
    ASSERT_EQ(camera.Open(m_entry), 0);
    EXPECT_EQ(m_io.OpenCount(), 1);

    std::vector<uint8_t> request(uvc_test::CAMERA_GUID);
    request.insert(request.end(), {2, 0, 0, 0, 0x02, 0, 0, 0x10, 2, 0, 0, 0, 0, 0, 0, 0});
    uint8_t nValue = 0x6C;
    EXPECT_EQ(camera.XuRequest(request.data(), request.size(), &nValue, 1), 0);
    ASSERT_EQ(m_io.XuQueries().size(), 1u);
    EXPECT_EQ(m_io.XuQueries()[0].nUnit, 3);

    camera.Close();
    EXPECT_EQ(m_io.OpenCount(), 0);
    EXPECT_LT(camera.XuRequest(request.data(), request.size(), &nValue, 1), 0);
    EXPECT_EQ(m_io.XuQueries().size(), 1u);

    // Without descriptors the node opens but has no extension unit to talk to.
    V4l2DeviceEntry noUsb = m_entry;
    noUsb.strUsbDevicePath.clear();
    ASSERT_EQ(camera.Open(noUsb), 0);
    EXPECT_EQ(camera.XuRequest(request.data(), request.size(), &nValue, 1), -ENOENT);

    V4l2DeviceEntry missing = m_entry;
    missing.strDevicePath = "/dev/video9";
    EXPECT_EQ(camera.Open(missing), -ENOENT);
    EXPECT_FALSE(camera.IsOpen());
    EXPECT_EQ(m_io.OpenCount(), 0);
}

TEST_F(V4l2CameraTest, FrameSizeChangesOnlyWidthAndHeightAndReportsTheDriversAnswer)
{
    V4l2Camera camera(m_io);
    V4l2FrameFormat format;
    EXPECT_EQ(camera.GetFormat(format), -EBADF);
    ASSERT_EQ(camera.Open(m_entry), 0);

    ASSERT_EQ(camera.SetFrameSize(1284, 4, format), 0);
    EXPECT_EQ(format.nWidth, 1284u);
    EXPECT_EQ(format.nHeight, 4u);
    EXPECT_EQ(format.nPixelFormat, V4L2_PIX_FMT_YUYV);
    EXPECT_EQ(format.nSizeImage, 1284u * 2 * 4);
    EXPECT_EQ(m_io.Requests(), (std::vector<unsigned long>{VIDIOC_G_FMT, VIDIOC_S_FMT}));

    ASSERT_EQ(camera.SetFrameSize(1284, 1000, format), 0);
    EXPECT_EQ(format.nHeight, 960u);

    V4l2FrameFormat current;
    ASSERT_EQ(camera.GetFormat(current), 0);
    EXPECT_EQ(current.nHeight, 960u);
    EXPECT_EQ(current.nPixelFormat, V4L2_PIX_FMT_YUYV);

    // A refused format leaves the caller's record as it was.
    m_io.m_nFailRequest = VIDIOC_S_FMT;
    m_io.m_nFailErrno = EBUSY;
    format = V4l2FrameFormat();
    EXPECT_EQ(camera.SetFrameSize(1284, 2, format), -EBUSY);
    EXPECT_EQ(format.nWidth, 0u);
}

TEST_F(V4l2CameraTest, CloseWhileStreamingStopsTheStreamFirst)
{
    V4l2Camera camera(m_io);
    ASSERT_EQ(camera.Open(m_entry), 0);
    ASSERT_EQ(camera.StartStreaming([](const uint8_t*, size_t, double) {}), 0);
    EXPECT_TRUE(camera.IsStreaming());
    camera.Close();
    EXPECT_FALSE(camera.IsStreaming());
    EXPECT_FALSE(m_io.StreamOn());
    EXPECT_EQ(m_io.MappedCount(), 0u);
    EXPECT_EQ(m_io.OpenCount(), 0);
    EXPECT_EQ(camera.StartStreaming([](const uint8_t*, size_t, double) {}), -EBADF);
}
