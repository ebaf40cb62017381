#pragma once

// The main dialog run headless on a simulated colour camera streaming far faster than a real
// one: live viewer open, one full line-scan recording in four-line mode, Rec Stop and the
// line-scan viewer, with a command posted to the dialog every 20 ms to time its answers.
// Shared by the full-speed test and the figures program.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

struct FullSpeedOptions
{
    int nLineRate = 200000; // lines a second the camera streams
    int nRowStep = 1;       // composed image rows compared with the scene: every nRowStep-th
};

struct FullSpeedFigures
{
    std::uint32_t nFramesStored = 0;    // frames the recording holds
    std::uint64_t nFramesOffered = 0;   // frames the camera delivered from the first stored to the last
    std::uint64_t nFramesLost = 0;      // frames the camera lost during the recording: the program was late
    int nImageWidth = 0;                // columns of the composed image
    std::uint64_t nMismatches = 0;      // composed samples unlike the scene the camera saw
    double dLinesPerSecond = 0;         // camera lines during the recording over its time
    double dCpuMsPer1000Lines = 0;      // process CPU time (user + system) over the same span
    double dStopToPictureMs = 0;        // last frame stored to the line-scan viewer showing the image
    double dWorstLatencyMs = 0;         // slowest posted command, from posting to its handler
    double dWorstLatencyAtMs = 0;       // when the slowest was posted, from the last frame stored
    int nProbes = 0;                    // posted commands handled
    std::size_t nPeakRssBytes = 0;      // resident memory, highest seen while recording
    std::size_t nSharedBufferBytes = 0; // the four shared buffers
};

// Runs it in the calling (user-interface) thread of a process whose toolkit application exists.
// False with the reason when the run could not be completed.
bool RunFullSpeed(const FullSpeedOptions& options, FullSpeedFigures& figures, std::string& strError);

// The process's resident memory in bytes (VmRSS of /proc/self/status).
inline std::size_t ResidentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string strKey;
    std::size_t nKiB = 0;
    while (status >> strKey)
        if (strKey == "VmRSS:" && status >> nKiB)
            return nKiB * 1024;
    return 0;
}
