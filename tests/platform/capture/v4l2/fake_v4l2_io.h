#pragma once

#include "platform/capture/v4l2/v4l2_io.h"
#include "platform/capture/v4l2/v4l2_log.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <linux/videodev2.h>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

// A stand-in for the uvcvideo driver of one or more device nodes, answering as the driver does:
// capabilities; the format (the nearest one it has, which need not be the one asked for);
// extension-unit queries (GET_LEN and GET_INFO per control; ENOENT for an unknown unit or
// selector, ENOBUFS for a payload of the wrong length, EBADRQC for a query the control does not
// allow); mmap streaming owned by one open at a time (EBUSY for another); frames marked damaged
// or returned short, gaps in the sequence numbers, and an unplug (poll error, then ENODEV for
// every call). Each descriptor is an open of its own, as another process's would be. Logs every
// call and fails a chosen request on demand.
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
        uint8_t nInfo; // bit 0: GET allowed, bit 1: SET allowed
    };

    FakeV4l2Io();

    // Configuration, set before use.
    std::map<std::string, uint32_t> m_deviceCaps;          // openable paths and their device caps
    std::map<std::string, int> m_openErrno;                // paths whose open fails with this errno
    std::map<std::pair<int, int>, XuControl> m_xuControls; // (unit, selector): unit 3, 1 to 4
    uint8_t m_nGetAnswer = 0;
    unsigned long m_nFailRequest = 0; // this ioctl fails with m_nFailErrno ...
    int m_nFailErrno = EIO;
    int m_nFailAfter = 0; // ... after this many successful calls of it
    bool m_bFailMap = false;
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
    int OpenCaptureNode(const std::string& strPath);
    // Lets nFrames more frames come, also while streaming.
    void ProduceFrames(int nFrames);

    // Observations, safe while the stream thread runs.
    std::vector<unsigned long> Requests() { return Locked(m_requests); }
    std::vector<XuQuery> XuQueries() { return Locked(m_xuQueries); }
    std::vector<uint32_t> ReqbufsCounts() { return Locked(m_reqbufsCounts); }
    std::vector<std::string> OpenedPaths() { return Locked(m_openedPaths); }
    int OpenCount() { return int(Locked(m_openFds).size()); }
    size_t MappedCount() { return Locked(m_mapped).size(); }
    bool StreamOn() { return Locked(m_bStreamOn); }
    int UnmapCount() { return Locked(m_nUnmaps); }

    int Open(const std::string& strPath, int nFlags) override;
    void Close(int fd) override;
    int Ioctl(int fd, unsigned long nRequest, void* pArg) override;
    void* Map(int fd, size_t nLength, off_t nOffset) override;
    void Unmap(void* p, size_t nLength) override;
    int Poll(int fd, int nTimeoutMs) override;
    int Lock(int fd, bool bLock) override;

  private:
    template <class T> T Locked(const T& value)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return value;
    }
    int Answer(int fd, unsigned long nRequest, void* pArg);
    int AnswerXu(int fd, struct uvc_xu_control_query& query);
    bool FrameReady() const { return m_bStreamOn && !m_queued.empty() && m_nFramesToProduce > 0; }

    std::mutex m_mutex; // protects everything below and the model above once streaming runs
    std::vector<unsigned long> m_requests;
    std::map<unsigned long, int> m_callCounts;
    std::vector<XuQuery> m_xuQueries;
    std::vector<uint32_t> m_reqbufsCounts;
    std::vector<std::string> m_openedPaths;
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
    LogCapture() { V4l2Log::SetSink(&Append, this); }
    ~LogCapture() { V4l2Log::SetSink(nullptr, nullptr); }

    // The lines reported since the last call.
    std::vector<std::string> Take()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return std::exchange(m_lines, {});
    }

  private:
    static void Append(const char* pszLine, void* pContext)
    {
        auto* pThis = static_cast<LogCapture*>(pContext);
        std::lock_guard<std::mutex> lock(pThis->m_mutex);
        pThis->m_lines.emplace_back(pszLine);
    }

    std::mutex m_mutex; // protects m_lines: the streaming thread reports too
    std::vector<std::string> m_lines;
};
