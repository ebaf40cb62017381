#pragma once

#include "platform/capture/v4l2/uvc_descriptors.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class V4l2Io;

// Carries node-property requests to a UVC extension unit of an open video device. The request is
// the 32-byte node-property record (property-set GUID, selector, flags, node id, reserved, all
// little-endian); the property set names the extension unit by its GUID, which is looked up
// among the units the device declares. Call from one thread at a time.
//
// The unit's selectors form two address/data pairs: a SET of an address selector names the
// register or information byte that the next request reads or writes. Another program talking
// to the same camera must not slip its own address in between, so an address request takes the
// advisory lock on the device node and the data request after it gives it back.
class UvcXuChannel
{
  public:
    static constexpr size_t REQUEST_SIZE = 32;
    static constexpr uint32_t REQUEST_GET = 0x10000001;
    static constexpr uint32_t REQUEST_SET = 0x10000002;
    static constexpr uint32_t SELECTOR_MIN = 1;
    static constexpr uint32_t SELECTOR_MAX = 4;
    // The register address: its SET carries a 16-bit value, low byte first.
    static constexpr uint32_t SELECTOR_REG_ADDRESS = 1;
    static constexpr uint32_t SELECTOR_INFO_ADDRESS = 3;
    // How long an address request waits for another program's pair on the camera to end.
    static constexpr int PAIR_LOCK_WAIT_MS = 500;

    UvcXuChannel() = default;
    // strNode names the device in report lines.
    UvcXuChannel(V4l2Io& io, int fd, std::string strNode, UvcDescriptors descriptors)
        : m_pIo(&io), m_fd(fd), m_strNode(std::move(strNode)), m_descriptors(std::move(descriptors))
    {
    }

    // Sends one SET_CUR or GET_CUR. A SET sends 2 bytes of pPayload for the register address and
    // 1 otherwise; a GET reads 1 byte into pPayload. 0, or -errno: -EINVAL for a malformed request
    // (short record or payload, unknown flags or selector), -ENOENT when the device has no
    // extension unit with that GUID, -EBADF when no device is bound, -EWOULDBLOCK when another
    // program held the pair lock too long (the data request of that pair fails the same way,
    // unsent), else the driver's error.
    //
    // The first request to a unit first asks the unit for the length and the capabilities of each
    // selector, and reports on standard error every selector that would refuse these requests.
    int Request(const void* pRequest, size_t nRequestLength, void* pPayload, size_t nPayloadLength);

    // Payload bytes that Request sends for a SET of the selector (a GET reads one).
    static size_t SetPayloadSize(uint32_t nSelector) { return nSelector == SELECTOR_REG_ADDRESS ? 2 : 1; }

  private:
    int Send(int nUnit, uint32_t nSelector, uint8_t nQuery, void* pData, size_t nSize);
    void CheckUnit(int nUnit);
    int LockPair();
    void UnlockPair();

    V4l2Io* m_pIo = nullptr;
    int m_fd = -1;
    std::string m_strNode;
    UvcDescriptors m_descriptors;
    std::vector<int> m_checkedUnits;
    bool m_bPairLocked = false; // an address request holds the lock for its data request
    int m_nPairError = 0;       // the address request could not take the lock: its data request fails
};
