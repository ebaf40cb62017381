// The recording step per frame (two- and four-line frames) beside a memcpy of the same lines, and
// Save Image's BMP file (960 x 1284, 24-bit) beside one fwrite of the same bytes.

#include "buffers/recording_state.h"
#include "buffers/shared_buffers.h"
#include "display/bmp_file.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

namespace
{
constexpr std::uint32_t FRAMES_BEFORE_RESTART = 16000; // within the store for either mode

void BM_StoreRecordingFrame(benchmark::State& state)
{
    const int nMode = static_cast<int>(state.range(0));
    AllocateSharedBuffers();
    for (std::size_t i = 0; i < RAW_FRAME_BYTES; ++i)
        g_pRawFrame[i] = static_cast<unsigned char>(i * 31 + 7);
    g_nRecFrames = 0;
    g_nRecFrameLimit = FRAMES_BEFORE_RESTART;
    g_nRecMode = nMode;
    for (auto _ : state)
    {
        if (StoreRecordingFrame(int(SENSOR_WIDTH)) == FRAMES_BEFORE_RESTART)
            g_nRecFrames = 0;
        benchmark::ClobberMemory();
    }
    EndRecording();
    ReleaseSharedBuffers();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * RecLinesPerFrame(nMode) *
                            static_cast<int64_t>(SENSOR_WIDTH));
}

void BM_MemcpyLines(benchmark::State& state)
{
    const std::size_t nBytes =
        static_cast<std::size_t>(RecLinesPerFrame(static_cast<int>(state.range(0)))) * SENSOR_WIDTH;
    std::vector<unsigned char> source(nBytes, 7);
    std::vector<unsigned char> store(nBytes * FRAMES_BEFORE_RESTART);
    std::size_t nFrame = 0;
    for (auto _ : state)
    {
        std::memcpy(store.data() + nFrame * nBytes, source.data(), nBytes);
        nFrame = (nFrame + 1) % FRAMES_BEFORE_RESTART;
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(nBytes));
}

const std::string BENCH_FILE = (std::filesystem::temp_directory_path() / "tarnwick_bench.bmp").string();

BitmapInfo LiveColourHeader()
{
    BitmapInfo bmi;
    bmi.bmiHeader.biWidth = 960;
    bmi.bmiHeader.biHeight = 1284;
    bmi.bmiHeader.biBitCount = 24;
    return bmi;
}

void BM_WriteBmpFile(benchmark::State& state)
{
    const BitmapInfo bmi = LiveColourHeader();
    std::vector<unsigned char> pixels(BGR_FRAME_BYTES, 9);
    for (auto _ : state)
        benchmark::DoNotOptimize(WriteBmpFile(BENCH_FILE, bmi, pixels.data(), pixels.size()));
    std::filesystem::remove(BENCH_FILE);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 3697974);
}

void BM_FwriteSameBytes(benchmark::State& state)
{
    std::vector<unsigned char> bytes(3697974, 9);
    for (auto _ : state)
    {
        std::FILE* pFile = std::fopen(BENCH_FILE.c_str(), "wb");
        benchmark::DoNotOptimize(std::fwrite(bytes.data(), 1, bytes.size(), pFile));
        std::fclose(pFile);
    }
    std::filesystem::remove(BENCH_FILE);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}
} // namespace

BENCHMARK(BM_StoreRecordingFrame)->Arg(1)->Arg(2);
BENCHMARK(BM_MemcpyLines)->Arg(1)->Arg(2);
BENCHMARK(BM_WriteBmpFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FwriteSameBytes)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
