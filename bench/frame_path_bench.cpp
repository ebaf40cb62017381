// Frame callback cost per frame height, each beside a memcpy of the same sample size.

#include "buffers/shared_buffers.h"
#include "camera/sample_grabber_cb.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace
{
constexpr int W = 1284;

void NoFrame(void*) {}

std::vector<uint8_t> Sample(int nHeight)
{
    std::vector<uint8_t> v(static_cast<size_t>(W) * nHeight * 2);
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = static_cast<uint8_t>(i * 31 + 7);
    return v;
}

void BM_BufferCB(benchmark::State& state)
{
    const int nHeight = static_cast<int>(state.range(0));
    std::vector<uint8_t> sample = Sample(nHeight);
    std::vector<uint8_t> raw(static_cast<size_t>(W) * 964 * 2);
    SampleGrabberCB cb;
    cb.m_pDest = raw.data();
    cb.m_pfnFrame = NoFrame;
    cb.m_nWidth = W;
    cb.m_nHeight = nHeight;
    for (auto _ : state)
    {
        cb.BufferCB(0.0, sample.data(), static_cast<long>(sample.size()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(sample.size()));
    state.counters["lines/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * nHeight, benchmark::Counter::kIsRate);
}

// The same beside a live viewer that reads the frame under the live-frame lock without pause (a
// copy of the whole frame, about what a pass's conversion and blit take): the frame store waits
// for at most one such read.
void BM_BufferCBBesideReader(benchmark::State& state)
{
    const int nHeight = static_cast<int>(state.range(0));
    std::vector<uint8_t> sample = Sample(nHeight);
    std::vector<uint8_t> raw(static_cast<size_t>(W) * 964 * 2), picture(raw.size());
    SampleGrabberCB cb;
    cb.m_pDest = raw.data();
    cb.m_pfnFrame = NoFrame;
    cb.m_nWidth = W;
    cb.m_nHeight = nHeight;
    std::atomic<bool> bStop{false};
    std::thread reader(
        [&]
        {
            while (!bStop)
            {
                std::lock_guard<std::mutex> lock(LiveFrameLock());
                std::memcpy(picture.data(), raw.data(), static_cast<size_t>(W) * 960);
            }
        });
    for (auto _ : state)
    {
        cb.BufferCB(0.0, sample.data(), static_cast<long>(sample.size()));
        benchmark::ClobberMemory();
    }
    bStop = true;
    reader.join();
    state.counters["lines/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * nHeight, benchmark::Counter::kIsRate);
}

void BM_Memcpy(benchmark::State& state)
{
    const int nHeight = static_cast<int>(state.range(0));
    std::vector<uint8_t> sample = Sample(nHeight);
    std::vector<uint8_t> copy(sample.size());
    for (auto _ : state)
    {
        std::memcpy(copy.data(), sample.data(), sample.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(sample.size()));
}
} // namespace

BENCHMARK(BM_BufferCB)->Arg(960)->Arg(4)->Arg(2);
BENCHMARK(BM_BufferCBBesideReader)->Arg(960)->Arg(4)->UseRealTime();
BENCHMARK(BM_Memcpy)->Arg(960)->Arg(4)->Arg(2);

BENCHMARK_MAIN();
