#pragma once

#include <string>
#include <string_view>

// The line-rate arithmetic of the resolution page: the rate worked out from the object passing
// the camera, the line-period count written to REG_LINE_PERIOD, and the rate's text. Pure
// functions; the page reads and writes the controls and the register.

constexpr double LINE_CLOCK_DIVIDER = 29.0;
constexpr double LINE_CLOCK_PERIOD_US = 0.013468013468013467; // 1 / 74.25
constexpr int LINE_PERIOD_MIN = 1388;  // shortest line period the camera takes (about 1844.63 lines/s)
constexpr int LINE_PERIOD_MAX = 65535; // longest that fits the 16-bit register (about 39.07 lines/s)
constexpr double FPS_KEY_FLOOR = 10.0; // lowest rate the ',' key steps down to

// The step of the ',' and '.' keys on the typed rate; the console sets it from the settings file.
extern int g_nFpsStep;

// Lines per second for an object of nSize mm spanning nPixels pixels and passing at nSpeed km/h.
// A pixel count or speed of 0 gives 0; a size of 0 an infinite rate or not a number.
double RateFromEnvironment(int nSize, int nPixels, int nSpeed);

// The count written to the camera for a rate, and whether it had to be bounded (the rate entry is
// then shown in red).
struct LinePeriod
{
    int nCount;
    int bClamped;
};
// Counts below LINE_PERIOD_MIN are raised to it, those above LINE_PERIOD_MAX lowered to it, both
// with bClamped set. A rate that is 0, negative, infinite or not a number gives LINE_PERIOD_MIN,
// clamped.
LinePeriod LinePeriodFromRate(double dRate);

// The rate the camera runs at once given dRate: dRate itself when its count was neither raised nor
// lowered, else the rate of the count written (about 1844.63 or 39.07 lines/s).
double HeldLineRate(double dRate);

// The rate as the entry shows it, "%0.02f"; "0.00" for an infinite rate or one that is not a
// number. Independent of the process locale.
std::string FormatRate(double dRate);

// The entry's text after a ',' (bUp false: nStep lower, not below FPS_KEY_FLOOR) or a '.' (bUp
// true: nStep higher) in typed-rate input.
std::string StepRateText(std::string_view strRate, int nStep, bool bUp);
