#include "platform/capture/device_enumerator.h"

#include "platform/capture/capture_faults.h"
#include "platform/capture/capture_source.h"
#include "platform/capture/capture_system.h"

bool DeviceEntry::GetDisplayName(std::string& strName)
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::DISPLAY_NAME))
        return false;
    return m_pDevice->GetDisplayName(strName);
}

std::shared_ptr<CaptureSource> DeviceEntry::BindCaptureSource()
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::BIND))
        return nullptr;
    return m_pDevice->Bind();
}

std::shared_ptr<DeviceEntry> VideoInputEnumerator::Next()
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::NEXT_DEVICE))
        return nullptr;
    if (m_nNext >= m_devices.size())
        return nullptr;
    return std::make_shared<DeviceEntry>(m_devices[m_nNext++]);
}

std::shared_ptr<VideoInputEnumerator> DeviceEnumerator::CreateVideoInputEnumerator()
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::VIDEO_INPUT_ENUMERATOR))
        return nullptr;
    std::vector<std::shared_ptr<VideoInputDevice>> devices;
    if (!m_pSystem->ListVideoInputs(devices) || devices.empty())
        return nullptr;
    return std::make_shared<VideoInputEnumerator>(std::move(devices));
}
