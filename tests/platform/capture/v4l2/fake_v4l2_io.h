#pragma once

#include "platform/capture/v4l2/v4l2_io.h"
#include "platform/capture/v4l2/v4l2_log.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <deque>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <linux/videodev2.h>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// A stand-in for the uvcvideo driver of one or more nodes, answering as the driver does: the
// nearest format it has; extension-unit queries with GET_LEN and GET_INFO per control (ENOENT:
// unknown unit or selector, ENOBUFS: wrong payload length, EBADRQC: query not allowed); mmap
// streaming owned by one open at a time (EBUSY for another); damaged, short or skipped frames, and
// an unplug (poll error, then ENODEV). Each descriptor is an open of its own, as another process's
// would be. Logs every call and fails a chosen request on demand.
class FakeV4l2Io : public V4l2Io
{
  public:
    struct XuQuery
    {
        int nUnit, nSelector, nQuery;
        std::vector<uint8_t> payload; // as sent (SET) or as answered (GET)
        bool bLocked;                 // the sender held the node's lock
    };
    struct XuControl
    {
        uint16_t nLength;
        uint8_t nInfo = UVC_CONTROL_CAP_GET | UVC_CONTROL_CAP_SET;
    };
    struct Failure
    {
        int nErrno = EIO;
        int nAfter = 0; // successful calls before the failures start
    };
    static constexpr unsigned long MAP = 1; // a failure of this request fails the mapping of buffers

    // Configuration, set before use.
    std::map<std::string, uint32_t> m_deviceCaps; // openable paths and their device caps
    std::map<std::string, int> m_openErrno;       // paths whose open fails with this errno
    std::map<std::pair<int, int>, XuControl> m_xuControls = {
        {{3, 1}, {2}}, {{3, 2}, {1}}, {{3, 3}, {1}}, {{3, 4}, {1}}};
    uint8_t m_nGetAnswer = 0;
    std::map<unsigned long, Failure> m_failures; // requests that fail, and how
    uint32_t m_nFrameSize = 64, m_nBufferLength = 64;
    int m_nFramesToProduce = 0;
    std::set<int> m_damagedFrames;              // frame numbers (from 1) marked as damaged
    std::set<int> m_shortFrames;                // ... returned with 1 byte, unmarked
    std::map<int, uint32_t> m_framesLostBefore; // frame number -> frames the driver skipped
    std::atomic<int> m_nUnplugAfter{0};         // the camera goes after this many frames (0: never)
    v4l2_pix_format m_format{};
    uint32_t m_nOnlyPixelFormat = 0; // not 0: the one format the driver has
    uint32_t m_nLinePadding = 0;     // bytes the driver adds to each line

    // Makes strPath an openable capture node and opens it.
    int OpenCaptureNode(const std::string& strPath)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_deviceCaps[strPath] = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
        }
        return Open(strPath, 0);
    }
    // Lets nFrames more frames come, also while streaming.
    void ProduceFrames(int nFrames)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nFramesToProduce += nFrames;
    }

    // Observations, safe while the stream thread runs.
    std::vector<unsigned long> Requests() { return Locked(m_requests); }
    std::vector<XuQuery> XuQueries() { return Locked(m_xuQueries); }
    std::vector<uint32_t> ReqbufsCounts() { return Locked(m_reqbufsCounts); }
    int OpenCount() { return int(Locked(m_openFds).size()); }
    size_t MappedCount() { return Locked(m_mapped).size(); }
    bool StreamOn() { return Locked(m_bStreamOn); }
    int UnmapCount() { return Locked(m_nUnmaps); }

    int Open(const std::string& strPath, int) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_openErrno.count(strPath))
            return -m_openErrno[strPath];
        if (!m_deviceCaps.count(strPath))
            return -ENOENT;
        m_openFds[m_nNextFd] = strPath;
        return m_nNextFd++;
    }
    void Close(int fd) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto* pOwners : {&m_lockOwner, &m_streamOwner})
            std::erase_if(*pOwners, [fd](const auto& owner) { return owner.second == fd; });
        m_openFds.erase(fd);
    }
    int Lock(int fd, bool bLock) override
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
    int Ioctl(int fd, unsigned long nRequest, void* pArg) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(nRequest);
        if (!m_openFds.count(fd))
            return -EBADF;
        if (m_bGone)
            return -ENODEV;
        if (auto it = m_failures.find(nRequest); it != m_failures.end() && it->second.nAfter-- <= 0)
            return -it->second.nErrno;
        return Answer(fd, nRequest, pArg);
    }
    void* Map(int, size_t nLength, off_t nOffset) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const size_t nIndex = size_t(nOffset) / 4096;
        if (m_failures.count(MAP) || nIndex >= m_buffers.size() || nLength > m_buffers[nIndex].size())
            return nullptr;
        void* p = m_buffers[nIndex].data();
        m_mapped.insert(p);
        return p;
    }
    void Unmap(void* p, size_t) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_mapped.erase(p);
        m_nUnmaps++;
    }
    int Poll(int, int) override
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

  private:
    template <class T> T Locked(const T& value)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return value;
    }
    int AnswerXu(int fd, uvc_xu_control_query& query)
    {
        auto it = m_xuControls.find({query.unit, query.selector});
        if (it == m_xuControls.end())
            return -ENOENT;
        const XuControl& control = it->second;
        const bool bGet = query.query == UVC_GET_CUR, bSet = query.query == UVC_SET_CUR;
        const uint16_t nSize = bGet || bSet ? control.nLength : query.query == UVC_GET_LEN ? 2 : 1;
        const uint8_t nNeeded = bGet ? UVC_CONTROL_CAP_GET : bSet ? UVC_CONTROL_CAP_SET : 0;
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
        const bool bLocked = owner != m_lockOwner.end() && owner->second == fd;
        m_xuQueries.push_back(
            {query.unit, query.selector, query.query, {query.data, query.data + query.size}, bLocked});
        return 0;
    }
    template <class T> static T& As(void* pArg) { return *static_cast<T*>(pArg); }
    int Answer(int fd, unsigned long nRequest, void* pArg)
    {
        const std::string& strPath = m_openFds[fd];
        switch (nRequest)
        {
        case VIDIOC_QUERYCAP:
            As<v4l2_capability>(pArg).capabilities =
                V4L2_CAP_DEVICE_CAPS | V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE;
            As<v4l2_capability>(pArg).device_caps = m_deviceCaps[strPath];
            return 0;
        case UVCIOC_CTRL_QUERY:
            return AnswerXu(fd, As<uvc_xu_control_query>(pArg));
        case VIDIOC_G_FMT:
            As<v4l2_format>(pArg).fmt.pix = m_format;
            return 0;
        case VIDIOC_S_FMT:
        {
            // The nearest format the driver has: it never refuses.
            v4l2_pix_format& pix = As<v4l2_format>(pArg).fmt.pix;
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
            const uint32_t nCount = As<v4l2_requestbuffers>(pArg).count;
            auto owner = m_streamOwner.find(strPath);
            if ((owner != m_streamOwner.end() && owner->second != fd) || !m_mapped.empty())
                return -EBUSY; // buffers still mapped are not freed
            m_reqbufsCounts.push_back(nCount);
            m_buffers.assign(nCount, std::vector<uint8_t>(m_nBufferLength));
            m_queued.clear();
            if (nCount > 0)
                m_streamOwner[strPath] = fd;
            else
                m_streamOwner.erase(strPath);
            return 0;
        }
        case VIDIOC_QUERYBUF:
            As<v4l2_buffer>(pArg).length = m_nBufferLength;
            As<v4l2_buffer>(pArg).m.offset = As<v4l2_buffer>(pArg).index * 4096;
            return 0;
        case VIDIOC_QBUF:
            m_queued.push_back(As<v4l2_buffer>(pArg).index);
            return 0;
        case VIDIOC_DQBUF:
        {
            if (!FrameReady())
                return -EAGAIN;
            v4l2_buffer& buffer = As<v4l2_buffer>(pArg);
            buffer.index = m_queued.front();
            m_queued.pop_front();
            m_nFramesToProduce--;
            m_nFrame++;
            m_nSequence += m_framesLostBefore.count(m_nFrame) ? m_framesLostBefore[m_nFrame] : 0;
            buffer.sequence = m_nSequence++;
            buffer.flags = m_damagedFrames.count(m_nFrame) ? V4L2_BUF_FLAG_ERROR : 0;
            std::memset(m_buffers[buffer.index].data(), m_nFrame, m_nBufferLength);
            buffer.bytesused = m_shortFrames.count(m_nFrame) ? 1 : m_nFrameSize;
            buffer.timestamp = {m_nFrame, 500000};
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
    bool FrameReady() const { return m_bStreamOn && !m_queued.empty() && m_nFramesToProduce > 0; }

    std::mutex m_mutex; // protects everything below and the model above once streaming runs
    std::vector<unsigned long> m_requests;
    std::vector<XuQuery> m_xuQueries;
    std::vector<uint32_t> m_reqbufsCounts;    // of the buffer requests granted
    std::map<int, std::string> m_openFds;     // descriptor -> path
    std::map<std::string, int> m_lockOwner;   // path -> descriptor holding its lock
    std::map<std::string, int> m_streamOwner; // path -> descriptor owning its buffers
    int m_nNextFd = 3;
    std::vector<std::vector<uint8_t>> m_buffers;
    std::set<void*> m_mapped;
    int m_nUnmaps = 0;
    std::deque<uint32_t> m_queued;
    bool m_bStreamOn = false, m_bGone = false;
    int m_nFrame = 0;
    uint32_t m_nSequence = 0;
};

// Collects the backend's report lines for as long as it lives, instead of standard error.
class LogCapture
{
  public:
    LogCapture() { V4l2Log::SetSink(&Add, this); }
    ~LogCapture() { V4l2Log::SetSink(nullptr, nullptr); }

    // The lines reported since the last call.
    std::vector<std::string> Take()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return std::exchange(m_lines, {});
    }

  private:
    static void Add(const char* pszLine, void* pThis)
    {
        std::lock_guard<std::mutex> lock(static_cast<LogCapture*>(pThis)->m_mutex);
        static_cast<LogCapture*>(pThis)->m_lines.emplace_back(pszLine);
    }

    std::mutex m_mutex; // protects m_lines: the streaming thread reports too
    std::vector<std::string> m_lines;
};
