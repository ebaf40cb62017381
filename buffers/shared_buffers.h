#pragma once

#include <cstddef>
#include <mutex>

// The four process-wide image buffers and the readout-mode tables. The buffers are allocated once
// when the console opens and released when it closes, at sizes that serve every readout mode and the
// longest recording, so nothing on the frame path allocates. Between the two the pointers never move.

constexpr std::size_t SENSOR_WIDTH = 1284;     // pixels per sensor line
constexpr std::size_t FRAME_ROWS = 964;        // rows of room in the frame buffers
constexpr std::size_t LINE_SCAN_LINES = 65536; // lines of room in the line-scan store

constexpr std::size_t RAW_FRAME_BYTES = SENSOR_WIDTH * FRAME_ROWS * 2;
constexpr std::size_t BGR_FRAME_BYTES = SENSOR_WIDTH * FRAME_ROWS * 3;
constexpr std::size_t LINE_SCAN_BYTES = LINE_SCAN_LINES * SENSOR_WIDTH;
constexpr std::size_t LINE_SCAN_BGR_BYTES = LINE_SCAN_LINES * SENSOR_WIDTH * 3;

// Null until allocated.
extern unsigned char* g_pRawFrame;    // latest camera frame, 8-bit samples transposed
extern unsigned char* g_pBgrFrame;    // live frame converted for display, blue-green-red
extern unsigned char* g_pLineScan;    // line-scan store, then the composed line-scan image
extern unsigned char* g_pLineScanBgr; // composed line-scan image converted for display

// Readout-mode tables, indexed by the camera's readout mode 0 to 3.
constexpr int READOUT_MODE_COUNT = 4;
extern const int g_anFrameWidth[READOUT_MODE_COUNT];  // pixels per line of the capture format
extern const int g_anFrameHeight[READOUT_MODE_COUNT]; // lines per frame of the capture format
extern const int g_anViewWidth[READOUT_MODE_COUNT];   // live viewer width: the raw frame's row length
extern const int g_anShutterMin[READOUT_MODE_COUNT];  // lower bound of the manual shutter

// Gives nBytes of zero-filled memory that std::free releases (as calloc does), or null.
using SharedBufferAllocator = unsigned char* (*)(std::size_t nBytes);

// Allocates the four buffers, zero-filled (pictures start black), in the order raw frame, BGR frame,
// line-scan store, line-scan BGR. When any allocation fails, frees those already made, leaves all four
// null and returns false. When the buffers are already allocated, does nothing and returns true.
// Call on the user-interface thread before any other thread can touch the buffers.
bool AllocateSharedBuffers();
// The same with another allocator, so that tests can make any of the four allocations fail.
bool AllocateSharedBuffers(SharedBufferAllocator pfnAllocate);

// Frees each allocated buffer in the order of allocation and sets its pointer to null. Call only
// after every thread that reads or writes the buffers has stopped.
void ReleaseSharedBuffers();

// Guards the contents of the live frames (g_pRawFrame, and g_pBgrFrame converted from it) so that no
// picture mixes two frames: the frame store writes the raw frame under it; the live viewer's
// conversion and Save Image's copy read under it. Whoever holds it never waits for the
// user-interface thread.
std::mutex& LiveFrameLock();
