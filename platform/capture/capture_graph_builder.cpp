#include "platform/capture/capture_graph_builder.h"

#include "platform/capture/capture_faults.h"
#include "platform/capture/capture_source.h"
#include "platform/capture/filter_graph.h"

bool CaptureGraphBuilder::SetFiltergraph(const std::shared_ptr<FilterGraph>& pGraph)
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::SET_GRAPH) || !pGraph || m_pGraph)
        return false;
    m_pGraph = pGraph;
    return true;
}

std::shared_ptr<StreamConfig> CaptureGraphBuilder::FindStreamConfig(const std::shared_ptr<CaptureFilter>& pFilter)
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::FIND_STREAM_CONFIG))
        return nullptr;
    auto pSource = std::dynamic_pointer_cast<CaptureSource>(pFilter);
    if (!pSource)
        return nullptr;
    return std::make_shared<StreamConfig>(std::move(pSource));
}

bool StreamConfig::GetFormat(VideoFormat& format)
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::GET_FORMAT))
        return false;
    return m_pSource->CurrentFormat(format);
}

bool StreamConfig::SetFormat(const VideoFormat& format)
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::SET_FORMAT))
        return false;
    return m_pSource->ApplyFormat(format);
}
