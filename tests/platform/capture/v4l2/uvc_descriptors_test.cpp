#include "platform/capture/v4l2/uvc_descriptors.h"
#include "tests/platform/capture/v4l2/uvc_test_descriptors.h"

#include <gtest/gtest.h>

namespace
{

UvcDescriptors::Guid ToGuid(const std::vector<uint8_t>& bytes)
{
    UvcDescriptors::Guid guid{};
    std::copy(bytes.begin(), bytes.end(), guid.begin());
    return guid;
}

size_t OffsetOfCameraUnitEnd(const std::vector<uint8_t>& bytes)
{
    const std::vector<uint8_t> unit = uvc_test::ExtensionUnit(3, uvc_test::CAMERA_GUID);
    auto it = std::search(bytes.begin(), bytes.end(), unit.begin(), unit.end());
    return size_t(it - bytes.begin()) + unit.size();
}

} // namespace

TEST(UvcDescriptors, FindsEachExtensionUnitOfTheVideoControlInterfaceByGuid)
{
    const std::vector<uint8_t> bytes = uvc_test::CameraDescriptors();
    UvcDescriptors descriptors = UvcDescriptors::Parse(bytes.data(), bytes.size());
    EXPECT_EQ(descriptors.FindExtensionUnit(ToGuid(uvc_test::CAMERA_GUID)), 3);
    EXPECT_EQ(descriptors.FindExtensionUnit(ToGuid(uvc_test::OTHER_GUID)), 4);
    // The streaming interface's format descriptor with the same subtype is not an extension unit.
    EXPECT_EQ(descriptors.ExtensionUnits().size(), 2u);

    // The GUID in its text order (first three fields big-endian) is not what the device holds.
    const std::vector<uint8_t> textOrder = {0x4A, 0x8C, 0x02, 0xAD, 0xFF, 0x78, 0x46, 0x97,
                                            0xAD, 0xD4, 0x21, 0xAC, 0x99, 0x33, 0x93, 0xF2};
    EXPECT_EQ(descriptors.FindExtensionUnit(ToGuid(textOrder)), -1);
}

TEST(UvcDescriptors, TruncatedInputStopsAtTheLastWholeDescriptor)
{
    // Cut at every length: nothing is read past the cut, and the unit counts only when whole.
    std::vector<uint8_t> bytes = uvc_test::CameraDescriptors();
    const size_t nUnitEnd = OffsetOfCameraUnitEnd(bytes);
    for (size_t nLength = 0; nLength < bytes.size(); nLength++)
    {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + long(nLength));
        UvcDescriptors descriptors = UvcDescriptors::Parse(cut.data(), cut.size());
        EXPECT_EQ(descriptors.FindExtensionUnit(ToGuid(uvc_test::CAMERA_GUID)), nLength >= nUnitEnd ? 3 : -1)
            << "length " << nLength;
    }
    EXPECT_TRUE(UvcDescriptors::Parse(nullptr, 0).ExtensionUnits().empty());
}

TEST(UvcDescriptors, GarbageEndsParsingWithoutTakingAnything)
{
    const std::vector<uint8_t> unit = uvc_test::ExtensionUnit(3, uvc_test::CAMERA_GUID);
    std::vector<uint8_t> bytes = uvc_test::CameraDescriptors();
    const size_t nUnitStart = OffsetOfCameraUnitEnd(bytes) - unit.size();

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
    shortUnit.erase(shortUnit.begin() + long(nUnitStart + 20),
                    shortUnit.begin() + long(nUnitStart + unit.size()));
    EXPECT_EQ(UvcDescriptors::Parse(shortUnit.data(), shortUnit.size()).ExtensionUnits().size(), 1u);

    std::vector<uint8_t> overlong(bytes.begin(), bytes.begin() + long(nUnitStart + unit.size()));
    overlong[nUnitStart] = 255;
    EXPECT_EQ(UvcDescriptors::Parse(overlong.data(), overlong.size()).ExtensionUnits().size(), 1u);

    // Extension-unit bytes outside any VideoControl interface are not a unit.
    EXPECT_TRUE(UvcDescriptors::Parse(unit.data(), unit.size()).ExtensionUnits().empty());
    EXPECT_TRUE(UvcDescriptors::ReadFile("/nonexistent/descriptors").ExtensionUnits().empty());
}
