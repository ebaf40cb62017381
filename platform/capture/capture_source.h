#pragma once

#include "platform/capture/capture_filter.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class SourceTopology;

// Receives the samples of a streaming capture source.
class SampleSink
{
  public:
    // Called on the source's streaming thread, one sample at a time. The bytes stay valid only
    // during the call.
    virtual void DeliverSample(const uint8_t* pData, size_t nLength, double dTime) = 0;

  protected:
    ~SampleSink() = default;
};

// A bound video-input device: the capture filter of one camera, with one output pin (the
// capture pin). Backends derive from it and implement the pure virtual operations; the camera
// code reaches them only through the graph objects and the topology, which make each step
// fallible.
class CaptureSource : public CaptureFilter
{
  public:
    int PinCount() const override { return 1; }
    PinDirection DirectionOfPin(int) const override { return PinDirection::OUTPUT; }

    // The source's topology, through which extension-unit requests travel; null on failure.
    std::shared_ptr<SourceTopology> QueryTopology();
    // Lets the source run on its own timing rather than a graph clock. Sources here always do.
    void SetNoClock() {}

    // Backend side. Sends one request to a topology node; for a get, the node's answer is
    // written into the payload and *pReturned receives the byte count answered.
    virtual bool NodeProperty(const NodePropertyRequest& request, uint8_t* pPayload, uint32_t nLength,
                              uint32_t* pReturned) = 0;
    // The current capture format.
    virtual bool CurrentFormat(VideoFormat& format) = 0;
    // Changes the capture format; false when the source refuses it (a size it cannot deliver,
    // or a change while streaming).
    virtual bool ApplyFormat(const VideoFormat& format) = 0;
    // Starts delivering samples of the current format to the sink on the source's own thread;
    // returns once delivery is under way (or false when it cannot start).
    virtual bool StartStreaming(SampleSink& sink) = 0;
    // Stops delivery; on return no sample is being delivered and none will be.
    virtual void StopStreaming() = 0;
    // True when delivery has ended by itself since StartStreaming (the device failed or went
    // away); the graph then counts as stopped and calls StopStreaming to release the source.
    virtual bool StreamEnded() { return false; }
};
