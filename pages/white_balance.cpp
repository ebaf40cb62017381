#include "pages/white_balance.h"

#include "pages/tab_gui_gain.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace
{
// Sums whole rows; integer sums are exact and convert to the same doubles as summing in doubles.
void SumRows(const unsigned char* pBgr, int nFirstRow, int nRows, int nFirstColumn, int nColumns,
             std::uint64_t asSums[3])
{
    for (int y = nFirstRow; y < nFirstRow + nRows; ++y)
    {
        const unsigned char* p = pBgr + 3 * (static_cast<std::size_t>(y) * WB_PICTURE_WIDTH + nFirstColumn);
        std::uint32_t nBlue = 0, nGreen = 0, nRed = 0; // at most 960 x 255 per row
        for (int x = 0; x < nColumns; ++x, p += 3)
        {
            nBlue += p[0];
            nGreen += p[1];
            nRed += p[2];
        }
        asSums[0] += nBlue;
        asSums[1] += nGreen;
        asSums[2] += nRed;
    }
}

int BalancedGain(int nGain, double dRatio)
{
    const double dGain = nGain * dRatio + (dRatio / WB_GAIN_STEP - WB_GAIN_OFFSET);
    // Negative, infinite, not a number or beyond int: no usable result.
    const int nNew = dGain >= 0.0 && dGain < 2147483648.0 ? static_cast<int>(dGain) : 0;
    return std::min(nNew, GAIN_MAX);
}
} // namespace

bool MeterWhiteBalance(const unsigned char* pBgr, int nMetering, WbSums* pSums)
{
    std::uint64_t asSums[3] = {0, 0, 0};
    int nRows = WB_PICTURE_ROWS, nColumns = WB_PICTURE_WIDTH;
    if (nMetering == WB_METER_CENTER)
        nRows = nColumns = WB_CENTER_SIZE;
    SumRows(pBgr, (WB_PICTURE_ROWS - nRows) / 2, nRows, (WB_PICTURE_WIDTH - nColumns) / 2, nColumns, asSums);
    if (asSums[0] + asSums[1] + asSums[2] == 0)
        return false;
    pSums->dBlue = static_cast<double>(asSums[0]);
    pSums->dGreen = static_cast<double>(asSums[1]);
    pSums->dRed = static_cast<double>(asSums[2]);
    pSums->dCount = static_cast<double>(nRows) * nColumns;
    return true;
}

void BalanceGains(const WbSums& sums, int* pGainR, int* pGainB)
{
    const double dBlue = sums.dBlue / sums.dCount - WB_BLACK_LEVEL;
    const double dGreen = sums.dGreen / sums.dCount - WB_BLACK_LEVEL;
    const double dRed = sums.dRed / sums.dCount - WB_BLACK_LEVEL;
    *pGainR = BalancedGain(*pGainR, dGreen / dRed);
    *pGainB = BalancedGain(*pGainB, dGreen / dBlue);
}
