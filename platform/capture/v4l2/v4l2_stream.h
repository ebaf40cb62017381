#pragma once

#include "platform/capture/v4l2/v4l2_io.h"
#include "platform/sys/worker_thread.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Called on the streaming thread for each filled buffer: its bytes, the number of bytes used and
// the capture time in seconds. The bytes are valid until the call returns.
using V4l2FrameFn = std::function<void(const uint8_t* pData, size_t nBytes, double dTime)>;

// Memory-mapped streaming from an open capture node on a thread of its own. Start and Stop are
// called from one controlling thread; the callback runs on the streaming thread only.
//
// Buffers that the driver marks damaged, or returns with fewer bytes than a frame (as uvcvideo
// does with its nodrop parameter set), are never handed on; they are counted, and so are the
// frames lost between buffers (gaps in the driver's sequence numbers). Both counts are reported
// on standard error when streaming stops, and at most once a second while it runs, whenever
// either is not zero.
class V4l2Stream
{
  public:
    // Line-scan frames arrive up to about 900 a second: enough buffers that a short stall of the
    // streaming thread loses nothing. Small frames get the driver's most, full frames fewer.
    static constexpr unsigned BUFFER_COUNT_MIN = 16;
    static constexpr unsigned BUFFER_COUNT_MAX = 32;
    static constexpr size_t BUFFER_BYTES = size_t(32) << 20;
    // How long the streaming thread waits for a buffer before it looks at the stop request again.
    static constexpr int POLL_TIMEOUT_MS = 50;
    static constexpr std::chrono::milliseconds REPORT_INTERVAL{1000};

    explicit V4l2Stream(V4l2Io& io) : m_io(io) {}
    V4l2Stream(const V4l2Stream&) = delete;
    V4l2Stream& operator=(const V4l2Stream&) = delete;
    ~V4l2Stream() { Stop(); }

    // Buffers to ask for when each frame takes nFrameBytes.
    static unsigned BufferCountFor(size_t nFrameBytes);

    // Allocates and maps nBuffers buffers (or as many as the driver grants), queues them, turns
    // streaming on and starts the thread; each frame takes nFrameBytes. 0, or -errno with nothing
    // left held and the failing step reported on standard error (strNode names the device there);
    // -EBUSY when already streaming.
    int Start(int fd, const std::string& strNode, unsigned nBuffers, size_t nFrameBytes, V4l2FrameFn fnFrame);
    // Ends the thread, turns streaming off and releases the buffers. 0, or the error that ended
    // the streaming thread early (the buffers are released all the same). 0 when not streaming.
    int Stop();
    bool IsStreaming() const { return m_fd >= 0; }
    // True when the streaming thread has ended by itself on an error (the camera unplugged); the
    // stream still holds its buffers until Stop.
    bool HasFailed() const { return m_bFailed; }

    // Counts of the current or last stream.
    uint64_t DamagedFrames() const { return m_nDamaged; }
    uint64_t LostFrames() const { return m_nLost; }

  private:
    void Run();
    void End(int nError);
    void CountSequence(uint32_t nSequence);
    void ReportCounts(const char* pszWhen);
    // Unmaps the buffers and hands them back to the driver.
    void Release();

    V4l2Io& m_io;
    // Set before the thread starts and cleared only after it has ended: the thread reads them
    // without a lock.
    int m_fd = -1;
    std::string m_strNode;
    std::vector<V4l2Mapping> m_buffers;
    size_t m_nFrameBytes = 0;
    V4l2FrameFn m_fnFrame;
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bFailed{false};
    std::atomic<int> m_nError{0};
    // Written by the streaming thread only.
    std::atomic<uint64_t> m_nDamaged{0};
    std::atomic<uint64_t> m_nLost{0};
    uint64_t m_nReported = 0; // damaged and lost as of the last report
    std::chrono::steady_clock::time_point m_lastReport;
    uint32_t m_nLastSequence = 0;
    bool m_bSequenceKnown = false;
    WorkerThread m_thread;
};
