#include "buffers/shared_buffers.h"

#include <cstdlib>

unsigned char* g_pRawFrame = nullptr;
unsigned char* g_pBgrFrame = nullptr;
unsigned char* g_pLineScan = nullptr;
unsigned char* g_pLineScanBgr = nullptr;

const int g_anFrameWidth[READOUT_MODE_COUNT] = {1284, 1284, 1284, 1284};
const int g_anFrameHeight[READOUT_MODE_COUNT] = {960, 960, 2, 4};
const int g_anViewWidth[READOUT_MODE_COUNT] = {960, 960, 4, 4};
const int g_anShutterMin[READOUT_MODE_COUNT] = {960, 960, 960, 960};

namespace
{

struct SharedBuffer
{
    unsigned char** ppBuffer;
    std::size_t nBytes;
};

// In the order of allocation and release.
const SharedBuffer SHARED_BUFFERS[] = {
    {&g_pRawFrame, RAW_FRAME_BYTES},
    {&g_pBgrFrame, BGR_FRAME_BYTES},
    {&g_pLineScan, LINE_SCAN_BYTES},
    {&g_pLineScanBgr, LINE_SCAN_BGR_BYTES},
};

// calloc, so that the kernel hands out zero pages as they are first touched: the line-scan buffers
// cost no memory until a recording uses them.
unsigned char* AllocateZeroed(std::size_t nBytes)
{
    return static_cast<unsigned char*>(std::calloc(nBytes, 1));
}

} // namespace

bool AllocateSharedBuffers()
{
    return AllocateSharedBuffers(AllocateZeroed);
}

bool AllocateSharedBuffers(SharedBufferAllocator pfnAllocate)
{
    if (g_pRawFrame != nullptr)
        return true; // allocated once; the pointers must not move
    for (const SharedBuffer& buffer : SHARED_BUFFERS)
    {
        *buffer.ppBuffer = pfnAllocate(buffer.nBytes);
        if (*buffer.ppBuffer == nullptr)
        {
            ReleaseSharedBuffers();
            return false;
        }
    }
    return true;
}

void ReleaseSharedBuffers()
{
    for (const SharedBuffer& buffer : SHARED_BUFFERS)
    {
        std::free(*buffer.ppBuffer);
        *buffer.ppBuffer = nullptr;
    }
}

std::mutex& LiveFrameLock()
{
    static std::mutex s_mutex;
    return s_mutex;
}
