#include "platform/capture/v4l2/uvc_xu_channel.h"

#include "platform/capture/v4l2/v4l2_io.h"
#include "platform/capture/v4l2/v4l2_log.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <thread>

namespace
{

constexpr size_t OFFSET_ID = 16;
constexpr size_t OFFSET_FLAGS = 20;

uint32_t ReadLe32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

const char* CapabilityText(uint8_t nInfo)
{
    switch (nInfo & (UVC_CONTROL_CAP_GET | UVC_CONTROL_CAP_SET))
    {
    case UVC_CONTROL_CAP_GET:
        return "GET only";
    case UVC_CONTROL_CAP_SET:
        return "SET only";
    case UVC_CONTROL_CAP_GET | UVC_CONTROL_CAP_SET:
        return "GET and SET";
    default:
        return "neither GET nor SET";
    }
}

} // namespace

int UvcXuChannel::Send(int nUnit, uint32_t nSelector, uint8_t nQuery, void* pData, size_t nSize)
{
    uvc_xu_control_query query{};
    query.unit = static_cast<uint8_t>(nUnit);
    query.selector = static_cast<uint8_t>(nSelector);
    query.query = nQuery;
    query.size = static_cast<uint16_t>(nSize);
    query.data = static_cast<uint8_t*>(pData);
    return m_pIo->Ioctl(m_fd, UVCIOC_CTRL_QUERY, &query);
}

void UvcXuChannel::CheckUnit(int nUnit)
{
    if (std::find(m_checkedUnits.begin(), m_checkedUnits.end(), nUnit) != m_checkedUnits.end())
        return;
    m_checkedUnits.push_back(nUnit);
    const char* pszNode = m_strNode.c_str();
    for (uint32_t nSelector = SELECTOR_MIN; nSelector <= SELECTOR_MAX; nSelector++)
    {
        auto ask = [&](uint8_t nQuery, const char* pszQuery, void* pData, size_t nSize)
        {
            const int nResult = Send(nUnit, nSelector, nQuery, pData, nSize);
            if (nResult < 0)
            {
                char szStep[64];
                std::snprintf(szStep, sizeof szStep, "extension unit %d selector %u %s", nUnit, nSelector,
                              pszQuery);
                V4l2Log::Failure(pszNode, szStep, nResult);
            }
            return nResult == 0;
        };
        uint8_t abLength[2] = {};
        uint8_t nInfo = 0;
        if (!ask(UVC_GET_LEN, "GET_LEN", abLength, sizeof abLength) ||
            !ask(UVC_GET_INFO, "GET_INFO", &nInfo, 1))
            continue;
        // Every selector is written; only the data selectors are read back.
        const bool bRead = nSelector != SELECTOR_REG_ADDRESS && nSelector != SELECTOR_INFO_ADDRESS;
        const uint8_t nNeeded = UVC_CONTROL_CAP_SET | (bRead ? UVC_CONTROL_CAP_GET : 0);
        const unsigned nLength = abLength[0] | abLength[1] << 8;
        const size_t nSent = SetPayloadSize(nSelector);
        if (nLength != nSent || (nInfo & nNeeded) != nNeeded)
            V4l2Log::Write(
                "tarnwick: %s: extension unit %d selector %u answers length %u and info 0x%02X (%s); "
                "the camera is sent %zu byte%s and needs %s",
                pszNode, nUnit, nSelector, nLength, nInfo, CapabilityText(nInfo), nSent,
                nSent == 1 ? "" : "s", CapabilityText(nNeeded));
    }
}

int UvcXuChannel::LockPair()
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(PAIR_LOCK_WAIT_MS);
    for (;;)
    {
        const int nResult = m_pIo->Lock(m_fd, true);
        if (nResult == 0)
        {
            m_bPairLocked = true;
            return 0;
        }
        if (nResult != -EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline)
        {
            V4l2Log::Failure(m_strNode.c_str(), "register access lock (another program is using the camera)",
                             nResult);
            return nResult;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void UvcXuChannel::UnlockPair()
{
    if (m_bPairLocked)
        m_pIo->Lock(m_fd, false);
    m_bPairLocked = false;
}

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
    const size_t nSize = bSet ? SetPayloadSize(nSelector) : 1;
    if (nPayloadLength < nSize)
        return -EINVAL;

    UvcDescriptors::Guid guid;
    std::copy_n(pBytes, guid.size(), guid.begin());
    const int nUnit = m_descriptors.FindExtensionUnit(guid);
    if (nUnit < 0)
        return -ENOENT;
    if (m_pIo == nullptr || m_fd < 0)
        return -EBADF;
    CheckUnit(nUnit);

    const uint8_t nQuery = bSet ? UVC_SET_CUR : UVC_GET_CUR;
    if (bSet && (nSelector == SELECTOR_REG_ADDRESS || nSelector == SELECTOR_INFO_ADDRESS))
    {
        // An address following an address without its data keeps the lock it already holds.
        m_nPairError = m_bPairLocked ? 0 : LockPair();
        if (m_nPairError < 0)
            return m_nPairError;
        const int nResult = Send(nUnit, nSelector, nQuery, pPayload, nSize);
        if (nResult < 0)
            UnlockPair(); // no register is named: what follows is no pair
        return nResult;
    }
    if (m_nPairError < 0)
    {
        // Its address never went out: the data would reach whatever the other program named.
        const int nResult = m_nPairError;
        m_nPairError = 0;
        return nResult;
    }
    const int nResult = Send(nUnit, nSelector, nQuery, pPayload, nSize);
    UnlockPair();
    return nResult;
}
