#include "pages/line_rate.h"

#include "pages/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

int g_nFpsStep = 10;

double RateFromEnvironment(int nSize, int nPixels, int nSpeed)
{
    // This order of operations gives the figures operators know (3620 mm, 640 pix, 75 km/h:
    // 1841.62); keep it.
    double a = double(nSize) / double(nPixels); // mm per pixel
    a = a + a;
    double b = double(nSpeed) / 60.0;
    b = b / 60.0;
    b = b * 1000000.0; // mm per second
    return b / a;
}

LinePeriod LinePeriodFromRate(double dRate)
{
    if (!(dRate > 0.0))
        return {LINE_PERIOD_MIN, 1};
    // One count is 29 / 74.25 us; the same steps as the rate, for the same figures.
    double t = 1.0 / dRate;
    t = t / LINE_CLOCK_DIVIDER;
    t = t / LINE_CLOCK_PERIOD_US;
    t = t * 1000000.0;
    if (t >= double(LINE_PERIOD_MAX) + 1.0)
        return {LINE_PERIOD_MAX, 1}; // a longer period would wrap to a shorter one in 16 bits
    const int nCount = static_cast<int>(t);
    if (nCount < LINE_PERIOD_MIN)
        return {LINE_PERIOD_MIN, 1};
    return {nCount, 0};
}

double HeldLineRate(double dRate)
{
    const LinePeriod period = LinePeriodFromRate(dRate);
    if (period.bClamped == 0)
        return dRate;
    return 1000000.0 * 74.25 / (LINE_CLOCK_DIVIDER * period.nCount); // the line clock is 74.25 MHz
}

std::string FormatRate(double dRate)
{
    if (!std::isfinite(dRate))
        return "0.00";
    char szText[400]; // room for the largest double in fixed notation
    const auto result = std::to_chars(szText, szText + sizeof szText, dRate, std::chars_format::fixed, 2);
    return std::string(szText, result.ptr);
}

std::string StepRateText(std::string_view strRate, int nStep, bool bUp)
{
    const double dRate = TextToDouble(strRate);
    if (bUp)
        return FormatRate(dRate + nStep);
    return FormatRate(std::max(FPS_KEY_FLOOR, dRate - nStep));
}
