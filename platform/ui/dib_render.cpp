#include "platform/ui/dib_render.h"

#include <algorithm>
#include <cstdlib>

namespace
{

// Reads pixels of one source bitmap by picture coordinates (row counted from the bottom).
class DibSource
{
  public:
    DibSource(const BitmapInfo& bmi, const void* pBits)
        : m_pBits(static_cast<const std::uint8_t*>(pBits)), m_nWidth(bmi.bmiHeader.biWidth),
          m_nHeight(std::abs(bmi.bmiHeader.biHeight)), m_bTopDown(bmi.bmiHeader.biHeight < 0),
          m_nBitCount(bmi.bmiHeader.biBitCount), m_nStride(BitmapStride(m_nWidth, m_nBitCount))
    {
        if (m_nBitCount == 8)
        {
            for (int i = 0; i < 256; ++i)
            {
                const RgbQuad& q = bmi.bmiColors[i];
                m_aPalette[i] = 0xFF000000u | (std::uint32_t(q.rgbRed) << 16) |
                                (std::uint32_t(q.rgbGreen) << 8) | q.rgbBlue;
            }
        }
    }

    bool IsDrawable() const
    {
        return m_pBits != nullptr && m_nWidth > 0 && m_nHeight > 0 && (m_nBitCount == 8 || m_nBitCount == 24);
    }
    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }

    // Row of the picture counted from the bottom; nullptr outside the picture.
    const std::uint8_t* Row(int nFromBottom) const
    {
        if (nFromBottom < 0 || nFromBottom >= m_nHeight)
            return nullptr;
        const int nStored = m_bTopDown ? m_nHeight - 1 - nFromBottom : nFromBottom;
        return m_pBits + static_cast<std::size_t>(nStored) * m_nStride;
    }

    std::uint32_t Pixel(const std::uint8_t* pRow, int x) const
    {
        if (m_nBitCount == 8)
            return m_aPalette[pRow[x]];
        const std::uint8_t* p = pRow + x * 3;
        return 0xFF000000u | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
    }

  private:
    const std::uint8_t* m_pBits;
    int m_nWidth;
    int m_nHeight;
    bool m_bTopDown;
    int m_nBitCount;
    int m_nStride;
    std::uint32_t m_aPalette[256] = {};
};

void PutPixel(const PixelTarget& dest, int x, int y, std::uint32_t p)
{
    if (x >= 0 && y >= 0 && x < dest.nWidth && y < dest.nHeight)
        dest.pPixels[static_cast<std::size_t>(y) * dest.nStride + x] = p;
}

} // namespace

void BlitDib(const PixelTarget& dest, int xDest, int yDest, int nWidth, int nHeight, int xSrc, int ySrc,
             const BitmapInfo& bmi, const void* pBits)
{
    const DibSource src(bmi, pBits);
    if (!src.IsDrawable() || dest.pPixels == nullptr || nWidth <= 0 || nHeight <= 0)
        return;
    // Columns i that land inside both the destination and the picture.
    const int iFirst = std::max({0, -xDest, -xSrc});
    const int iEnd = std::min({nWidth, dest.nWidth - xDest, src.Width() - xSrc});
    if (iFirst >= iEnd)
        return;
    for (int j = 0; j < nHeight; ++j)
    {
        const int y = yDest + j;
        if (y < 0 || y >= dest.nHeight)
            continue;
        const std::uint8_t* pRow = src.Row(ySrc + (nHeight - 1 - j));
        if (pRow == nullptr)
            continue;
        std::uint32_t* pOut = dest.pPixels + static_cast<std::size_t>(y) * dest.nStride + xDest;
        for (int i = iFirst; i < iEnd; ++i)
            pOut[i] = src.Pixel(pRow, xSrc + i);
    }
}

void StretchDib(const PixelTarget& dest, int xDest, int yDest, int nDestWidth, int nDestHeight, int xSrc,
                int ySrc, int nSrcWidth, int nSrcHeight, const BitmapInfo& bmi, const void* pBits)
{
    const DibSource src(bmi, pBits);
    if (!src.IsDrawable() || dest.pPixels == nullptr || nDestWidth <= 0 || nDestHeight <= 0 ||
        nSrcWidth <= 0 || nSrcHeight <= 0)
        return;
    const int iFirst = std::max(0, -xDest);
    const int iEnd = std::min(nDestWidth, dest.nWidth - xDest);
    for (int j = 0; j < nDestHeight; ++j)
    {
        const int y = yDest + j;
        if (y < 0 || y >= dest.nHeight)
            continue;
        const int nRowFromTop = static_cast<int>(static_cast<long long>(j) * nSrcHeight / nDestHeight);
        const std::uint8_t* pRow = src.Row(ySrc + nSrcHeight - 1 - nRowFromTop);
        if (pRow == nullptr)
            continue;
        std::uint32_t* pOut = dest.pPixels + static_cast<std::size_t>(y) * dest.nStride + xDest;
        for (int i = iFirst; i < iEnd; ++i)
        {
            const int x = xSrc + static_cast<int>(static_cast<long long>(i) * nSrcWidth / nDestWidth);
            if (x >= 0 && x < src.Width())
                pOut[i] = src.Pixel(pRow, x);
        }
    }
}

void DrawLine(const PixelTarget& dest, Point from, Point to, const Pen& pen)
{
    if (dest.pPixels == nullptr)
        return;
    const std::uint32_t p = PixelFromColorRef(pen.color);
    const int nWidth = std::max(1, pen.nWidth);
    const bool bDotted = pen.style == PenStyle::Dot && nWidth == 1;
    const int nLow = -(nWidth / 2); // a wide pen covers nWidth pixels across, centred on the line

    // Bresenham from 'from' towards 'to', the end point excluded.
    const int dx = std::abs(to.x - from.x), sx = from.x < to.x ? 1 : -1;
    const int dy = -std::abs(to.y - from.y), sy = from.y < to.y ? 1 : -1;
    int err = dx + dy;
    int x = from.x, y = from.y;
    for (int n = 0; x != to.x || y != to.y; ++n)
    {
        if (!bDotted || (n % 6) < 3)
        {
            for (int a = nLow; a < nLow + nWidth; ++a)
                for (int b = nLow; b < nLow + nWidth; ++b)
                    PutPixel(dest, x + a, y + b, p);
        }
        const int e2 = 2 * err;
        if (e2 >= dy)
        {
            err += dy;
            x += sx;
        }
        if (e2 <= dx)
        {
            err += dx;
            y += sy;
        }
    }
}
