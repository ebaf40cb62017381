#include "platform/capture/capture_source.h"

#include "platform/capture/capture_faults.h"
#include "platform/capture/source_topology.h"

std::shared_ptr<SourceTopology> CaptureSource::QueryTopology()
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::TOPOLOGY))
        return nullptr;
    return std::make_shared<SourceTopology>(std::static_pointer_cast<CaptureSource>(shared_from_this()));
}
