#pragma once

#include <array>
#include <mutex>
#include <set>

// Every fallible step of the capture layer, in the order the camera code meets them.
enum class CaptureStep
{
    STARTUP,                // CaptureSystem::Startup
    DEVICE_ENUMERATOR,      // CaptureSystem::CreateDeviceEnumerator
    VIDEO_INPUT_ENUMERATOR, // DeviceEnumerator::CreateVideoInputEnumerator
    NEXT_DEVICE,            // VideoInputEnumerator::Next
    DISPLAY_NAME,           // DeviceEntry::GetDisplayName
    BIND,                   // DeviceEntry::BindCaptureSource
    TOPOLOGY,               // CaptureSource topology query
    NODE,                   // SourceTopology::CreateNodeInstance
    CONTROL,                // TopologyNode::QueryControl
    PROPERTY,               // NodeControl::Property (each request)
    FILTER_GRAPH,           // CaptureSystem::CreateFilterGraph
    GRAPH_BUILDER,          // CaptureSystem::CreateCaptureGraphBuilder
    SAMPLE_GRABBER,         // CaptureSystem::CreateSampleGrabber
    QUERY_GRABBER,          // CaptureFilter::QuerySampleGrabber
    SET_BUFFER_SAMPLES,     // SampleGrabber::SetBufferSamples
    SET_ONE_SHOT,           // SampleGrabber::SetOneShot
    SET_CALLBACK,           // SampleGrabber::SetCallback
    ADD_FILTER,             // FilterGraph::AddFilter
    SET_GRAPH,              // CaptureGraphBuilder::SetFiltergraph
    FIND_STREAM_CONFIG,     // CaptureGraphBuilder::FindStreamConfig
    GET_FORMAT,             // StreamConfig::GetFormat
    SET_FORMAT,             // StreamConfig::SetFormat
    ENUM_PINS,              // CaptureFilter::EnumPins
    CONNECT,                // FilterGraph::Connect
    QUERY_MEDIA_CONTROL,    // FilterGraph::QueryMediaControl
    COUNT
};

// The fault-injection seam: each fallible step asks ShouldFail before it does its work, so a
// test can make any call of any step fail. Process-wide, like the capture system itself.
class CaptureFaults
{
public:
    static CaptureFaults& Instance();

    // Fails the nth call of the step counted from now (1 = the next one).
    void FailCall(CaptureStep step, int nNth = 1);
    // Fails the nth call from now and every call after it.
    void FailFrom(CaptureStep step, int nNth = 1);
    // Forgets every planned failure and sets every call count to 0.
    void Clear();
    // Calls of the step since the last Clear.
    int Calls(CaptureStep step);

    // Counts one call of the step; true when that call must fail.
    bool ShouldFail(CaptureStep step);

private:
    struct StepFaults
    {
        int nCalls = 0;
        int nFailFrom = 0; // 0: none; else the first call number that fails for good
        std::set<int> failing; // call numbers that fail once
    };

    std::mutex m_mutex; // protects m_steps
    std::array<StepFaults, static_cast<size_t>(CaptureStep::COUNT)> m_steps;
};
