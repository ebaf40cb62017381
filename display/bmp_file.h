#pragma once

#include "platform/ui/bitmap_info.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Uncompressed BMP files: a 14-byte file header, the 40-byte information header of a viewer's
// display header (or a caller's copy of it), for an 8-bit picture its grey palette, then the pixel
// rows exactly as they lie in an image buffer, first buffer row first. Nothing is converted,
// flipped or padded on the way, so the file shows the picture as the viewer draws it.

// Where everything lies in the file, worked out from an information header.
struct BmpLayout
{
    std::uint32_t nRows = 0;           // the absolute value of the height
    std::uint32_t nStride = 0;         // (bit count / 8) x width, rounded up to a multiple of 4
    std::uint32_t nImageBytes = 0;     // stride x rows, taken from the start of the pixel buffer
    std::uint32_t nPaletteEntries = 0; // 8-bit: colours used, or 256 when 0 (never more); else 0
    std::uint32_t nPixelOffset = 0;    // 54 + 4 x palette entries
    std::uint32_t nFileSize = 0;       // pixel offset + image bytes
};

constexpr std::uint32_t BMP_FILE_HEADER_BYTES = 14;
constexpr std::uint32_t BMP_HEADERS_BYTES = BMP_FILE_HEADER_BYTES + sizeof(BitmapInfoHeader);

// False when the header describes no picture a file can hold (a negative width, or sizes beyond
// the 32-bit fields).
bool GetBmpLayout(const BitmapInfoHeader& header, BmpLayout* pLayout);

// Writes bmi's header, its palette (8-bit pictures only) and the image bytes from pPixels, which
// holds nPixelBytes, as a FileWriter does: the picture takes the name strPath only when complete
// and closed, replacing a file of that name; on any failure (a header with no layout, a picture
// larger than the buffer, a folder that cannot be written, a full disk) nothing new is left, the
// result is false and *pError (when given) says why. A read-only file of that name is left alone.
bool WriteBmpFile(const std::string& strPath, const BitmapInfo& bmi, const unsigned char* pPixels,
                  std::size_t nPixelBytes, std::string* pError = nullptr);
