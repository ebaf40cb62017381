#include "display/bmp_file.h"

#include "platform/sys/file_writer.h"

#include <cstdlib>

namespace
{
constexpr std::uint32_t PALETTE_MAX = 256;

void PutU16(unsigned char* p, std::uint32_t n)
{
    p[0] = static_cast<unsigned char>(n);
    p[1] = static_cast<unsigned char>(n >> 8);
}

void PutU32(unsigned char* p, std::uint32_t n)
{
    PutU16(p, n);
    PutU16(p + 2, n >> 16);
}

bool WriteAll(FileWriter& file, const BitmapInfo& bmi, const BmpLayout& layout, const unsigned char* pPixels)
{
    unsigned char fileHeader[BMP_FILE_HEADER_BYTES] = {'B', 'M'};
    PutU32(fileHeader + 2, layout.nFileSize);
    // Bytes 6 to 9: the two reserved fields, 0.
    PutU32(fileHeader + 10, layout.nPixelOffset);
    return file.Write(fileHeader, sizeof fileHeader) && file.Write(&bmi.bmiHeader, sizeof bmi.bmiHeader) &&
           file.Write(bmi.bmiColors, layout.nPaletteEntries * sizeof(RgbQuad)) &&
           file.Write(pPixels, layout.nImageBytes);
}
} // namespace

bool GetBmpLayout(const BitmapInfoHeader& header, BmpLayout* pLayout)
{
    if (header.biWidth < 0)
        return false;
    const std::uint64_t nRows =
        static_cast<std::uint64_t>(std::llabs(static_cast<long long>(header.biHeight)));
    const std::uint64_t nStride = (std::uint64_t{header.biBitCount / 8u} * header.biWidth + 3) / 4 * 4;
    std::uint32_t nEntries = 0;
    if (header.biBitCount == 8)
        nEntries = header.biClrUsed == 0 || header.biClrUsed > PALETTE_MAX ? PALETTE_MAX : header.biClrUsed;
    const std::uint64_t nOffset = BMP_HEADERS_BYTES + std::uint64_t{nEntries} * sizeof(RgbQuad);
    const std::uint64_t nImageBytes = nStride * nRows;
    if (nOffset + nImageBytes > UINT32_MAX)
        return false;
    *pLayout =
        BmpLayout{static_cast<std::uint32_t>(nRows),       static_cast<std::uint32_t>(nStride),
                  static_cast<std::uint32_t>(nImageBytes), nEntries,
                  static_cast<std::uint32_t>(nOffset),     static_cast<std::uint32_t>(nOffset + nImageBytes)};
    return true;
}

bool WriteBmpFile(const std::string& strPath, const BitmapInfo& bmi, const unsigned char* pPixels,
                  std::size_t nPixelBytes, std::string* pError)
{
    std::string strError;
    BmpLayout layout;
    if (!GetBmpLayout(bmi.bmiHeader, &layout))
        strError = "the picture is too large for a BMP file";
    else if (layout.nImageBytes > nPixelBytes || (pPixels == nullptr && layout.nImageBytes != 0))
        strError = "the picture is larger than its buffer";
    else
    {
        // Complete and closed under another name first, so that a failure never leaves a truncated
        // picture under the name asked for, nor destroys a file of that name.
        FileWriter file;
        if (file.Open(strPath) && WriteAll(file, bmi, layout, pPixels) && file.Commit())
            return true;
        strError = file.Error();
    }
    if (pError != nullptr)
        *pError = strError;
    return false;
}
