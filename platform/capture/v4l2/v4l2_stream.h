#pragma once

#include "platform/capture/v4l2/v4l2_io.h"
#include "platform/sys/worker_thread.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Called on the streaming thread for each filled buffer: its bytes, the number of bytes used and
// the capture time in seconds. The bytes are valid until the call returns.
using V4l2FrameFn = std::function<void(const uint8_t* pData, size_t nBytes, double dTime)>;

// Memory-mapped streaming from an open capture node on a thread of its own. Start and Stop are
// called from one controlling thread; the callback runs on the streaming thread only.
class V4l2Stream
{
  public:
    static constexpr unsigned BUFFER_COUNT = 4;
    // How long the streaming thread waits for a buffer before it looks at the stop request again.
    static constexpr int POLL_TIMEOUT_MS = 50;

    explicit V4l2Stream(V4l2Io& io) : m_io(io) {}
    V4l2Stream(const V4l2Stream&) = delete;
    V4l2Stream& operator=(const V4l2Stream&) = delete;
    ~V4l2Stream() { Stop(); }

    // Allocates and maps the buffers, queues them, turns streaming on and starts the thread.
    // 0, or -errno with nothing left held; -EBUSY when already streaming.
    int Start(int fd, V4l2FrameFn fnFrame);
    // Ends the thread, turns streaming off and releases the buffers. 0, or the error that ended
    // the streaming thread early (the buffers are released all the same). 0 when not streaming.
    int Stop();
    bool IsStreaming() const { return m_fd >= 0; }

  private:
    void Run();
    // Unmaps the buffers and hands them back to the driver.
    void Release();

    V4l2Io& m_io;
    // Set before the thread starts and cleared only after it has ended: the thread reads them
    // without a lock.
    int m_fd = -1;
    std::vector<V4l2Mapping> m_buffers;
    V4l2FrameFn m_fnFrame;
    std::atomic<bool> m_bStop{false};
    std::atomic<int> m_nError{0};
    WorkerThread m_thread;
};
