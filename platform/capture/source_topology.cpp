#include "platform/capture/source_topology.h"

#include "platform/capture/capture_faults.h"
#include "platform/capture/capture_source.h"

std::shared_ptr<TopologyNode> SourceTopology::CreateNodeInstance(uint32_t nNodeId)
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::NODE))
        return nullptr;
    return std::make_shared<TopologyNode>(m_pSource, nNodeId);
}

std::shared_ptr<NodeControl> TopologyNode::QueryControl()
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::CONTROL))
        return nullptr;
    return std::make_shared<NodeControl>(m_pSource, m_nNodeId);
}

bool NodeControl::Property(const NodePropertyRequest& request, uint8_t* pPayload, uint32_t nLength,
                           uint32_t* pReturned)
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::PROPERTY))
        return false;
    // A request travels through the object of the node it names.
    if (request.nNodeId != m_nNodeId)
        return false;
    uint32_t nReturned = 0;
    bool bOk = m_pSource->NodeProperty(request, pPayload, nLength, &nReturned);
    if (pReturned)
        *pReturned = nReturned;
    return bOk;
}
