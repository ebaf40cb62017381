#pragma once

// Parameter block of one conversion worker: a run of rows of a picture, plain data. The Bayer
// procedures read the source rows around each output row through pPrev, pCur and pNext; the
// YUY2 procedures use nRows, nWidth, pPrev (first source row) and pOut only.
struct ConvertParams
{
    int nRows;                  // output rows of this block
    int nWidth;                 // pixels per row, source and output
    const unsigned char* pPrev; // source row above the block's first output row
    const unsigned char* pCur;  // source row of the block's first output row
    const unsigned char* pNext; // source row below the block's first output row
    unsigned char* pOut;        // first output row of the block
};

// Worker form of every conversion procedure: the argument is a ConvertParams block; returns 0.
using ConvertProc = unsigned (*)(void* pParam);

// Colour-filter phases of a Bayer mosaic, named by the first two samples of an even row and of
// an odd row.
constexpr int BAYER_GBRG = 0;
constexpr int BAYER_BGGR = 1;
constexpr int BAYER_RGGB = 2;
constexpr int BAYER_GRBG = 3;
