#include "platform/capture/v4l2/v4l2_discovery.h"
#include "tests/platform/capture/v4l2/fake_sysfs.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace
{

const char* CAMERA_NAME =
    "@device:pnp:\\\\?\\usb#vid_04b4&pid_6e51&mi_00#1-2#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

} // namespace

TEST(V4l2Discovery, ListsCaptureNodesInNodeOrderWithWindowsStyleNames)
{
    FakeSysfs sysfs; // no node is opened: capture nodes are told by their index
    const fs::path webcam = sysfs.AddUsbDevice("1", "046d", "0825");
    sysfs.AddNode(webcam, 0, 0);
    sysfs.AddNode(webcam, 1, 1);
    const fs::path camera = sysfs.AddUsbDevice("2", "04B4", "6E51"); // capitals in the file
    sysfs.AddNode(camera, 10, 0);
    sysfs.AddNode(camera, 11, 1);
    const fs::path noVendor = sysfs.AddUsbDevice("3", "", "6e52");
    sysfs.AddNode(noVendor, 2, 0);
    sysfs.AddNode({}, 3, -1); // no parent device, no index file

    std::vector<V4l2DeviceEntry> entries = V4l2Discovery(sysfs.Root()).List();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].nNode, 0);
    EXPECT_EQ(
        entries[0].strDisplayName,
        "@device:pnp:\\\\?\\usb#vid_046d&pid_0825&mi_00#1-1#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global");
    EXPECT_EQ(entries[0].strDevicePath, sysfs.Root() + "dev/video0");
    EXPECT_EQ(fs::canonical(entries[0].strUsbDevicePath), fs::canonical(webcam));

    EXPECT_EQ(entries[1].nNode, 2);
    EXPECT_EQ(entries[1].strDisplayName.find("vid_"), std::string::npos);
    EXPECT_TRUE(entries[1].strUsbDevicePath.empty());
    EXPECT_EQ(entries[2].nNode, 3);
    EXPECT_EQ(entries[2].strDisplayName.find("vid_"), std::string::npos);

    EXPECT_EQ(entries[3].nNode, 10);
    EXPECT_EQ(entries[3].strDisplayName, CAMERA_NAME);
    EXPECT_EQ(fs::canonical(entries[3].strUsbDevicePath), fs::canonical(camera));
}

TEST(V4l2Discovery, NoVideoClassGivesNoDevices)
{
    EXPECT_TRUE(V4l2Discovery("/nonexistent-root/").List().empty());
}

TEST(V4l2Discovery, DisplayNamesKeepTheIdsInLowerCaseHex)
{
    EXPECT_EQ(V4l2Discovery::BuildUsbDisplayName(0x04B4, 0x6E52, 2, "3-1.4"),
              "@device:pnp:\\\\?\\usb#vid_04b4&pid_6e52&mi_02#3-1.4#{65e8773d-8f56-11d0-a3b9-00a0c9223196}"
              "\\global");
    EXPECT_EQ(V4l2Discovery::BuildUsbDisplayName(0x04B4, 0x6E51, -1, "1-2"),
              "@device:pnp:\\\\?\\usb#vid_04b4&pid_6e51#1-2#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global");
}
