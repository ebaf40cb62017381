// Speed of Rec Stop and of saving the longest recording (65500 lines), each beside its anchor in
// the same run:
// - the composition of the stored lines into the 1284-row image, and Rec Stop up to a picture
//   ready for the line-scan viewer (composition, then the viewer's two-worker demosaic), against
//   one memcpy of the 84 MB line-scan store;
// - the JPEG file of the converted picture against libjpeg-turbo encoding the same pixels into a
//   file of the same folder, with nothing around it.
#include "buffers/shared_buffers.h"
#include "display/conversion_split.h"
#include "pages/jpeg_file.h"
#include "pages/line_scan_composer.h"

#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace
{

constexpr int W = 65500;
constexpr int H = static_cast<int>(SENSOR_WIDTH);
constexpr std::size_t IMAGE_BYTES = std::size_t(W) * H;

// The two shared line-scan buffers at their real sizes, touched once so that no run pays for
// first use. The store holds a recording of a smooth scene with a little sensor noise.
struct Buffers
{
    std::vector<uint8_t> store = std::vector<uint8_t>(LINE_SCAN_BYTES);
    std::vector<uint8_t> bgr = std::vector<uint8_t>(LINE_SCAN_BGR_BYTES, 1);
    std::vector<uint8_t> copy = std::vector<uint8_t>(LINE_SCAN_BYTES, 1);

    Buffers()
    {
        std::mt19937 rng(7);
        for (std::size_t c = 0; c < std::size_t(W); ++c)
            for (std::size_t j = 0; j < std::size_t(H); ++j)
                store[c * H + j] =
                    static_cast<uint8_t>(120 + 80 * std::sin(c / 300.0) * std::cos(j / 90.0) + (rng() & 7));
    }
};

Buffers& TheBuffers()
{
    static Buffers buffers;
    return buffers;
}

void SetBytes(benchmark::State& state, std::size_t nBytes)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(nBytes));
}

void BM_MemcpyStore(benchmark::State& state)
{
    Buffers& b = TheBuffers();
    for (auto _ : state)
    {
        std::memcpy(b.copy.data(), b.store.data(), LINE_SCAN_BYTES);
        benchmark::ClobberMemory();
    }
    SetBytes(state, LINE_SCAN_BYTES);
}
BENCHMARK(BM_MemcpyStore)->Unit(benchmark::kMillisecond);

// Each run composes the previous run's image again: the same work on the same sizes.
void BM_ComposeLineScan(benchmark::State& state)
{
    Buffers& b = TheBuffers();
    const int nDirection = int(state.range(0));
    for (auto _ : state)
    {
        ComposeLineScan(b.store.data(), W, nDirection, b.bgr.data(), b.bgr.size());
        benchmark::ClobberMemory();
    }
    SetBytes(state, IMAGE_BYTES);
}
BENCHMARK(BM_ComposeLineScan)
    ->ArgName("direction")
    ->DenseRange(0, 1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Rec Stop to a converted picture: the converted buffer is the composition's scratch first, as
// in the program, then the viewer's demosaic writes it.
void BM_RecStopToPicture(benchmark::State& state)
{
    Buffers& b = TheBuffers();
    ConversionSplit split;
    ConvertParams params[2];
    for (auto _ : state)
    {
        ComposeLineScan(b.store.data(), W, 0, b.bgr.data(), b.bgr.size());
        split.ConvertBayer(LineScanBayerPhase(0), b.store.data(), b.bgr.data(), W, H, params);
        benchmark::ClobberMemory();
    }
    SetBytes(state, IMAGE_BYTES);
}
BENCHMARK(BM_RecStopToPicture)->UseRealTime()->Unit(benchmark::kMillisecond);

// A converted picture to save, made once by the viewer's own demosaic.
const uint8_t* Picture()
{
    static const uint8_t* s_pPicture = []
    {
        Buffers& b = TheBuffers();
        ConversionSplit split;
        ConvertParams params[2];
        split.ConvertBayer(LineScanBayerPhase(0), b.store.data(), b.bgr.data(), W, H, params);
        return b.bgr.data();
    }();
    return s_pPicture;
}

std::string BenchPath(const char* szName)
{
    return (std::filesystem::temp_directory_path() / szName).string();
}

void SetFileSize(benchmark::State& state, const std::string& strPath)
{
    state.counters["file_MB"] = double(std::filesystem::file_size(strPath)) / 1e6;
    std::filesystem::remove(strPath);
}

void BM_SaveJpeg(benchmark::State& state)
{
    const uint8_t* pPicture = Picture();
    const std::string strPath = BenchPath("tarnwick_pages_bench.jpg");
    for (auto _ : state)
    {
        if (!WriteJpegFile(strPath, pPicture, W, H, 80))
            state.SkipWithError("save failed");
    }
    SetFileSize(state, strPath);
}
BENCHMARK(BM_SaveJpeg)->Unit(benchmark::kMillisecond);

// The library alone: the same pixels and settings, rows in memory order, straight into a file.
void BM_JpegBareEncode(benchmark::State& state)
{
    const uint8_t* pPicture = Picture();
    const std::string strPath = BenchPath("tarnwick_pages_bench_bare.jpg");
    for (auto _ : state)
    {
        std::FILE* pFile = std::fopen(strPath.c_str(), "wb");
        jpeg_compress_struct info{};
        jpeg_error_mgr err{};
        info.err = jpeg_std_error(&err);
        jpeg_create_compress(&info);
        jpeg_stdio_dest(&info, pFile);
        info.image_width = W;
        info.image_height = H;
        info.input_components = 3;
        info.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, 80, TRUE);
        jpeg_start_compress(&info, TRUE);
        while (info.next_scanline < info.image_height)
        {
            JSAMPROW pRow = const_cast<JSAMPROW>(pPicture + std::size_t(info.next_scanline) * W * 3);
            jpeg_write_scanlines(&info, &pRow, 1);
        }
        jpeg_finish_compress(&info);
        jpeg_destroy_compress(&info);
        std::fclose(pFile);
    }
    SetFileSize(state, strPath);
}
BENCHMARK(BM_JpegBareEncode)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
