#include "platform/capture/capture_system.h"
#include "platform/capture/sim/sim_capture_system.h"
#include "platform/capture/v4l2/v4l2_capture_system.h"

#include <cstdio>
#include <cstdlib>
#include <string>

std::shared_ptr<CaptureSystem> CreateDefaultCaptureSystem()
{
    const char* pszSim = std::getenv("TARNWICK_SIM_CAMERAS");
    if (pszSim)
    {
        std::string strError;
        auto pSim = SimCaptureSystem::FromSpec(pszSim, &strError);
        if (!strError.empty())
            std::fprintf(stderr, "TARNWICK_SIM_CAMERAS: %s\n", strError.c_str());
        return pSim;
    }
    return std::make_shared<V4l2CaptureSystem>();
}
