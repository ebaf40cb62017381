#include "platform/capture/v4l2/v4l2_stream.h"

#include "platform/capture/v4l2/v4l2_log.h"

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

unsigned V4l2Stream::BufferCountFor(size_t nFrameBytes)
{
    const size_t nFit = nFrameBytes > 0 ? BUFFER_BYTES / nFrameBytes : BUFFER_COUNT_MAX;
    return unsigned(std::clamp<size_t>(nFit, BUFFER_COUNT_MIN, BUFFER_COUNT_MAX));
}

int V4l2Stream::Start(int fd, const std::string& strNode, unsigned nBuffers, size_t nFrameBytes,
                      V4l2FrameFn fnFrame)
{
    if (IsStreaming())
        return -EBUSY;
    if (fd < 0)
        return -EBADF;
    if (!fnFrame || nBuffers == 0)
        return -EINVAL;
    m_strNode = strNode;
    const char* pszStep = "request buffers (VIDIOC_REQBUFS)";
    uint32_t nCount = nBuffers;
    int nResult = RequestBuffers(m_io, fd, nCount);
    if (nResult < 0)
    {
        V4l2Log::Failure(m_strNode.c_str(), pszStep, nResult);
        return nResult;
    }
    m_fd = fd;
    if (nCount == 0)
        nResult = -ENOMEM;
    m_buffers.reserve(nCount);
    for (uint32_t i = 0; nResult == 0 && i < nCount; i++)
    {
        pszStep = "query buffer (VIDIOC_QUERYBUF)";
        v4l2_buffer buffer = MakeBuffer(i);
        nResult = m_io.Ioctl(fd, VIDIOC_QUERYBUF, &buffer);
        if (nResult < 0)
            break;
        pszStep = "map buffer";
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
        pszStep = "queue buffer (VIDIOC_QBUF)";
        v4l2_buffer buffer = MakeBuffer(i);
        nResult = m_io.Ioctl(fd, VIDIOC_QBUF, &buffer);
    }
    if (nResult == 0)
    {
        pszStep = "start streaming (VIDIOC_STREAMON)";
        nResult = SwitchStreaming(m_io, fd, true);
    }
    if (nResult == 0)
    {
        m_fnFrame = std::move(fnFrame);
        m_nFrameBytes = nFrameBytes;
        m_bStop = false;
        m_bFailed = false;
        m_nError = 0;
        m_nDamaged = 0;
        m_nLost = 0;
        m_nReported = 0;
        m_lastReport = std::chrono::steady_clock::now() - REPORT_INTERVAL;
        m_bSequenceKnown = false;
        if (m_thread.Start([this] { Run(); }))
            return 0;
        pszStep = "start the streaming thread";
        nResult = -EAGAIN;
        SwitchStreaming(m_io, fd, false);
    }
    V4l2Log::Failure(m_strNode.c_str(), pszStep, nResult);
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
    if (m_nDamaged + m_nLost > 0)
        ReportCounts("streaming stopped");
    m_bFailed = false;
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

void V4l2Stream::ReportCounts(const char* pszWhen)
{
    const uint64_t nDamaged = m_nDamaged;
    const uint64_t nLost = m_nLost;
    V4l2Log::Write("tarnwick: %s: %s: %llu damaged frame%s dropped, %llu frame%s lost between buffers",
                   m_strNode.c_str(), pszWhen, static_cast<unsigned long long>(nDamaged),
                   nDamaged == 1 ? "" : "s", static_cast<unsigned long long>(nLost), nLost == 1 ? "" : "s");
}

void V4l2Stream::End(int nError)
{
    m_nError = nError;
    m_bFailed = true;
    V4l2Log::Failure(m_strNode.c_str(), "streaming ended", nError);
}

void V4l2Stream::CountSequence(uint32_t nSequence)
{
    // The driver counts every frame, also those it had no buffer for; a step back (a driver
    // restarting its count) loses nothing.
    const uint32_t nGap = nSequence - m_nLastSequence - 1;
    if (m_bSequenceKnown && nGap != 0 && nGap < 0x80000000u)
        m_nLost += nGap;
    m_nLastSequence = nSequence;
    m_bSequenceKnown = true;
}

void V4l2Stream::Run()
{
    while (!m_bStop)
    {
        const int nPoll = m_io.Poll(m_fd, POLL_TIMEOUT_MS);
        if (nPoll == 0 || nPoll == -EINTR)
            continue;
        // After a poll error the dequeue tells why: a camera that is gone answers -ENODEV.
        v4l2_buffer buffer = MakeBuffer(0);
        int nResult = m_io.Ioctl(m_fd, VIDIOC_DQBUF, &buffer);
        if (nResult == -EAGAIN && nPoll > 0)
            continue;
        if (nResult < 0)
            return End(nResult == -EAGAIN ? nPoll : nResult);
        if (buffer.index >= m_buffers.size())
            return End(-EIO);
        CountSequence(buffer.sequence);
        const V4l2Mapping& mapping = m_buffers[buffer.index];
        const size_t nBytes = std::min<size_t>(buffer.bytesused, mapping.Length());
        if ((buffer.flags & V4L2_BUF_FLAG_ERROR) || nBytes < m_nFrameBytes)
        {
            ++m_nDamaged; // handed back unseen
        }
        else
        {
            const double dTime = double(buffer.timestamp.tv_sec) + double(buffer.timestamp.tv_usec) * 1e-6;
            m_fnFrame(static_cast<const uint8_t*>(mapping.Data()), nBytes, dTime);
        }
        nResult = m_io.Ioctl(m_fd, VIDIOC_QBUF, &buffer);
        if (nResult < 0)
            return End(nResult);
        const uint64_t nCounted = m_nDamaged + m_nLost;
        if (nCounted != m_nReported)
        {
            const auto now = std::chrono::steady_clock::now();
            if (now - m_lastReport >= REPORT_INTERVAL)
            {
                ReportCounts("while streaming");
                m_nReported = nCounted;
                m_lastReport = now;
            }
        }
    }
}
