#pragma once

#include "camera/camera_device.h"
#include "platform/capture/capture_faults.h"
#include "platform/capture/sim/sim_camera.h"
#include "platform/capture/sim/sim_capture_system.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A camera access object over simulated devices, with no planned failures.
class SimCameraTest : public ::testing::Test
{
  protected:
    // Each installation starts from a closed camera object, as a fresh program would.
    void Install(const std::string& strSpec)
    {
        std::string strError;
        Use(SimCaptureSystem::FromSpec(strSpec, &strError));
        ASSERT_EQ(strError, "");
    }
    void Use(std::shared_ptr<SimCaptureSystem> pSim)
    {
        m_camera.Close();
        m_pSim = std::move(pSim);
        CaptureSystem::SetCurrent(m_pSim);
        CaptureFaults::Instance().Clear();
    }
    // Installs the devices and runs discovery; the request log starts empty afterwards.
    void InstallAndInit(const std::string& strSpec, int nExpectedCameras)
    {
        Install(strSpec);
        ASSERT_EQ(m_camera.Init(), nExpectedCameras);
        ClearLogs();
    }
    void TearDown() override
    {
        m_camera.Close();
        CaptureFaults::Instance().Clear();
        CaptureSystem::SetCurrent(nullptr);
    }

    SimCamera& Sim(size_t nIndex) { return *m_pSim->Camera(nIndex); }
    void ClearLogs()
    {
        for (size_t i = 0; i < m_pSim->DeviceCount(); ++i)
            Sim(i).ClearRequestLog();
    }
    // The request log in a readable form: "SET1 30 00", "GET2 6C", "GET4 failed".
    std::vector<std::string> Log(size_t nIndex)
    {
        std::vector<std::string> lines;
        for (const SimXuRequest& r : Sim(nIndex).RequestLog())
        {
            std::string s = (r.bSet ? "SET" : "GET") + std::to_string(r.nSelector);
            for (uint8_t b : r.payload)
                s += {' ', "0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15]};
            lines.push_back(r.bOk ? s : s + " failed");
        }
        return lines;
    }

    std::shared_ptr<SimCaptureSystem> m_pSim;
    CameraDevice m_camera;
};
