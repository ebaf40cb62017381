#include "platform/capture/v4l2/uvc_xu_channel.h"

#include "platform/capture/v4l2/v4l2_io.h"

#include <algorithm>
#include <cerrno>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>

namespace
{

constexpr size_t OFFSET_ID = 16;
constexpr size_t OFFSET_FLAGS = 20;

uint32_t ReadLe32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

} // namespace

int UvcXuChannel::Request(const void* pRequest, size_t nRequestLength, void* pPayload, size_t nPayloadLength)
{
    if (pRequest == nullptr || nRequestLength < REQUEST_SIZE || pPayload == nullptr)
        return -EINVAL;
    const auto* pBytes = static_cast<const uint8_t*>(pRequest);
    const uint32_t nSelector = ReadLe32(pBytes + OFFSET_ID);
    const uint32_t nFlags = ReadLe32(pBytes + OFFSET_FLAGS);
    if (nSelector < SELECTOR_MIN || nSelector > SELECTOR_MAX)
        return -EINVAL;
    if (nFlags != REQUEST_GET && nFlags != REQUEST_SET)
        return -EINVAL;
    const bool bSet = nFlags == REQUEST_SET;
    const size_t nSize = bSet && nSelector == SELECTOR_WIDE ? 2 : 1;
    if (nPayloadLength < nSize)
        return -EINVAL;

    UvcDescriptors::Guid guid;
    std::copy_n(pBytes, guid.size(), guid.begin());
    const int nUnit = m_descriptors.FindExtensionUnit(guid);
    if (nUnit < 0)
        return -ENOENT;
    if (m_pIo == nullptr || m_fd < 0)
        return -EBADF;

    uvc_xu_control_query query{};
    query.unit = static_cast<uint8_t>(nUnit);
    query.selector = static_cast<uint8_t>(nSelector);
    query.query = bSet ? UVC_SET_CUR : UVC_GET_CUR;
    query.size = static_cast<uint16_t>(nSize);
    query.data = static_cast<uint8_t*>(pPayload);
    return m_pIo->Ioctl(m_fd, UVCIOC_CTRL_QUERY, &query);
}
