#pragma once

#include <memory>
#include <string>
#include <vector>

class CaptureSource;

// Backend side: one video-input device as the backend lists it.
class VideoInputDevice
{
public:
    virtual ~VideoInputDevice() = default;
    // The device's display name, e.g. "@device:pnp:\\?\usb#vid_04b4&pid_6e51&mi_00#...".
    virtual bool GetDisplayName(std::string& strName) = 0;
    // Opens the device as a capture source; null when it cannot be opened.
    virtual std::shared_ptr<CaptureSource> Bind() = 0;
};

// One entry of the video-input list as the camera code sees it: each step is fallible.
class DeviceEntry
{
public:
    explicit DeviceEntry(std::shared_ptr<VideoInputDevice> pDevice) : m_pDevice(std::move(pDevice)) {}

    bool GetDisplayName(std::string& strName);
    std::shared_ptr<CaptureSource> BindCaptureSource();

private:
    std::shared_ptr<VideoInputDevice> m_pDevice;
};

// Hands out the video-input devices one at a time, in the backend's order.
class VideoInputEnumerator
{
public:
    explicit VideoInputEnumerator(std::vector<std::shared_ptr<VideoInputDevice>> devices)
        : m_devices(std::move(devices))
    {
    }

    // The next device, or null when the list is exhausted or the request fails.
    std::shared_ptr<DeviceEntry> Next();

private:
    std::vector<std::shared_ptr<VideoInputDevice>> m_devices;
    size_t m_nNext = 0;
};

class CaptureSystem;

// The system's device enumerator.
class DeviceEnumerator
{
public:
    explicit DeviceEnumerator(std::shared_ptr<CaptureSystem> pSystem) : m_pSystem(std::move(pSystem)) {}

    // The list of video-input devices; null when it cannot be made or is empty.
    std::shared_ptr<VideoInputEnumerator> CreateVideoInputEnumerator();

private:
    std::shared_ptr<CaptureSystem> m_pSystem;
};
