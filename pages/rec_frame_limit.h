#pragma once

#include <string_view>

// How long a line-scan recording runs and how wide its composed image is. Pure functions; the Rec
// page reads and writes the controls and the recording state.

constexpr unsigned REC_FRAME_CAP = 32750; // frames of two lines that fit the store (halved for four)
constexpr int REC_LINES_MAX = 65500;      // widest composed image

// What Rec Start sets for a recording.
struct RecFrameLimit
{
    unsigned nFrameLimit;   // frames after which the recording stops
    unsigned nProgressMax;  // the progress bar's range is 0 to this
    bool bSecondsRewritten; // the seconds field is to show nSeconds ("%d")
    int nSeconds;
};

// The limit for recording mode nMode (RES_LINE_SCAN 1 or RES_LINE_SCAN_FAST 2). Manual
// (nRecControl not 1): the cap, REC_FRAME_CAP / nMode, with a progress range of 0 to 1. Timed: the
// seconds field's whole number times the rate the camera runs at for the rate text strRate (the
// rate held within the camera's bounds as the line-rate command holds it, so 0 and a text without
// a number count as the highest rate), at most the cap (the field then shows the whole seconds
// that fit) and at least one second's frames within the cap (the field then shows "1").
RecFrameLimit ComputeRecFrameLimit(int nMode, int nRecControl, std::string_view strSeconds,
                                   std::string_view strRate);

// Columns of the composed image after nFrames frames in mode nMode: the lines stored, rounded
// down to a multiple of 4, at most REC_LINES_MAX.
int RecImageWidth(unsigned nFrames, int nMode);
