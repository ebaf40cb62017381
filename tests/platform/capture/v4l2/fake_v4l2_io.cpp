#include "tests/platform/capture/v4l2/fake_v4l2_io.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <thread>

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

int FakeV4l2Io::Open(const std::string& strPath, int)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_deviceCaps.count(strPath))
        return -ENOENT;
    m_openFds[m_nNextFd] = strPath;
    return m_nNextFd++;
}

void FakeV4l2Io::Close(int fd)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_openFds.erase(fd);
}

int FakeV4l2Io::Ioctl(int fd, unsigned long nRequest, void* pArg)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests.push_back(nRequest);
    if (!m_openFds.count(fd))
        return -EBADF;
    if (nRequest == m_nFailRequest && m_callCounts[nRequest]++ >= m_nFailAfter)
        return -m_nFailErrno;
    return Answer(fd, nRequest, pArg);
}

int FakeV4l2Io::Answer(int fd, unsigned long nRequest, void* pArg)
{
    switch (nRequest)
    {
    case VIDIOC_QUERYCAP:
    {
        auto* pCaps = static_cast<v4l2_capability*>(pArg);
        pCaps->capabilities = V4L2_CAP_DEVICE_CAPS | V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE;
        pCaps->device_caps = m_deviceCaps[m_openFds[fd]];
        return 0;
    }
    case UVCIOC_CTRL_QUERY:
    {
        auto* pQuery = static_cast<uvc_xu_control_query*>(pArg);
        if (pQuery->query == UVC_GET_CUR)
            std::memset(pQuery->data, m_nGetAnswer, pQuery->size);
        m_xuQueries.push_back(
            {pQuery->unit, pQuery->selector, pQuery->query, {pQuery->data, pQuery->data + pQuery->size}});
        return 0;
    }
    case VIDIOC_G_FMT:
        static_cast<v4l2_format*>(pArg)->fmt.pix = m_format;
        return 0;
    case VIDIOC_S_FMT:
    {
        v4l2_pix_format& pix = static_cast<v4l2_format*>(pArg)->fmt.pix;
        if (pix.height > m_nMaxHeight)
            pix.height = m_nMaxHeight;
        pix.bytesperline = pix.width * 2;
        pix.sizeimage = pix.bytesperline * pix.height;
        m_format = pix;
        return 0;
    }
    case VIDIOC_REQBUFS:
    {
        auto* pRequest = static_cast<v4l2_requestbuffers*>(pArg);
        m_reqbufsCounts.push_back(pRequest->count);
        if (!m_mapped.empty())
            return -EBUSY;
        m_buffers.assign(pRequest->count, std::vector<uint8_t>(m_nBufferLength));
        m_queued.clear();
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
        if (!m_bStreamOn || m_queued.empty() || m_nFramesToProduce <= 0)
            return -EAGAIN;
        auto* pBuffer = static_cast<v4l2_buffer*>(pArg);
        pBuffer->index = m_queued.front();
        m_queued.pop_front();
        m_nFramesToProduce--;
        m_nFrame++;
        std::vector<uint8_t>& data = m_buffers[pBuffer->index];
        std::memset(data.data(), m_nFrame, data.size());
        pBuffer->bytesused = m_nFrameSize;
        pBuffer->timestamp.tv_sec = m_nFrame;
        pBuffer->timestamp.tv_usec = 500000;
        return 0;
    }
    case VIDIOC_STREAMON:
        m_bStreamOn = true;
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
        if (m_bStreamOn && !m_queued.empty() && m_nFramesToProduce > 0)
            return 1;
    }
    // Stands for the time-out, kept short.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 0;
}
