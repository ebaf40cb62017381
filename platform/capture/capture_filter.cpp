#include "platform/capture/capture_filter.h"

#include "platform/capture/capture_faults.h"
#include "platform/capture/sample_grabber.h"

std::shared_ptr<PinEnumerator> CaptureFilter::EnumPins()
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::ENUM_PINS))
        return nullptr;
    return std::make_shared<PinEnumerator>(shared_from_this());
}

std::shared_ptr<SampleGrabber> CaptureFilter::QuerySampleGrabber()
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::QUERY_GRABBER))
        return nullptr;
    return std::dynamic_pointer_cast<SampleGrabber>(shared_from_this());
}

std::shared_ptr<CapturePin> PinEnumerator::Next()
{
    if (m_nNext >= m_pFilter->PinCount())
        return nullptr;
    return std::make_shared<CapturePin>(m_pFilter, m_nNext++);
}
