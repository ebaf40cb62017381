#include "platform/capture/capture_system.h"

#include "platform/capture/capture_faults.h"
#include "platform/capture/capture_graph_builder.h"
#include "platform/capture/filter_graph.h"
#include "platform/capture/sample_grabber.h"

#include <mutex>

namespace
{
std::mutex g_currentMutex; // protects g_pCurrentSystem
std::shared_ptr<CaptureSystem> g_pCurrentSystem;
} // namespace

std::shared_ptr<CaptureSystem> CaptureSystem::Current()
{
    std::lock_guard<std::mutex> lock(g_currentMutex);
    if (!g_pCurrentSystem)
        g_pCurrentSystem = CreateDefaultCaptureSystem();
    return g_pCurrentSystem;
}

void CaptureSystem::SetCurrent(std::shared_ptr<CaptureSystem> pSystem)
{
    std::lock_guard<std::mutex> lock(g_currentMutex);
    g_pCurrentSystem = std::move(pSystem);
}

bool CaptureSystem::Startup()
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::STARTUP))
        return false;
    ++m_nStartups;
    return true;
}

void CaptureSystem::Shutdown()
{
    --m_nStartups;
}

std::shared_ptr<DeviceEnumerator> CaptureSystem::CreateDeviceEnumerator()
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::DEVICE_ENUMERATOR))
        return nullptr;
    return std::make_shared<DeviceEnumerator>(shared_from_this());
}

std::shared_ptr<FilterGraph> CaptureSystem::CreateFilterGraph()
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::FILTER_GRAPH))
        return nullptr;
    return std::make_shared<FilterGraph>();
}

std::shared_ptr<CaptureGraphBuilder> CaptureSystem::CreateCaptureGraphBuilder()
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::GRAPH_BUILDER))
        return nullptr;
    return std::make_shared<CaptureGraphBuilder>();
}

std::shared_ptr<SampleGrabber> CaptureSystem::CreateSampleGrabber()
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::SAMPLE_GRABBER))
        return nullptr;
    return std::make_shared<SampleGrabber>();
}
