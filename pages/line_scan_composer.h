#pragma once

#include <cstddef>

// Rec Stop's composition: the recorded lines, stored one after another in the line-scan store,
// become one picture of SENSOR_WIDTH rows in which each recorded line is a column.

// The Bayer phase the line-scan viewer shows the composed image with, for the direction index
// (0 " 右から左", 1 " 左から右").
int LineScanBayerPhase(int nDirection);

// Rewrites the first nWidth lines of SENSOR_WIDTH samples at pStore, in place, as the composed
// image: SENSOR_WIDTH rows of nWidth bytes, sample j of each line in row j, line c in column c when
// nDirection is 0 and in column nWidth - 1 - c otherwise. Nothing beyond those bytes changes.
//
// pScratch (nScratchBytes) is memory the composition may overwrite. With LineScanScratchBytes it
// is fast (a blocked transpose there on two threads, then a copy back); with less, slower, but
// always complete:
// with an eighth of the image it marks moved samples there, and with none it works in the store
// alone. So no recorded line is lost whatever memory can be had. While the line-scan viewer
// is closed its converted buffer g_pLineScanBgr is free to serve.
// Scratch bytes that make ComposeLineScan fast for an image of nWidth columns (a little more than
// the image).
std::size_t LineScanScratchBytes(int nWidth);

void ComposeLineScan(unsigned char* pStore, int nWidth, int nDirection, unsigned char* pScratch,
                     std::size_t nScratchBytes);
