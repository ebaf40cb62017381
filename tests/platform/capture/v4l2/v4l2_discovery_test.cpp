// Finding the camera: capture nodes and their names from sysfs, and the camera's extension unit
// in its USB descriptors.

#include "platform/capture/v4l2/uvc_descriptors.h"
#include "platform/capture/v4l2/v4l2_discovery.h"
#include "tests/platform/capture/v4l2/fake_sysfs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

namespace fs = std::filesystem;

namespace
{
UvcDescriptors::Guid ToGuid(const std::vector<uint8_t>& bytes)
{
    UvcDescriptors::Guid guid{};
    std::copy(bytes.begin(), bytes.end(), guid.begin());
    return guid;
}
} // namespace

TEST(UvcDescriptors, TruncatedOrGarbledInputStopsAtTheLastWholeDescriptorWithoutTakingAnything)
{
    // Cut at every length: nothing is read past the cut, and the unit counts only when whole.
    const std::vector<uint8_t> bytes = uvc_test::CameraDescriptors();
    const std::vector<uint8_t> unit = uvc_test::ExtensionUnit(3, uvc_test::CAMERA_GUID);
    const size_t nUnitStart =
        size_t(std::search(bytes.begin(), bytes.end(), unit.begin(), unit.end()) - bytes.begin());
    const size_t nUnitEnd = nUnitStart + unit.size();
    for (size_t nLength = 0; nLength < bytes.size(); nLength++)
    {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + long(nLength));
        UvcDescriptors descriptors = UvcDescriptors::Parse(cut.data(), cut.size());
        EXPECT_EQ(descriptors.FindExtensionUnit(ToGuid(uvc_test::CAMERA_GUID)), nLength >= nUnitEnd ? 3 : -1)
            << "length " << nLength;
    }
    EXPECT_TRUE(UvcDescriptors::Parse(nullptr, 0).ExtensionUnits().empty());

    // A zero or one-byte length before the unit ends parsing there.
    for (uint8_t nBadLength : {0, 1})
    {
        std::vector<uint8_t> broken = bytes;
        broken.insert(broken.begin() + long(nUnitStart), {nBadLength, 0x24});
        UvcDescriptors descriptors = UvcDescriptors::Parse(broken.data(), broken.size());
        EXPECT_EQ(descriptors.FindExtensionUnit(ToGuid(uvc_test::CAMERA_GUID)), -1);
        EXPECT_EQ(descriptors.FindExtensionUnit(ToGuid(uvc_test::OTHER_GUID)), 4);
    }

    // A unit too short to hold its fields is skipped; one claiming more bytes than there are ends it.
    std::vector<uint8_t> shortUnit = bytes;
    shortUnit[nUnitStart] = 20;
    shortUnit.erase(shortUnit.begin() + long(nUnitStart + 20), shortUnit.begin() + long(nUnitEnd));
    EXPECT_EQ(UvcDescriptors::Parse(shortUnit.data(), shortUnit.size()).ExtensionUnits().size(), 1u);

    std::vector<uint8_t> overlong(bytes.begin(), bytes.begin() + long(nUnitEnd));
    overlong[nUnitStart] = 255;
    EXPECT_EQ(UvcDescriptors::Parse(overlong.data(), overlong.size()).ExtensionUnits().size(), 1u);

    // Extension-unit bytes outside any VideoControl interface are not a unit.
    EXPECT_TRUE(UvcDescriptors::Parse(unit.data(), unit.size()).ExtensionUnits().empty());
    EXPECT_TRUE(UvcDescriptors::ReadFile("/nonexistent/descriptors").ExtensionUnits().empty());
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
    const fs::path noVendor = sysfs.AddUsbDevice("3", "", "6e52");
    sysfs.AddNode(noVendor, 2, 0);
    sysfs.AddNode({}, 3, -1); // no parent device, no index file

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
