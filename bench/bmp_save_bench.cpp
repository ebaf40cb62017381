// Saving the widest composed line-scan image (65500 x 1284) as a 24-bit and an 8-bit BMP, beside one fwrite
// of the same bytes into a file of the same folder: the writer's own cost (headers, the temporary name and
// the rename that keep a failed save from leaving a truncated file) on top of the disk's. The files go to
// TARNWICK_BENCH_DIR, or the system's temporary folder.
#include "display/bmp_file.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;

constexpr int SCAN_W = 65500;
constexpr int SCAN_H = 1284;
constexpr std::size_t PIXEL_BYTES = std::size_t(SCAN_W) * SCAN_H * 3;

fs::path BenchFile(const char* szName)
{
    const char* szDir = std::getenv("TARNWICK_BENCH_DIR");
    return (szDir != nullptr ? fs::path(szDir) : fs::temp_directory_path()) / szName;
}

// Each save makes a new file, as a save named by the time does: the previous one is removed
// outside the timing, so that neither side pays for freeing the last file's blocks.
void RemoveUntimed(benchmark::State& state, const std::string& strPath)
{
    state.PauseTiming();
    std::remove(strPath.c_str());
    state.ResumeTiming();
}

const std::vector<unsigned char>& Pixels()
{
    static const std::vector<unsigned char> pixels = []
    {
        std::vector<unsigned char> v(PIXEL_BYTES);
        for (std::size_t i = 0; i < v.size(); ++i)
            v[i] = static_cast<unsigned char>(i * 31 + 7);
        return v;
    }();
    return pixels;
}

// The argument is the bits a pixel: 24, or 8 (a palette and a third of the bytes).
void BM_WriteBmpFile(benchmark::State& state)
{
    const int nBits = static_cast<int>(state.range(0));
    const std::size_t nBytes = PIXEL_BYTES / 24 * nBits;
    const std::vector<unsigned char>& pixels = Pixels();
    BitmapInfo bmi;
    bmi.bmiHeader.biWidth = SCAN_W;
    bmi.bmiHeader.biHeight = SCAN_H;
    bmi.bmiHeader.biBitCount = static_cast<std::uint16_t>(nBits);
    const std::string strPath = BenchFile("tarnwick_bench.bmp").string();
    for (auto _ : state)
    {
        RemoveUntimed(state, strPath);
        if (!WriteBmpFile(strPath, bmi, pixels.data(), nBytes))
            state.SkipWithError("the BMP file could not be written");
    }
    std::remove(strPath.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(nBytes));
}

// The argument as for BM_WriteBmpFile: the same number of bytes.
void BM_Fwrite(benchmark::State& state)
{
    const std::size_t nBytes = PIXEL_BYTES / 24 * static_cast<std::size_t>(state.range(0));
    const std::vector<unsigned char>& pixels = Pixels();
    const std::string strPath = BenchFile("tarnwick_bench.raw").string();
    for (auto _ : state)
    {
        RemoveUntimed(state, strPath);
        std::FILE* pFile = std::fopen(strPath.c_str(), "wb");
        if (pFile == nullptr || std::fwrite(pixels.data(), 1, nBytes, pFile) != nBytes)
            state.SkipWithError("the file could not be written");
        if (pFile != nullptr)
            std::fclose(pFile);
    }
    std::remove(strPath.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(nBytes));
}
} // namespace

// Warmed up: the first files of a run pay for the page cache growing to hold them.
BENCHMARK(BM_WriteBmpFile)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime()->MinWarmUpTime(1.0);
BENCHMARK(BM_Fwrite)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime()->MinWarmUpTime(1.0);

BENCHMARK_MAIN();
