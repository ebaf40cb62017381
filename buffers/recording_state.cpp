#include "buffers/recording_state.h"

#include "buffers/shared_buffers.h"

#include <algorithm>
#include <cstddef>
#include <thread>

std::atomic<int> g_nRecMode{0};
std::atomic<std::uint32_t> g_nRecFrames{0};
std::atomic<std::uint32_t> g_nRecFrameLimit{0};

namespace
{
constexpr std::size_t RAW_ROW_BYTES = 4; // a line-scan frame's raw rows

// 1 while the streaming thread is inside a store that may have seen g_nRecMode set. Together with
// the mode it forms a handshake (each side writes its flag, then reads the other's) so that
// EndRecording either sees the store in flight or the store sees the mode cleared.
std::atomic<int> s_nStoring{0};

void StoreLines(std::uint32_t nFrame, int nLines, std::size_t nLength)
{
    unsigned char* pDest = g_pLineScan + static_cast<std::size_t>(nFrame) * nLines * nLength;
    const unsigned char* pRaw = g_pRawFrame;
    for (int k = 0; k < nLines; ++k)
    {
        unsigned char* pLine = pDest + k * nLength;
        for (std::size_t i = 0; i < nLength; ++i)
            pLine[i] = pRaw[RAW_ROW_BYTES * i + k];
    }
}
} // namespace

std::uint32_t StoreRecordingFrame(int nLineLength)
{
    s_nStoring.store(1);
    std::uint32_t nStored = 0;
    const int nMode = g_nRecMode.load();
    const std::uint32_t nFrames = g_nRecFrames.load();
    if (nMode != 0 && nFrames < g_nRecFrameLimit.load())
    {
        const int nLines = RecLinesPerFrame(nMode);
        const std::size_t nLength = static_cast<std::size_t>(std::clamp(nLineLength, 0, int(SENSOR_WIDTH)));
        // A limit beyond the store's room is refused here rather than written past its end.
        if ((static_cast<std::size_t>(nFrames) + 1) * nLines <= LINE_SCAN_LINES)
        {
            StoreLines(nFrames, nLines, nLength);
            nStored = nFrames + 1;
            g_nRecFrames.store(nStored);
        }
    }
    s_nStoring.store(0);
    return nStored;
}

void EndRecording()
{
    g_nRecMode.store(0);
    while (s_nStoring.load() != 0)
        std::this_thread::yield();
}
