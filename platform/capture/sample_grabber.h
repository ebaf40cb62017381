#pragma once

#include "platform/capture/capture_filter.h"
#include "platform/capture/capture_source.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

// One sample as the grabber hands it to SampleCB.
struct MediaSample
{
    const uint8_t* pData;
    size_t nLength;
    double dTime;
};

// The callback a sample grabber calls for each sample, on the streaming thread. Not reference
// counted by the grabber: its owner keeps it alive while the grabber can call it.
class SampleGrabberCallback
{
public:
    virtual int32_t QueryInterface(const CaptureGuid& iid, void** ppv) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;
    virtual int32_t SampleCB(double dTime, const MediaSample* pSample) = 0;
    virtual int32_t BufferCB(double dTime, const uint8_t* pBuffer, long nLength) = 0;

protected:
    ~SampleGrabberCallback() = default;
};

// Interface identifiers a callback answers to.
constexpr CaptureGuid IID_CAPTURE_UNKNOWN = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr CaptureGuid IID_SAMPLE_GRABBER_CALLBACK = {
    0x0579154A, 0x2B53, 0x4994, {0xB0, 0xD0, 0xE7, 0x73, 0x14, 0x8E, 0xFF, 0x85}};

// The sample grabber filter: one input pin (connected to a capture pin) and one output pin
// (left unconnected). It passes every sample it receives to its callback. Its settings are
// made while the graph is stopped; the streaming thread only reads them.
class SampleGrabber : public CaptureFilter, public SampleSink
{
public:
    int PinCount() const override { return 2; }
    PinDirection DirectionOfPin(int nIndex) const override
    {
        return nIndex == 0 ? PinDirection::INPUT : PinDirection::OUTPUT;
    }

    // Whether the grabber keeps a copy of each sample. No reader of such a copy exists here, so
    // the flag is only recorded.
    bool SetBufferSamples(bool bBuffer);
    // Whether the grabber passes on only the first sample after each start.
    bool SetOneShot(bool bOneShot);
    // The callback and how it is called (GRABBER_CALLS_SAMPLE or GRABBER_CALLS_BUFFER); a null
    // callback stops the calls.
    bool SetCallback(SampleGrabberCallback* pCallback, int nWhich);

    bool BufferSamples() const { return m_bBufferSamples; }
    SampleGrabberCallback* Callback() const { return m_pCallback; }

    // Called by the graph before the source starts streaming.
    void Prepare() { m_bDelivered = false; }
    void DeliverSample(const uint8_t* pData, size_t nLength, double dTime) override;

private:
    std::atomic<SampleGrabberCallback*> m_pCallback{nullptr};
    std::atomic<int> m_nWhich{GRABBER_CALLS_SAMPLE};
    std::atomic<bool> m_bOneShot{false};
    std::atomic<bool> m_bBufferSamples{false};
    std::atomic<bool> m_bDelivered{false}; // one-shot: a sample went out since the start
};
