#pragma once

#include "platform/capture/capture_types.h"

#include <memory>

class CaptureFilter;
class CaptureSource;
class FilterGraph;
class StreamConfig;

// Helps build a capture graph: holds the graph it works on and finds the stream configuration
// of a source's capture pin.
class CaptureGraphBuilder
{
public:
    bool SetFiltergraph(const std::shared_ptr<FilterGraph>& pGraph);
    // The format control of the filter's capture pin; null when the filter has no capture pin
    // or the search fails.
    std::shared_ptr<StreamConfig> FindStreamConfig(const std::shared_ptr<CaptureFilter>& pFilter);

    const std::shared_ptr<FilterGraph>& Graph() const { return m_pGraph; }

private:
    std::shared_ptr<FilterGraph> m_pGraph;
};

// The capture format of one capture pin.
class StreamConfig
{
public:
    explicit StreamConfig(std::shared_ptr<CaptureSource> pSource) : m_pSource(std::move(pSource)) {}

    bool GetFormat(VideoFormat& format);
    // False when the source refuses the format.
    bool SetFormat(const VideoFormat& format);

private:
    std::shared_ptr<CaptureSource> m_pSource;
};
