#include "platform/capture/v4l2/v4l2_stream.h"

#include <algorithm>
#include <cerrno>
#include <linux/videodev2.h>

namespace
{

v4l2_buffer MakeBuffer(uint32_t nIndex)
{
    v4l2_buffer buffer{};
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    buffer.index = nIndex;
    return buffer;
}

int RequestBuffers(V4l2Io& io, int fd, uint32_t& nCount)
{
    v4l2_requestbuffers request{};
    request.count = nCount;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    int nResult = io.Ioctl(fd, VIDIOC_REQBUFS, &request);
    nCount = request.count;
    return nResult;
}

int SwitchStreaming(V4l2Io& io, int fd, bool bOn)
{
    int nType = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    return io.Ioctl(fd, bOn ? VIDIOC_STREAMON : VIDIOC_STREAMOFF, &nType);
}

} // namespace

int V4l2Stream::Start(int fd, V4l2FrameFn fnFrame)
{
    if (IsStreaming())
        return -EBUSY;
    if (fd < 0)
        return -EBADF;
    if (!fnFrame)
        return -EINVAL;
    uint32_t nCount = BUFFER_COUNT;
    int nResult = RequestBuffers(m_io, fd, nCount);
    if (nResult < 0)
        return nResult;
    m_fd = fd;
    if (nCount == 0)
        nResult = -ENOMEM;
    m_buffers.reserve(nCount);
    for (uint32_t i = 0; nResult == 0 && i < nCount; i++)
    {
        v4l2_buffer buffer = MakeBuffer(i);
        nResult = m_io.Ioctl(fd, VIDIOC_QUERYBUF, &buffer);
        if (nResult < 0)
            break;
        void* p = m_io.Map(fd, buffer.length, buffer.m.offset);
        if (p == nullptr)
        {
            nResult = -ENOMEM;
            break;
        }
        m_buffers.emplace_back(m_io, p, buffer.length);
    }
    for (uint32_t i = 0; nResult == 0 && i < nCount; i++)
    {
        v4l2_buffer buffer = MakeBuffer(i);
        nResult = m_io.Ioctl(fd, VIDIOC_QBUF, &buffer);
    }
    if (nResult == 0)
        nResult = SwitchStreaming(m_io, fd, true);
    if (nResult == 0)
    {
        m_fnFrame = std::move(fnFrame);
        m_bStop = false;
        m_nError = 0;
        if (m_thread.Start([this] { Run(); }))
            return 0;
        nResult = -EAGAIN;
        SwitchStreaming(m_io, fd, false);
    }
    Release();
    return nResult;
}

int V4l2Stream::Stop()
{
    if (!IsStreaming())
        return 0;
    m_bStop = true;
    m_thread.Join();
    SwitchStreaming(m_io, m_fd, false);
    Release();
    return m_nError;
}

void V4l2Stream::Release()
{
    m_buffers.clear();
    uint32_t nCount = 0;
    RequestBuffers(m_io, m_fd, nCount);
    m_fnFrame = nullptr;
    m_fd = -1;
}

void V4l2Stream::Run()
{
    while (!m_bStop)
    {
        int nResult = m_io.Poll(m_fd, POLL_TIMEOUT_MS);
        if (nResult == 0 || nResult == -EINTR)
            continue;
        if (nResult < 0)
        {
            m_nError = nResult;
            return;
        }
        v4l2_buffer buffer = MakeBuffer(0);
        nResult = m_io.Ioctl(m_fd, VIDIOC_DQBUF, &buffer);
        if (nResult == -EAGAIN)
            continue;
        if (nResult < 0)
        {
            m_nError = nResult;
            return;
        }
        if (buffer.index >= m_buffers.size())
        {
            m_nError = -EIO;
            return;
        }
        // A buffer the driver marks as damaged is handed back unseen.
        if (!(buffer.flags & V4L2_BUF_FLAG_ERROR))
        {
            const V4l2Mapping& mapping = m_buffers[buffer.index];
            const size_t nBytes = std::min<size_t>(buffer.bytesused, mapping.Length());
            const double dTime = double(buffer.timestamp.tv_sec) + double(buffer.timestamp.tv_usec) * 1e-6;
            m_fnFrame(static_cast<const uint8_t*>(mapping.Data()), nBytes, dTime);
        }
        nResult = m_io.Ioctl(m_fd, VIDIOC_QBUF, &buffer);
        if (nResult < 0)
        {
            m_nError = nResult;
            return;
        }
    }
}
