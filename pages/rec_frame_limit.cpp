#include "pages/rec_frame_limit.h"

#include "pages/line_rate.h"
#include "pages/number_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace
{

// Truncates towards zero into 0 ... nMax; negative values give 0.
unsigned TruncateToCount(double dValue, unsigned nMax)
{
    if (!(dValue > 0.0))
        return 0;
    return dValue >= double(nMax) ? nMax : static_cast<unsigned>(dValue);
}

} // namespace

RecFrameLimit ComputeRecFrameLimit(int nMode, int nRecControl, std::string_view strSeconds,
                                   std::string_view strRate)
{
    const unsigned nCap = REC_FRAME_CAP / static_cast<unsigned>(std::max(nMode, 1));
    if (nRecControl != 1)
        return {nCap, 1, false, 0};

    RecFrameLimit limit{0, 0, false, 0};
    const int nSeconds = TextToInt(strSeconds);
    // The frames the camera delivers in that time, not those the field asks for.
    const double dRate = HeldLineRate(TextToDouble(strRate));
    const double dFrames = nSeconds * dRate;
    if (std::trunc(dFrames) > nCap)
    {
        limit.nFrameLimit = nCap;
        limit.bSecondsRewritten = true;
        limit.nSeconds = static_cast<int>(nCap / dRate); // below nSeconds, so within int
    }
    else
    {
        limit.nFrameLimit = TruncateToCount(dFrames, nCap);
    }
    // At least one second of frames, as far as the cap allows.
    if (limit.nFrameLimit < std::trunc(dRate))
    {
        limit.nFrameLimit = TruncateToCount(dRate, nCap);
        limit.bSecondsRewritten = true;
        limit.nSeconds = 1;
    }
    limit.nProgressMax = limit.nFrameLimit;
    return limit;
}

int RecImageWidth(unsigned nFrames, int nMode)
{
    const uint64_t nLines = uint64_t(nFrames) * static_cast<unsigned>(std::max(nMode, 0)) * 2;
    return static_cast<int>(std::min<uint64_t>(nLines / 4 * 4, REC_LINES_MAX));
}
