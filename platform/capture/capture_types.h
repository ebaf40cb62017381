#pragma once

#include <cstdint>

// Plain types shared by the capture layer, the camera code and the capture backends.

// Identifier of a property set or interface, in its 16-byte little-endian memory form.
struct CaptureGuid
{
    uint32_t nData1;
    uint16_t nData2;
    uint16_t nData3;
    uint8_t abData4[8];

    bool operator==(const CaptureGuid&) const = default;
};

// A property request addressed to one node of a capture source's topology (the extension unit
// is such a node). 32 bytes, little-endian, fields in wire order.
struct NodePropertyRequest
{
    CaptureGuid set;    // property set
    uint32_t nId;       // property within the set: the extension unit's selector
    uint32_t nFlags;    // NODE_PROPERTY_GET or NODE_PROPERTY_SET
    uint32_t nNodeId;   // topology node
    uint32_t nReserved; // 0
};
static_assert(sizeof(NodePropertyRequest) == 32, "node property request is 32 bytes");

// Request kinds: a get or a set, both addressed to a topology node.
constexpr uint32_t NODE_PROPERTY_GET = 0x10000001;
constexpr uint32_t NODE_PROPERTY_SET = 0x10000002;

// Results of the callback interface calls (QueryInterface and the sample callbacks).
constexpr int32_t CAPTURE_S_OK = 0;
constexpr int32_t CAPTURE_E_NOINTERFACE = static_cast<int32_t>(0x80004002u);

enum class PinDirection
{
    INPUT,
    OUTPUT
};

// States of a filter graph as its media control reports them.
constexpr int GRAPH_STATE_STOPPED = 0;
constexpr int GRAPH_STATE_PAUSED = 1;
constexpr int GRAPH_STATE_RUNNING = 2;

// How a sample grabber hands samples to its callback.
constexpr int GRABBER_CALLS_SAMPLE = 0; // SampleCB with the sample object
constexpr int GRABBER_CALLS_BUFFER = 1; // BufferCB with the sample's bytes

// The capture format of a source's capture pin. The camera code changes only the width and
// height; every other field goes back to the source as the source reported it.
struct VideoFormat
{
    int nWidth = 0;            // pixels per line
    int nHeight = 0;           // lines per frame
    uint32_t nFourCc = 0;      // pixel format code, as the source reports it
    int nBitCount = 0;         // bits per pixel
    uint32_t nSampleSize = 0;  // bytes per sample as the source reports it
    int64_t nFrameInterval = 0; // in 100 ns units, as the source reports it
};
