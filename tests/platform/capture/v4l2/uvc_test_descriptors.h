#pragma once

#include <cstdint>
#include <vector>

// Synthetic USB descriptors of a video camera, shared by the descriptor, channel and discovery tests.
namespace uvc_test
{

// {4A8C02AD-FF78-4697-ADD4-21AC993393F2} in descriptor byte order.
inline const std::vector<uint8_t> CAMERA_GUID = {0xAD, 0x02, 0x8C, 0x4A, 0x78, 0xFF, 0x97, 0x46,
                                                 0xAD, 0xD4, 0x21, 0xAC, 0x99, 0x33, 0x93, 0xF2};
inline const std::vector<uint8_t> OTHER_GUID = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE,
                                                0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};

inline std::vector<uint8_t> ExtensionUnit(uint8_t nUnit, const std::vector<uint8_t>& guid)
{
    // bLength, CS_INTERFACE, VC_EXTENSION_UNIT, bUnitID, GUID, bNumControls, bNrInPins, baSourceID,
    // bControlSize, bmControls, iExtension
    std::vector<uint8_t> desc = {27, 0x24, 0x06, nUnit};
    desc.insert(desc.end(), guid.begin(), guid.end());
    desc.insert(desc.end(), {4, 1, 2, 2, 0x0F, 0x00, 0});
    return desc;
}

// Device and configuration descriptors with a VideoControl interface holding an input terminal,
// a processing unit, an extension unit with another GUID (unit 4), the camera's (unit 3) and an
// output terminal, then a VideoStreaming interface whose format descriptor shares the extension
// unit's subtype value and carries the camera GUID's bytes.
inline std::vector<uint8_t> CameraDescriptors()
{
    std::vector<uint8_t> bytes = {18,   0x01, 0x00, 0x02, 0xEF, 0x02, 0x01, 0x40, 0xB4,
                                  0x04, 0x51, 0x6E, 0x00, 0x01, 0x01, 0x02, 0x03, 0x01};
    auto add = [&bytes](std::vector<uint8_t> desc) { bytes.insert(bytes.end(), desc.begin(), desc.end()); };
    add({9, 0x02, 0x00, 0x00, 0x02, 0x01, 0x00, 0x80, 0xFA}); // configuration
    add({8, 0x0B, 0x00, 0x02, 0x0E, 0x03, 0x00, 0x02});       // interface association
    add({9, 0x04, 0x00, 0x00, 0x01, 0x0E, 0x01, 0x00, 0x02}); // VideoControl interface
    add({13, 0x24, 0x01, 0x00, 0x01, 0x4D, 0x00, 0x00, 0x6C, 0xDC, 0x02, 0x01, 0x01}); // header
    add({18, 0x24, 0x02, 0x01, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00,
         0x00});                                                           // camera terminal
    add({11, 0x24, 0x05, 0x02, 0x01, 0x00, 0x00, 0x02, 0x7F, 0x15, 0x00}); // processing unit
    add(ExtensionUnit(4, OTHER_GUID));
    add(ExtensionUnit(3, CAMERA_GUID));
    add({9, 0x24, 0x03, 0x05, 0x01, 0x01, 0x00, 0x03, 0x00}); // output terminal
    add({7, 0x05, 0x81, 0x03, 0x10, 0x00, 0x06});             // interrupt endpoint
    add({5, 0x25, 0x03, 0x10, 0x00});                         // class-specific endpoint
    add({9, 0x04, 0x01, 0x00, 0x00, 0x0E, 0x02, 0x00, 0x00}); // VideoStreaming interface
    add({14, 0x24, 0x01, 0x01, 0x4D, 0x00, 0x82, 0x00, 0x05, 0x00, 0x00, 0x00, 0x01, 0x00}); // input header
    std::vector<uint8_t> format = {26, 0x24, 0x06, 0x07};
    format.insert(format.end(), CAMERA_GUID.begin(), CAMERA_GUID.end());
    format.resize(26, 0);
    add(format);
    return bytes;
}

} // namespace uvc_test
