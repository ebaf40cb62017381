#include "platform/capture/capture_faults.h"

CaptureFaults& CaptureFaults::Instance()
{
    static CaptureFaults s_faults;
    return s_faults;
}

void CaptureFaults::FailCall(CaptureStep step, int nNth)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    StepFaults& s = m_steps[static_cast<size_t>(step)];
    s.failing.insert(s.nCalls + nNth);
}

void CaptureFaults::FailFrom(CaptureStep step, int nNth)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    StepFaults& s = m_steps[static_cast<size_t>(step)];
    s.nFailFrom = s.nCalls + nNth;
}

void CaptureFaults::Clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_steps = {};
}

int CaptureFaults::Calls(CaptureStep step)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_steps[static_cast<size_t>(step)].nCalls;
}

bool CaptureFaults::ShouldFail(CaptureStep step)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    StepFaults& s = m_steps[static_cast<size_t>(step)];
    int nCall = ++s.nCalls;
    if (s.nFailFrom > 0 && nCall >= s.nFailFrom)
        return true;
    return s.failing.erase(nCall) > 0;
}
