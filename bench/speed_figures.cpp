// The main dialog run headless on a simulated camera at full speed through one whole recording,
// its figures printed beside their goals: lines a second sustained with the live viewer open and
// the CPU time they cost, frames dropped and lost, Rec Stop to the line-scan picture, the slowest
// answer to a posted command, and resident memory beside the shared buffers.
// Usage: speed_figures [lines a second, default 200000]
#include "platform/ui/ui_application.h"
#include "tests/speed/full_speed_run.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    FullSpeedOptions options;
    if (argc > 1)
        options.nLineRate = std::atoi(argv[1]);
    UiApplication app(argc, argv);
    app.SetAppName("Tarnwick");

    FullSpeedFigures f;
    std::string strError;
    if (!RunFullSpeed(options, f, strError))
    {
        std::fprintf(stderr, "speed_figures: %s\n", strError.c_str());
        return 1;
    }
    const double dMb = 1024.0 * 1024.0;
    const double dCores = f.dCpuMsPer1000Lines * f.dLinesPerSecond / 1e6;
    std::printf("| figure | measured | goal |\n|---|---|---|\n");
    std::printf("| lines a second sustained, live viewer open (camera asked for %d) | %.0f | 200000 |\n",
                options.nLineRate, f.dLinesPerSecond);
    std::printf("| CPU time per 1000 lines (all threads) | %.3f ms (%.2f cores busy) | under 1 core |\n",
                f.dCpuMsPer1000Lines, dCores);
    std::printf("| frames dropped while recording (offered %llu, stored %u) | %llu | 0 |\n",
                static_cast<unsigned long long>(f.nFramesOffered), f.nFramesStored,
                static_cast<unsigned long long>(f.nFramesOffered - f.nFramesStored));
    std::printf("| frames the camera lost waiting for the program | %llu | 0 |\n",
                static_cast<unsigned long long>(f.nFramesLost));
    std::printf("| composed samples unlike the scene | %llu | 0 |\n",
                static_cast<unsigned long long>(f.nMismatches));
    std::printf("| Rec Stop to the line-scan viewer showing %d lines | %.1f ms | 150 ms |\n", f.nImageWidth,
                f.dStopToPictureMs);
    std::printf("| slowest answer to a command posted every 20 ms (%d answered; posted %+.0f ms from the "
                "recording's end) | %.1f ms | 100 ms |\n",
                f.nProbes, f.dWorstLatencyAtMs, f.dWorstLatencyMs);
    std::printf("| resident memory while recording | %.0f MB | shared buffers %.0f MB + 64 MB = %.0f MB |\n",
                f.nPeakRssBytes / dMb, f.nSharedBufferBytes / dMb, f.nSharedBufferBytes / dMb + 64);
    return 0;
}
