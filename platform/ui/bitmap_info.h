#pragma once

#include <cstddef>
#include <cstdint>

// The 40-byte device-independent bitmap header in its file and memory layout, followed in
// BitmapInfo by a 256-entry palette. The program copies it into BMP files byte for byte.
#pragma pack(push, 1)
struct BitmapInfoHeader
{
    std::uint32_t biSize = 40;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0; // positive: bottom-up rows; negative: top-down rows
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 8; // 8 (through the palette) or 24 (blue, green, red)
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

struct RgbQuad
{
    std::uint8_t rgbBlue = 0;
    std::uint8_t rgbGreen = 0;
    std::uint8_t rgbRed = 0;
    std::uint8_t rgbReserved = 0;
};

struct BitmapInfo
{
    BitmapInfoHeader bmiHeader;
    RgbQuad bmiColors[256];
};
#pragma pack(pop)

static_assert(sizeof(BitmapInfoHeader) == 40);
static_assert(offsetof(BitmapInfoHeader, biBitCount) == 14);
static_assert(offsetof(BitmapInfoHeader, biClrImportant) == 36);
static_assert(sizeof(RgbQuad) == 4);
static_assert(sizeof(BitmapInfo) == 1064);

// Bytes per row of a bitmap: rows are padded to a multiple of 4 bytes.
constexpr int BitmapStride(int nWidth, int nBitCount)
{
    return ((nWidth * nBitCount + 31) / 32) * 4;
}
