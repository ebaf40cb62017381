#pragma once

#include "platform/capture/capture_types.h"

#include <cstdint>
#include <memory>

class CaptureSource;
class TopologyNode;
class NodeControl;

// The node topology of a capture source. Each object keeps the source alive; the caller drops
// them after each request, so nothing stays held between requests.
class SourceTopology
{
public:
    explicit SourceTopology(std::shared_ptr<CaptureSource> pSource) : m_pSource(std::move(pSource)) {}

    // An object for node nNodeId; null on failure.
    std::shared_ptr<TopologyNode> CreateNodeInstance(uint32_t nNodeId);

private:
    std::shared_ptr<CaptureSource> m_pSource;
};

class TopologyNode
{
public:
    TopologyNode(std::shared_ptr<CaptureSource> pSource, uint32_t nNodeId)
        : m_pSource(std::move(pSource)), m_nNodeId(nNodeId)
    {
    }

    // The property control of the node; null on failure.
    std::shared_ptr<NodeControl> QueryControl();

private:
    std::shared_ptr<CaptureSource> m_pSource;
    uint32_t m_nNodeId;
};

class NodeControl
{
public:
    NodeControl(std::shared_ptr<CaptureSource> pSource, uint32_t nNodeId)
        : m_pSource(std::move(pSource)), m_nNodeId(nNodeId)
    {
    }

    // Sends one property request with its payload (nLength bytes); true on success. For a get,
    // the answer is in the payload and *pReturned holds the byte count answered.
    bool Property(const NodePropertyRequest& request, uint8_t* pPayload, uint32_t nLength, uint32_t* pReturned);

private:
    std::shared_ptr<CaptureSource> m_pSource;
    uint32_t m_nNodeId;
};
