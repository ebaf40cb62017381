#pragma once

// Pictures read back from the BMP and JPEG files the program writes.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

// A BMP or decoded JPEG picture: pixel (x, y) with y counted from the top, rows packed.
struct Picture
{
    int nWidth = 0, nHeight = 0, nChannels = 0; // 3: blue, green, red (BMP) or red, green, blue (JPEG)
    bool bRgb = false;
    std::vector<uint8_t> pixels;
    bool bBaseline = false;      // a JPEG's frame is baseline
    std::vector<unsigned> quant; // a JPEG's luminance and chrominance quantisation tables

    const uint8_t* At(int x, int y) const { return &pixels[(size_t(y) * nWidth + x) * nChannels]; }
};

// The little-endian 32-bit number at byte n of a file's contents.
inline uint32_t U32(const std::string& s, size_t n)
{
    return uint8_t(s[n]) | uint8_t(s[n + 1]) << 8 | uint8_t(s[n + 2]) << 16 |
           uint32_t(uint8_t(s[n + 3])) << 24;
}

// Reads a BMP file's headers and pixels; fails with why when they do not agree.
::testing::AssertionResult ReadBmp(const std::string& strFile, Picture* pPicture);
// Decodes a JPEG file with libjpeg.
::testing::AssertionResult ReadJpeg(const std::string& strFile, Picture* pPicture);
// The quantisation tables libjpeg writes at nQuality, kept to baseline, as ReadJpeg gives them.
std::vector<unsigned> JpegTables(int nQuality);
