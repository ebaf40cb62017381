#pragma once

#include "display/convert_params.h"

// YUY2 (Y0 U Y1 V per pixel pair) into 3 bytes a pixel (blue, green, red), full range or studio
// range, in integer arithmetic: each result is truncated toward zero and limited to 0 ... 255.
// Each converts pParam's nRows source rows from pPrev (2 * nWidth bytes a row) and writes them
// in reverse order: the first row at pOut, each further row 3 * nWidth bytes lower. Pixel 0
// takes its own pair's chroma; from pixel 1 on each luma takes the two chroma bytes beside it.
// Callers pass even widths of 2 or more; an odd width's last pixel takes its own U and the
// previous pair's V like every even pixel, so no read leaves the row. nRows below 1 or nWidth
// below 2 (a single pixel has no V byte in its row) writes nothing. Pure functions of the block.
unsigned Yuy2ToBgrFullRange(void* pParam);
unsigned Yuy2ToBgrStudio(void* pParam);
