#pragma once

// The one-push white balance's arithmetic, apart from the page: metering the converted live picture
// and turning the channel means into new red and blue gains.

// The converted live picture as the live viewer lays it out in g_pBgrFrame: rows of 960 pixels, one
// per sensor pixel position, 3 bytes each (blue, green, red), without gaps.
constexpr int WB_PICTURE_WIDTH = 960;
constexpr int WB_PICTURE_ROWS = 1284;

// Metering areas, by their index in the Gain page's list.
constexpr int WB_METER_WHOLE = 0;  // every pixel of the picture
constexpr int WB_METER_CENTER = 1; // the 128 x 128 pixels at the picture's centre

// Sums of the metered pixels' samples.
struct WbSums
{
    double dBlue = 0;
    double dGreen = 0;
    double dRed = 0;
    double dCount = 0; // pixels summed
};

// Sums the metering area nMetering (any other value: the whole picture) of the picture at pBgr.
// False when the area holds nothing but zeros, as before any colour frame has been converted: there
// is nothing to meter (a black picture would leave the gains as they are anyway).
bool MeterWhiteBalance(const unsigned char* pBgr, int nMetering, WbSums* pSums);

// The red and blue gains that bring the red and blue means, less the black level, to the green mean;
// *pGainR and *pGainB hold the current gains on entry.
void BalanceGains(const WbSums& sums, int* pGainR, int* pGainB);
