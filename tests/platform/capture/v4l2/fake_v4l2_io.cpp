#include "tests/platform/capture/v4l2/fake_v4l2_io.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <thread>

FakeV4l2Io::FakeV4l2Io()
{
    for (int nSelector = 1; nSelector <= 4; nSelector++)
        m_xuControls[{3, nSelector}] = {uint16_t(nSelector == 1 ? 2 : 1),
                                        UVC_CONTROL_CAP_GET | UVC_CONTROL_CAP_SET};
}

int FakeV4l2Io::OpenCaptureNode(const std::string& strPath)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_deviceCaps[strPath] = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
    }
    return Open(strPath, 0);
}

void FakeV4l2Io::ProduceFrames(int nFrames)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nFramesToProduce += nFrames;
}

int FakeV4l2Io::Open(const std::string& strPath, int)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_openedPaths.push_back(strPath);
    if (m_openErrno.count(strPath))
        return -m_openErrno[strPath];
    if (!m_deviceCaps.count(strPath))
        return -ENOENT;
    m_openFds[m_nNextFd] = strPath;
    return m_nNextFd++;
}

void FakeV4l2Io::Close(int fd)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto* pOwners : {&m_lockOwner, &m_streamOwner})
        std::erase_if(*pOwners, [fd](const auto& owner) { return owner.second == fd; });
    m_openFds.erase(fd);
}

int FakeV4l2Io::Lock(int fd, bool bLock)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_lockOwner.find(m_openFds.at(fd));
    if (it != m_lockOwner.end() && it->second != fd)
        return bLock ? -EWOULDBLOCK : 0;
    if (bLock)
        m_lockOwner[m_openFds.at(fd)] = fd;
    else if (it != m_lockOwner.end())
        m_lockOwner.erase(it);
    return 0;
}

int FakeV4l2Io::Ioctl(int fd, unsigned long nRequest, void* pArg)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests.push_back(nRequest);
    if (!m_openFds.count(fd))
        return -EBADF;
    if (m_bGone)
        return -ENODEV;
    if (nRequest == m_nFailRequest && m_callCounts[nRequest]++ >= m_nFailAfter)
        return -m_nFailErrno;
    return Answer(fd, nRequest, pArg);
}

int FakeV4l2Io::AnswerXu(int fd, uvc_xu_control_query& query)
{
    auto it = m_xuControls.find({query.unit, query.selector});
    if (it == m_xuControls.end())
        return -ENOENT;
    const XuControl& control = it->second;
    const std::map<int, std::pair<uint16_t, uint8_t>> sizeAndNeed = {
        {UVC_GET_LEN, {2, 0}},
        {UVC_GET_INFO, {1, 0}},
        {UVC_GET_CUR, {control.nLength, UVC_CONTROL_CAP_GET}},
        {UVC_SET_CUR, {control.nLength, UVC_CONTROL_CAP_SET}}};
    const auto [nSize, nNeeded] = sizeAndNeed.at(query.query);
    if (query.size != nSize)
        return -ENOBUFS;
    if ((control.nInfo & nNeeded) != nNeeded)
        return -EBADRQC;
    if (query.query == UVC_GET_LEN)
        std::memcpy(query.data, &control.nLength, 2); // little-endian, as the device sends it
    else if (query.query == UVC_GET_INFO)
        query.data[0] = control.nInfo;
    else if (query.query == UVC_GET_CUR)
        std::memset(query.data, m_nGetAnswer, query.size);
    auto owner = m_lockOwner.find(m_openFds[fd]);
    m_xuQueries.push_back({query.unit,
                           query.selector,
                           query.query,
                           {query.data, query.data + query.size},
                           owner != m_lockOwner.end() && owner->second == fd});
    return 0;
}

int FakeV4l2Io::Answer(int fd, unsigned long nRequest, void* pArg)
{
    const std::string& strPath = m_openFds[fd];
    switch (nRequest)
    {
    case VIDIOC_QUERYCAP:
        static_cast<v4l2_capability*>(pArg)->capabilities =
            V4L2_CAP_DEVICE_CAPS | V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE;
        static_cast<v4l2_capability*>(pArg)->device_caps = m_deviceCaps[strPath];
        return 0;
    case UVCIOC_CTRL_QUERY:
        return AnswerXu(fd, *static_cast<uvc_xu_control_query*>(pArg));
    case VIDIOC_G_FMT:
        static_cast<v4l2_format*>(pArg)->fmt.pix = m_format;
        return 0;
    case VIDIOC_S_FMT:
    {
        // The nearest format the driver has: it never refuses.
        v4l2_pix_format& pix = static_cast<v4l2_format*>(pArg)->fmt.pix;
        if (m_nOnlyPixelFormat != 0)
            pix.pixelformat = m_nOnlyPixelFormat;
        pix.height = std::min(pix.height, 960u); // the sensor's height
        pix.bytesperline = pix.width * 2 + m_nLinePadding;
        pix.sizeimage = pix.bytesperline * pix.height;
        m_format = pix;
        return 0;
    }
    case VIDIOC_REQBUFS:
    {
        auto* pRequest = static_cast<v4l2_requestbuffers*>(pArg);
        m_reqbufsCounts.push_back(pRequest->count);
        auto owner = m_streamOwner.find(strPath);
        if ((owner != m_streamOwner.end() && owner->second != fd) || !m_mapped.empty())
            return -EBUSY;
        m_buffers.assign(pRequest->count, std::vector<uint8_t>(m_nBufferLength));
        m_queued.clear();
        if (pRequest->count > 0)
            m_streamOwner[strPath] = fd;
        else
            m_streamOwner.erase(strPath);
        return 0;
    }
    case VIDIOC_QUERYBUF:
        static_cast<v4l2_buffer*>(pArg)->length = m_nBufferLength;
        static_cast<v4l2_buffer*>(pArg)->m.offset = static_cast<v4l2_buffer*>(pArg)->index * 4096;
        return 0;
    case VIDIOC_QBUF:
        m_queued.push_back(static_cast<v4l2_buffer*>(pArg)->index);
        return 0;
    case VIDIOC_DQBUF:
    {
        if (!FrameReady())
            return -EAGAIN;
        auto* pBuffer = static_cast<v4l2_buffer*>(pArg);
        pBuffer->index = m_queued.front();
        m_queued.pop_front();
        m_nFramesToProduce--;
        m_nFrame++;
        m_nSequence += m_framesLostBefore.count(m_nFrame) ? m_framesLostBefore[m_nFrame] : 0;
        pBuffer->sequence = m_nSequence++;
        pBuffer->flags = m_damagedFrames.count(m_nFrame) ? V4L2_BUF_FLAG_ERROR : 0;
        std::vector<uint8_t>& data = m_buffers[pBuffer->index];
        std::memset(data.data(), m_nFrame, data.size());
        pBuffer->bytesused = m_shortFrames.count(m_nFrame) ? 1 : m_nFrameSize;
        pBuffer->timestamp = {m_nFrame, 500000};
        return 0;
    }
    case VIDIOC_STREAMON:
        m_bStreamOn = true;
        m_nSequence = 0;
        return 0;
    case VIDIOC_STREAMOFF:
        m_bStreamOn = false;
        m_queued.clear();
        return 0;
    default:
        return -ENOTTY;
    }
}

void* FakeV4l2Io::Map(int, size_t nLength, off_t nOffset)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const size_t nIndex = size_t(nOffset) / 4096;
    if (m_bFailMap || nIndex >= m_buffers.size() || nLength > m_buffers[nIndex].size())
        return nullptr;
    void* p = m_buffers[nIndex].data();
    m_mapped.insert(p);
    return p;
}

void FakeV4l2Io::Unmap(void* p, size_t)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mapped.erase(p);
    m_nUnmaps++;
}

int FakeV4l2Io::Poll(int, int)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // Unplugged: the node reports an error; every call after says the device is gone.
        m_bGone = m_bGone || (m_nUnplugAfter > 0 && m_nFrame >= m_nUnplugAfter);
        if (m_bGone)
            return -EIO;
        if (FrameReady())
            return 1;
    }
    // Stands for the time-out, kept short.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 0;
}
