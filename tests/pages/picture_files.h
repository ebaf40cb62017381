#pragma once

// Pictures read back from the BMP and JPEG files the program writes.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

// A BMP or decoded JPEG picture: pixel (x, y) with y counted from the top.
struct Picture
{
    int nWidth = 0, nHeight = 0, nChannels = 0; // 3: blue, green, red (BMP) or red, green, blue (JPEG)
    bool bRgb = false;
    std::vector<uint8_t> pixels; // top row first, rows packed
    bool bBaseline = false;      // a JPEG's frame is baseline
    std::vector<unsigned> quant; // a JPEG's luminance and chrominance quantisation tables

    const uint8_t* At(int x, int y) const
    {
        return &pixels[(static_cast<size_t>(y) * nWidth + x) * nChannels];
    }
};

// The little-endian 32-bit number at byte n of a file's contents.
inline uint32_t U32(const std::string& s, size_t n)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(s[n + i]);
    return v;
}

// Reads a BMP file's headers and pixels; fails the test with why when they do not agree.
::testing::AssertionResult ReadBmp(const std::string& strFile, Picture* pPicture);
// Decodes a JPEG file with libjpeg.
::testing::AssertionResult ReadJpeg(const std::string& strFile, Picture* pPicture);
// The quantisation tables libjpeg writes at nQuality, kept to baseline, as ReadJpeg gives them.
std::vector<unsigned> JpegTables(int nQuality);
