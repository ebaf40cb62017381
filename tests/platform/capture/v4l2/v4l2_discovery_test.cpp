// Finding the camera in sysfs and its USB descriptors; what a failed open or format tells the operator.

#include "platform/capture/v4l2/uvc_descriptors.h"
#include "platform/capture/v4l2/v4l2_camera.h"
#include "platform/capture/v4l2/v4l2_discovery.h"
#include "tests/platform/capture/v4l2/fake_sysfs.h"
#include "tests/platform/capture/v4l2/fake_v4l2_io.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

namespace fs = std::filesystem;
using namespace testing;

TEST(UvcDescriptors, TruncatedOrGarbledInputStopsAtTheLastWholeDescriptorWithoutTakingAnything)
{
    // The unit id that input gives the GUID.
    const auto find = [](const std::vector<uint8_t>& input, const std::vector<uint8_t>& guid)
    {
        UvcDescriptors::Guid g{};
        std::copy(guid.begin(), guid.end(), g.begin());
        return UvcDescriptors::Parse(input.data(), input.size()).FindExtensionUnit(g);
    };
    // Cut at every length: nothing is read past the cut, and the unit counts only when whole.
    const std::vector<uint8_t> bytes = uvc_test::CameraDescriptors();
    const std::vector<uint8_t> unit = uvc_test::ExtensionUnit(3, uvc_test::CAMERA_GUID);
    const size_t nUnitStart =
        size_t(std::search(bytes.begin(), bytes.end(), unit.begin(), unit.end()) - bytes.begin());
    const size_t nUnitEnd = nUnitStart + unit.size();
    for (size_t nLength = 0; nLength < bytes.size(); nLength++)
        EXPECT_EQ(find({bytes.begin(), bytes.begin() + long(nLength)}, uvc_test::CAMERA_GUID),
                  nLength >= nUnitEnd ? 3 : -1)
            << "length " << nLength;

    // A zero or one-byte length before the unit ends parsing there.
    for (uint8_t nBadLength : {0, 1})
    {
        std::vector<uint8_t> broken = bytes;
        broken.insert(broken.begin() + long(nUnitStart), {nBadLength, 0x24});
        EXPECT_EQ(find(broken, uvc_test::CAMERA_GUID), -1);
        EXPECT_EQ(find(broken, uvc_test::OTHER_GUID), 4);
    }

    // A unit too short to hold its fields is skipped, and so is one outside a VideoControl interface
    // (the format descriptor holding the same bytes).
    std::vector<uint8_t> shortUnit = bytes;
    shortUnit[nUnitStart] = 20;
    shortUnit.erase(shortUnit.begin() + long(nUnitStart + 20), shortUnit.begin() + long(nUnitEnd));
    EXPECT_EQ(UvcDescriptors::Parse(shortUnit.data(), shortUnit.size()).ExtensionUnits().size(), 1u);
    EXPECT_TRUE(UvcDescriptors::Parse(unit.data(), unit.size()).ExtensionUnits().empty());
}

TEST(V4l2Discovery, ListsCaptureNodesInNodeOrderWithWindowsStyleNamesAndNoneWithoutAVideoClass)
{
    FakeSysfs sysfs; // no node is opened: capture nodes are told by their index
    const fs::path webcam = sysfs.AddUsbDevice("1", "046d", "0825");
    sysfs.AddNode(webcam, 0, 0);
    sysfs.AddNode(webcam, 1, 1);
    const fs::path camera = sysfs.AddUsbDevice("2", "04B4", "6E51"); // capitals in the file
    sysfs.AddNode(camera, 10, 0);
    sysfs.AddNode(camera, 11, 1);
    sysfs.AddNode(sysfs.AddUsbDevice("3", "", "6e52"), 2, 0); // no vendor id
    sysfs.AddNode({}, 3, -1);                                 // no parent device, no index file

    std::vector<V4l2DeviceEntry> entries = V4l2Discovery(sysfs.Root()).List();
    // Node, and whether it has a USB name and device.
    std::vector<std::tuple<int, bool, bool>> found;
    for (const V4l2DeviceEntry& e : entries)
        found.emplace_back(e.nNode, e.strDisplayName.find("vid_") != std::string::npos,
                           !e.strUsbDevicePath.empty());
    EXPECT_EQ(found,
              (decltype(found){{0, true, true}, {2, false, false}, {3, false, false}, {10, true, true}}));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].strDevicePath, sysfs.Root() + "dev/video0");
    EXPECT_EQ(fs::canonical(entries[0].strUsbDevicePath), fs::canonical(webcam));
    EXPECT_EQ(entries[3].strDisplayName, "@device:pnp:\\\\?\\usb#vid_04b4&pid_6e51&mi_00#1-2#"
                                         "{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global");
    EXPECT_EQ(fs::canonical(entries[3].strUsbDevicePath), fs::canonical(camera));

    // No video class, no devices; a name without an interface has none.
    EXPECT_TRUE(V4l2Discovery("/nonexistent-root/").List().empty());
    EXPECT_EQ(V4l2Discovery::BuildUsbDisplayName(0x04B4, 0x6E51, -1, "1-2"),
              "@device:pnp:\\\\?\\usb#vid_04b4&pid_6e51#1-2#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global");
}

// The camera on video2 with its descriptors, beside a webcam and a metadata node.
TEST(V4l2CameraTest, ANodeOrFormatThatCannotServeIsReportedAndLeavesNothingHeldAndCloseStopsTheStream)
{
    LogCapture log;
    FakeSysfs sysfs;
    const V4l2DeviceEntry entry = {2, sysfs.Root() + "dev/video2", "", sysfs.AddWebcamAndCamera().string()};
    const struct
    {
        int nOpenErrno; // 0: the node opens
        uint32_t nCaps; // its device capabilities
        int nResult;
        const char* pszReport;
    } refused[] = {
        {EACCES, 0, -EACCES,
         ": open: Permission denied (no permission on the device node: see the README, \"Real cameras on "
         "Linux\")"},
        {0, V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING, -ENODEV,
         ": not a video capture node with streaming (capabilities 0x04800000)"},
        {0, V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_READWRITE, -ENODEV,
         ": not a video capture node with streaming (capabilities 0x01000001)"},
    };
    for (const auto& c : refused)
    {
        SCOPED_TRACE(c.pszReport);
        FakeV4l2Io io;
        if (c.nOpenErrno != 0)
            io.m_openErrno[entry.strDevicePath] = c.nOpenErrno;
        else
            io.m_deviceCaps[entry.strDevicePath] = c.nCaps;
        V4l2Camera camera(io);
        EXPECT_EQ(camera.Open(entry), c.nResult);
        EXPECT_FALSE(camera.IsOpen());
        EXPECT_EQ(io.OpenCount(), 0);
        EXPECT_THAT(log.Take(), ElementsAre("tarnwick: " + entry.strDevicePath + c.pszReport));
    }

    // The format is YUYV of exactly the size asked for, or refused with what the driver chose.
    FakeV4l2Io io;
    io.m_deviceCaps[entry.strDevicePath] = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
    const struct
    {
        uint32_t nHeight, nOnlyPixelFormat, nLinePadding;
        const char* pszChosen; // null: accepted
    } formats[] = {
        {4, 0, 0, nullptr},
        {1000, 0, 0, "YUYV 1284x960, 2568 bytes a line, 2465280 a frame"},
        {2, V4L2_PIX_FMT_MJPEG, 0, "MJPG 1284x2, 2568 bytes a line, 5136 a frame"},
        {2, 0, 8, "YUYV 1284x2, 2576 bytes a line, 5152 a frame"},
    };
    for (const auto& c : formats)
    {
        SCOPED_TRACE(c.nHeight);
        io.m_nOnlyPixelFormat = c.nOnlyPixelFormat;
        io.m_nLinePadding = c.nLinePadding;
        V4l2Camera camera(io);
        ASSERT_EQ(camera.Open(entry), 0);
        V4l2FrameFormat format;
        EXPECT_EQ(camera.PinFormat(1284, c.nHeight, format), c.pszChosen ? -EINVAL : 0);
        if (c.pszChosen == nullptr)
            EXPECT_THAT(log.Take(), IsEmpty());
        else
            EXPECT_THAT(log.Take(),
                        ElementsAre(AllOf(HasSubstr(": set format (VIDIOC_S_FMT): asked for YUYV 1284x" +
                                                    std::to_string(c.nHeight) + ", 2568 bytes a line"),
                                          EndsWith("; the driver chose " + std::string(c.pszChosen)))));
    }

    // A refused format leaves the caller's record as it was.
    V4l2Camera camera(io);
    V4l2FrameFormat format;
    EXPECT_EQ(camera.PinFormat(1284, 2, format), -EBADF);
    ASSERT_EQ(camera.Open(entry), 0);
    io.m_failures[VIDIOC_S_FMT] = {EBUSY};
    EXPECT_EQ(camera.PinFormat(1284, 2, format), -EBUSY);
    EXPECT_EQ(format.nWidth, 0u);

    // Closing a streaming node stops the stream and lets go of its buffers and the node.
    ASSERT_EQ(camera.StartStreaming([](const uint8_t*, size_t, double) {}), 0);
    camera.Close();
    EXPECT_FALSE(io.StreamOn());
    EXPECT_EQ(io.MappedCount(), 0u);
    EXPECT_EQ(io.OpenCount(), 0);
}
