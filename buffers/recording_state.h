#pragma once

#include <atomic>
#include <cstdint>

// The line-scan recording: its state, shared by the Rec page (user-interface thread) and the frame
// handler (streaming thread), and the step that appends a frame's lines to the line-scan store
// g_pLineScan.
//
// Rec Start sets g_nRecFrames and g_nRecFrameLimit first and g_nRecMode last; Rec Stop ends the
// recording with EndRecording before it reads g_nRecFrames and rewrites the store.

// 0: no recording. Otherwise the resolution choice being recorded: 1 two lines a frame, 2 four.
extern std::atomic<int> g_nRecMode;
// Frames stored in the current recording.
extern std::atomic<std::uint32_t> g_nRecFrames;
// The number of frames after which the recording stops.
extern std::atomic<std::uint32_t> g_nRecFrameLimit;

// Lines a frame brings in recording mode nRecMode: 4 for 2, 2 for any other.
constexpr int RecLinesPerFrame(int nRecMode)
{
    return nRecMode == 2 ? 4 : 2;
}

// Streaming thread, once per frame after it is in g_pRawFrame. While a recording runs and fewer
// than g_nRecFrameLimit frames are stored, stores the frame's L lines of nLineLength samples (at
// most 1284) at line g_nRecFrames x L: stored line k, sample i is byte 4 x i + k of the raw frame.
// Returns the new frame count, or 0 when nothing was stored. Never waits, never allocates.
std::uint32_t StoreRecordingFrame(int nLineLength);

// User-interface thread: clears g_nRecMode, then waits until a store that began before that has
// finished, so that the store and g_nRecFrames hold still afterwards. The store takes microseconds
// and never waits for this thread.
void EndRecording();
