#pragma once

#include "platform/capture/v4l2/uvc_descriptors.h"

#include <cstddef>
#include <cstdint>
#include <utility>

class V4l2Io;

// Carries node-property requests to a UVC extension unit of an open video device. The request is
// the 32-byte node-property record (property-set GUID, selector, flags, node id, reserved, all
// little-endian); the property set names the extension unit by its GUID, which is looked up
// among the units the device declares. Call from one thread at a time.
class UvcXuChannel
{
  public:
    static constexpr size_t REQUEST_SIZE = 32;
    static constexpr uint32_t REQUEST_GET = 0x10000001;
    static constexpr uint32_t REQUEST_SET = 0x10000002;
    static constexpr uint32_t SELECTOR_MIN = 1;
    static constexpr uint32_t SELECTOR_MAX = 4;
    // The selector whose SET carries a 16-bit value, low byte first.
    static constexpr uint32_t SELECTOR_WIDE = 1;

    UvcXuChannel() = default;
    UvcXuChannel(V4l2Io& io, int fd, UvcDescriptors descriptors)
        : m_pIo(&io), m_fd(fd), m_descriptors(std::move(descriptors))
    {
    }

    // Sends one SET_CUR or GET_CUR. A SET sends 2 bytes of pPayload for the wide selector and 1
    // otherwise; a GET reads 1 byte into pPayload. 0, or -errno: -EINVAL for a malformed request
    // (short record or payload, unknown flags or selector), -ENOENT when the device has no
    // extension unit with that GUID, -EBADF when no device is bound, else the driver's error.
    int Request(const void* pRequest, size_t nRequestLength, void* pPayload, size_t nPayloadLength);

  private:
    V4l2Io* m_pIo = nullptr;
    int m_fd = -1;
    UvcDescriptors m_descriptors;
};
