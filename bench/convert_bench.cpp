// Speed of the display conversions, each beside its anchor in the same run:
// - one Bayer procedure on a 960 x 1284 live frame, one thread, against OpenCV's bilinear
//   Bayer conversion on the same mosaic (one thread);
// - the two-worker split of a 65500 x 1284 line-scan image against a memcpy of one half's
//   output bytes;
// - the YUY2 procedures per pixel against the demosaic;
// - the persistent worker pair against two new threads per conversion.
#include "display/bayer_demosaic.h"
#include "display/conversion_split.h"
#include "display/yuy2_convert.h"
#include "platform/sys/worker_thread.h"

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace
{

constexpr int FRAME_W = 960;
constexpr int FRAME_H = 1284;
constexpr int SCAN_W = 65500;
constexpr int SCAN_H = 1284;

std::vector<uint8_t> RandomBytes(size_t n)
{
    std::vector<uint8_t> v(n);
    std::mt19937 rng(42);
    for (auto& b : v)
        b = uint8_t(rng());
    return v;
}

struct Frame
{
    std::vector<uint8_t> src = RandomBytes(size_t(FRAME_W) * FRAME_H * 2);
    std::vector<uint8_t> dst = std::vector<uint8_t>(size_t(FRAME_W) * FRAME_H * 3);
};

Frame& TheFrame()
{
    static Frame frame;
    return frame;
}

struct LineScan
{
    std::vector<uint8_t> src = RandomBytes(size_t(SCAN_W) * SCAN_H);
    std::vector<uint8_t> dst = std::vector<uint8_t>(size_t(SCAN_W) * SCAN_H * 3);
};

LineScan& TheLineScan()
{
    static LineScan scan;
    return scan;
}

void SetPixels(benchmark::State& state, int64_t nPixelsPerIteration)
{
    state.SetItemsProcessed(state.iterations() * nPixelsPerIteration);
}

void BM_OpenCvBayerBG2BGR(benchmark::State& state)
{
    cv::setNumThreads(1);
    Frame& f = TheFrame();
    cv::Mat src(FRAME_H, FRAME_W, CV_8UC1, f.src.data());
    cv::Mat dst(FRAME_H, FRAME_W, CV_8UC3, f.dst.data());
    for (auto _ : state)
    {
        cv::cvtColor(src, dst, cv::COLOR_BayerBG2BGR);
        benchmark::DoNotOptimize(dst.data);
    }
    SetPixels(state, int64_t(FRAME_W) * FRAME_H);
}
BENCHMARK(BM_OpenCvBayerBG2BGR)->Unit(benchmark::kMicrosecond);

void BM_DemosaicFrameOneThread(benchmark::State& state)
{
    Frame& f = TheFrame();
    ConvertParams params[2];
    FillBayerParams(params, f.src.data(), f.dst.data(), FRAME_W, FRAME_H);
    // One block over rows 1 ... H - 2.
    ConvertParams block = params[0];
    block.nRows = FRAME_H - 2;
    const ConvertProc proc = BayerProcedure(int(state.range(0)));
    for (auto _ : state)
    {
        proc(&block);
        benchmark::ClobberMemory();
    }
    SetPixels(state, int64_t(FRAME_W) * FRAME_H);
}
BENCHMARK(BM_DemosaicFrameOneThread)->ArgName("phase")->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

void BM_Yuy2FrameOneThread(benchmark::State& state)
{
    Frame& f = TheFrame();
    ConvertParams params[2];
    FillYuy2Params(params, f.src.data(), f.dst.data(), FRAME_W, FRAME_H);
    ConvertParams block = params[0];
    block.nRows = FRAME_H;
    const ConvertProc proc = Yuy2Procedure(int(state.range(0)));
    for (auto _ : state)
    {
        proc(&block);
        benchmark::ClobberMemory();
    }
    SetPixels(state, int64_t(FRAME_W) * FRAME_H);
}
BENCHMARK(BM_Yuy2FrameOneThread)->ArgName("studio")->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);

void BM_SplitFramePersistentWorkers(benchmark::State& state)
{
    Frame& f = TheFrame();
    ConversionSplit split;
    ConvertParams params[2];
    for (auto _ : state)
    {
        split.ConvertBayer(BAYER_GRBG, f.src.data(), f.dst.data(), FRAME_W, FRAME_H, params);
        benchmark::ClobberMemory();
    }
    SetPixels(state, int64_t(FRAME_W) * FRAME_H);
}
BENCHMARK(BM_SplitFramePersistentWorkers)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The other way of running the split: two new threads for every conversion.
void BM_SplitFrameNewThreads(benchmark::State& state)
{
    Frame& f = TheFrame();
    ConvertParams params[2];
    WorkerThread workers[2];
    for (auto _ : state)
    {
        FillBayerParams(params, f.src.data(), f.dst.data(), FRAME_W, FRAME_H);
        for (int i = 0; i < 2; ++i)
            workers[i].Start([p = &params[i]] { DemosaicGRBG(p); });
        for (auto& worker : workers)
            worker.Join();
        benchmark::ClobberMemory();
    }
    SetPixels(state, int64_t(FRAME_W) * FRAME_H);
}
BENCHMARK(BM_SplitFrameNewThreads)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_MemcpyLineScanHalfOutput(benchmark::State& state)
{
    LineScan& s = TheLineScan();
    const size_t nBytes = size_t(SCAN_W) * 642 * 3;
    for (auto _ : state)
    {
        std::memcpy(s.dst.data() + nBytes, s.dst.data(), nBytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(nBytes));
}
BENCHMARK(BM_MemcpyLineScanHalfOutput)->Unit(benchmark::kMillisecond);

// Block 0 of the line-scan split alone, on this thread: one half's work.
void BM_LineScanHalfOneThread(benchmark::State& state)
{
    LineScan& s = TheLineScan();
    ConvertParams params[2];
    FillBayerParams(params, s.src.data(), s.dst.data(), SCAN_W, SCAN_H);
    for (auto _ : state)
    {
        DemosaicGRBG(&params[0]);
        benchmark::ClobberMemory();
    }
    SetPixels(state, int64_t(SCAN_W) * params[0].nRows);
}
BENCHMARK(BM_LineScanHalfOneThread)->Unit(benchmark::kMillisecond);

// The whole line-scan image through the split: both halves at once.
void BM_LineScanSplit(benchmark::State& state)
{
    LineScan& s = TheLineScan();
    ConversionSplit split;
    ConvertParams params[2];
    for (auto _ : state)
    {
        split.ConvertBayer(BAYER_GRBG, s.src.data(), s.dst.data(), SCAN_W, SCAN_H, params);
        benchmark::ClobberMemory();
    }
    SetPixels(state, int64_t(SCAN_W) * SCAN_H);
}
BENCHMARK(BM_LineScanSplit)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
