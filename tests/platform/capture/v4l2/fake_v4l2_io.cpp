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

void FakeV4l2Io::SetYuyvFormat(uint32_t nWidth, uint32_t nHeight)
{
    m_format.width = nWidth;
    m_format.height = nHeight;
    m_format.pixelformat = V4L2_PIX_FMT_YUYV;
    m_format.bytesperline = nWidth * 2;
    m_format.sizeimage = nWidth * 2 * nHeight;
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
    const std::string strPath = m_openFds[fd];
    for (auto* pOwners : {&m_lockOwner, &m_streamOwner})
        if (pOwners->count(strPath) && (*pOwners)[strPath] == fd)
            pOwners->erase(strPath);
    m_openFds.erase(fd);
}

int FakeV4l2Io::Lock(int fd, bool bLock)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_openFds.count(fd))
        return -EBADF;
    const std::string& strPath = m_openFds[fd];
    auto it = m_lockOwner.find(strPath);
    if (!bLock)
    {
        if (it != m_lockOwner.end() && it->second == fd)
            m_lockOwner.erase(it);
        return 0;
    }
    if (it != m_lockOwner.end() && it->second != fd)
        return -EWOULDBLOCK;
    m_lockOwner[strPath] = fd;
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
    uint16_t nSize = control.nLength;
    uint8_t nNeeded = 0;
    switch (query.query)
    {
    case UVC_GET_LEN:
        nSize = 2;
        break;
    case UVC_GET_INFO:
        nSize = 1;
        break;
    case UVC_GET_CUR:
        nNeeded = UVC_CONTROL_CAP_GET;
        break;
    case UVC_SET_CUR:
        nNeeded = UVC_CONTROL_CAP_SET;
        break;
    default:
        return -EINVAL;
    }
    if (query.size != nSize)
        return -ENOBUFS;
    if ((control.nInfo & nNeeded) != nNeeded)
        return -EBADRQC;
    if (query.query == UVC_GET_LEN)
    {
        query.data[0] = uint8_t(control.nLength);
        query.data[1] = uint8_t(control.nLength >> 8);
    }
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
    {
        auto* pCaps = static_cast<v4l2_capability*>(pArg);
        pCaps->capabilities = V4L2_CAP_DEVICE_CAPS | V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE;
        pCaps->device_caps = m_deviceCaps[strPath];
        return 0;
    }
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
        if (owner != m_streamOwner.end() && owner->second != fd)
            return -EBUSY;
        if (!m_mapped.empty())
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
    {
        auto* pBuffer = static_cast<v4l2_buffer*>(pArg);
        if (pBuffer->index >= m_buffers.size())
            return -EINVAL;
        pBuffer->length = m_nBufferLength;
        pBuffer->m.offset = pBuffer->index * 4096;
        return 0;
    }
    case VIDIOC_QBUF:
    {
        auto* pBuffer = static_cast<v4l2_buffer*>(pArg);
        if (pBuffer->index >= m_buffers.size())
            return -EINVAL;
        m_queued.push_back(pBuffer->index);
        return 0;
    }
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
        pBuffer->timestamp.tv_sec = m_nFrame;
        pBuffer->timestamp.tv_usec = 500000;
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

bool FakeV4l2Io::FrameReady() const
{
    return m_bStreamOn && !m_queued.empty() && m_nFramesToProduce > 0;
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
        if (m_nUnplugAfter > 0 && m_nFrame >= m_nUnplugAfter)
            m_bGone = true;
        if (m_bGone)
            return -EIO;
        if (FrameReady())
            return 1;
    }
    // Stands for the time-out, kept short.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 0;
}
