#pragma once

#include "platform/capture/capture_types.h"

#include <memory>

class CapturePin;
class PinEnumerator;
class SampleGrabber;

// A filter of a capture graph: a capture source or a sample grabber. Shared ownership: the
// graph, the pins and the camera code each hold a reference; the filter goes with the last one.
class CaptureFilter : public std::enable_shared_from_this<CaptureFilter>
{
public:
    virtual ~CaptureFilter() = default;

    virtual int PinCount() const = 0;
    virtual PinDirection DirectionOfPin(int nIndex) const = 0;

    // Starts an enumeration of the filter's pins; null when it cannot be started.
    std::shared_ptr<PinEnumerator> EnumPins();
    // The sample grabber control of this filter; null when the filter is not a sample grabber
    // or the query fails.
    std::shared_ptr<SampleGrabber> QuerySampleGrabber();
};

// One pin of a filter. A pin keeps its filter alive.
class CapturePin
{
public:
    CapturePin(std::shared_ptr<CaptureFilter> pFilter, int nIndex)
        : m_pFilter(std::move(pFilter)), m_nIndex(nIndex)
    {
    }

    PinDirection QueryDirection() const { return m_pFilter->DirectionOfPin(m_nIndex); }
    const std::shared_ptr<CaptureFilter>& Filter() const { return m_pFilter; }
    int Index() const { return m_nIndex; }

private:
    std::shared_ptr<CaptureFilter> m_pFilter;
    int m_nIndex;
};

// Hands out a filter's pins one at a time.
class PinEnumerator
{
public:
    explicit PinEnumerator(std::shared_ptr<CaptureFilter> pFilter) : m_pFilter(std::move(pFilter)) {}

    // The next pin, or null when every pin has been handed out.
    std::shared_ptr<CapturePin> Next();

private:
    std::shared_ptr<CaptureFilter> m_pFilter;
    int m_nNext = 0;
};
