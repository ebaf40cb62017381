// Frames a second through the V4L2 streaming thread when the driver always has a filled buffer:
// the thread's own work per frame (dequeue, damage and sequence checks, requeue) and the frame
// callback's reordering, without the cost of the system calls themselves.

#include "camera/sample_grabber_cb.h"
#include "platform/capture/v4l2/v4l2_stream.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cerrno>
#include <deque>
#include <linux/videodev2.h>
#include <thread>
#include <vector>

namespace
{
constexpr int W = 1284;

// A driver whose every queued buffer is filled at once. Queue and dequeue come from one thread
// at a time (the starting thread, then the streaming thread), so it takes no lock.
class ReadyIo : public V4l2Io
{
  public:
    explicit ReadyIo(size_t nFrameBytes) : m_nFrameBytes(nFrameBytes) {}

    int Open(const std::string&, int) override { return 3; }
    void Close(int) override {}
    int Ioctl(int, unsigned long nRequest, void* pArg) override
    {
        auto* pBuffer = static_cast<v4l2_buffer*>(pArg);
        switch (nRequest)
        {
        case VIDIOC_REQBUFS:
            m_buffers.assign(static_cast<v4l2_requestbuffers*>(pArg)->count,
                             std::vector<uint8_t>(m_nFrameBytes));
            m_queued.clear();
            return 0;
        case VIDIOC_QUERYBUF:
            pBuffer->length = uint32_t(m_nFrameBytes);
            pBuffer->m.offset = pBuffer->index;
            return 0;
        case VIDIOC_QBUF:
            m_queued.push_back(pBuffer->index);
            return 0;
        case VIDIOC_DQBUF:
            if (m_queued.empty())
                return -EAGAIN;
            pBuffer->index = m_queued.front();
            m_queued.pop_front();
            pBuffer->bytesused = uint32_t(m_nFrameBytes);
            pBuffer->sequence = m_nSequence++;
            return 0;
        default:
            return 0;
        }
    }
    void* Map(int, size_t, off_t nOffset) override { return m_buffers[size_t(nOffset)].data(); }
    void Unmap(void*, size_t) override {}
    int Poll(int, int) override { return m_queued.empty() ? 0 : 1; }
    int Lock(int, bool) override { return 0; }

  private:
    size_t m_nFrameBytes;
    std::vector<std::vector<uint8_t>> m_buffers;
    std::deque<uint32_t> m_queued;
    uint32_t m_nSequence = 0;
};

void NoFrame(void*) {}

void BM_StreamFrames(benchmark::State& state)
{
    const int nHeight = static_cast<int>(state.range(0));
    const int64_t nFramesPerRun = state.range(1);
    const size_t nFrameBytes = size_t(W) * nHeight * 2;
    ReadyIo io(nFrameBytes);
    std::vector<uint8_t> raw(size_t(W) * 964 * 2);
    SampleGrabberCB cb;
    cb.m_pDest = raw.data();
    cb.m_pfnFrame = NoFrame;
    cb.m_nWidth = W;
    cb.m_nHeight = nHeight;
    std::atomic<int64_t> nFrames{0};
    V4l2Stream stream(io);
    for (auto _ : state)
    {
        nFrames = 0;
        stream.Start(3, "bench", V4l2Stream::BufferCountFor(nFrameBytes), nFrameBytes,
                     [&](const uint8_t* pData, size_t nBytes, double dTime)
                     {
                         cb.BufferCB(dTime, pData, static_cast<long>(nBytes));
                         ++nFrames;
                     });
        while (nFrames < nFramesPerRun)
            std::this_thread::yield();
        stream.Stop();
    }
    state.SetItemsProcessed(state.iterations() * nFramesPerRun);
}
} // namespace

// Frame height, frames a run.
BENCHMARK(BM_StreamFrames)
    ->Args({2, 20000})
    ->Args({4, 20000})
    ->Args({960, 200})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_MAIN();
