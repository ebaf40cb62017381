#pragma once

#include "platform/capture/device_enumerator.h"

#include <atomic>
#include <memory>
#include <vector>

class CaptureGraphBuilder;
class FilterGraph;
class SampleGrabber;

// The capture backend of the process: lists the video-input devices and makes the generic graph
// objects. One is current per process, chosen at first use: the simulated cameras when the
// environment variable TARNWICK_SIM_CAMERAS is set, else the system's real devices. Tests
// install their own.
class CaptureSystem : public std::enable_shared_from_this<CaptureSystem>
{
public:
    virtual ~CaptureSystem() = default;

    static std::shared_ptr<CaptureSystem> Current();
    static void SetCurrent(std::shared_ptr<CaptureSystem> pSystem);

    // Prepares the calling thread for capture calls; every successful Startup is ended by one
    // Shutdown.
    bool Startup();
    void Shutdown();
    // Startups not yet ended by a Shutdown.
    int ActiveStartups() const { return m_nStartups; }

    std::shared_ptr<DeviceEnumerator> CreateDeviceEnumerator();
    std::shared_ptr<FilterGraph> CreateFilterGraph();
    std::shared_ptr<CaptureGraphBuilder> CreateCaptureGraphBuilder();
    std::shared_ptr<SampleGrabber> CreateSampleGrabber();

    // Backend side: the video-input devices in their order; false when they cannot be listed.
    virtual bool ListVideoInputs(std::vector<std::shared_ptr<VideoInputDevice>>& devices) = 0;

private:
    std::atomic<int> m_nStartups{0};
};

// A backend without devices.
class EmptyCaptureSystem : public CaptureSystem
{
public:
    bool ListVideoInputs(std::vector<std::shared_ptr<VideoInputDevice>>& devices) override
    {
        devices.clear();
        return true;
    }
};

// Makes the backend the environment asks for (defined in capture_backend_choice.cpp).
std::shared_ptr<CaptureSystem> CreateDefaultCaptureSystem();
