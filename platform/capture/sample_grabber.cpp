#include "platform/capture/sample_grabber.h"

#include "platform/capture/capture_faults.h"

bool SampleGrabber::SetBufferSamples(bool bBuffer)
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::SET_BUFFER_SAMPLES))
        return false;
    m_bBufferSamples = bBuffer;
    return true;
}

bool SampleGrabber::SetOneShot(bool bOneShot)
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::SET_ONE_SHOT))
        return false;
    m_bOneShot = bOneShot;
    return true;
}

bool SampleGrabber::SetCallback(SampleGrabberCallback* pCallback, int nWhich)
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::SET_CALLBACK))
        return false;
    if (nWhich != GRABBER_CALLS_SAMPLE && nWhich != GRABBER_CALLS_BUFFER)
        return false;
    m_nWhich = nWhich;
    m_pCallback = pCallback;
    return true;
}

void SampleGrabber::DeliverSample(const uint8_t* pData, size_t nLength, double dTime)
{
    if (m_bOneShot && m_bDelivered.exchange(true))
        return;
    SampleGrabberCallback* pCallback = m_pCallback;
    if (!pCallback)
        return;
    if (m_nWhich == GRABBER_CALLS_BUFFER)
    {
        pCallback->BufferCB(dTime, pData, static_cast<long>(nLength));
    }
    else
    {
        MediaSample sample{pData, nLength, dTime};
        pCallback->SampleCB(dTime, &sample);
    }
}
