#pragma once

#include "platform/capture/capture_system.h"

#include <memory>
#include <string>
#include <vector>

class SimCamera;
struct SimCameraConfig;

// Simulated video-input devices: supported cameras (colour or mono) and other video devices,
// listed in the order given. The cameras keep their state (registers, information bytes,
// format) for the life of this object, as hardware would across opens.
class SimCaptureSystem : public CaptureSystem
{
  public:
    explicit SimCaptureSystem(const std::vector<SimCameraConfig>& configs);

    // Builds the devices from the TARNWICK_SIM_CAMERAS syntax (README, "Simulated cameras"):
    // a comma-separated list of items, each "color", "mono" or "other", optionally preceded by
    // "N*" to repeat it and followed by ":key=value" options (model, serial, pid, busy, mode).
    // Items that cannot be read, or that would take the list past 64 devices, are left out and
    // described in *pError.
    static std::shared_ptr<SimCaptureSystem> FromSpec(const std::string& strSpec, std::string* pError);

    bool ListVideoInputs(std::vector<std::shared_ptr<VideoInputDevice>>& devices) override;

    // The simulated device at a list position (0 upwards), for tests and tools.
    const std::shared_ptr<SimCamera>& Camera(size_t nIndex) const { return m_cameras[nIndex]; }
    size_t DeviceCount() const { return m_cameras.size(); }

  private:
    std::vector<std::shared_ptr<SimCamera>> m_cameras;
};
