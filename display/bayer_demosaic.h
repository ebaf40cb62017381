#pragma once

#include "display/convert_params.h"

// Bilinear Bayer demosaic into 3 bytes a pixel (blue, green, red), one procedure per phase.
// Each converts pParam's nRows rows and returns 0. The block's first output row is taken as an
// odd image row, the next as an even one, and so on. Columns 0 and nWidth - 1 are written black;
// every other pixel gets its own sample and truncated averages of its neighbours. Rows are
// nWidth bytes (source) and 3 * nWidth bytes (output) apart, whatever the width: callers pass
// even widths of 4 or more, but any width stays inside the block's rows (widths 1 and 2 give
// black rows). nRows or nWidth below 1 writes nothing. Pure functions of the block: they keep no
// state and touch nothing but the rows it describes.
unsigned DemosaicRGGB(void* pParam);
unsigned DemosaicGRBG(void* pParam);
unsigned DemosaicBGGR(void* pParam);
unsigned DemosaicGBRG(void* pParam);
