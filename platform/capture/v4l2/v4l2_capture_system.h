#pragma once

#include "platform/capture/capture_source.h"
#include "platform/capture/capture_system.h"
#include "platform/capture/v4l2/v4l2_camera.h"
#include "platform/capture/v4l2/v4l2_discovery.h"

#include <string>

// The real video devices through V4L2: each capture node is a video-input device named in the
// Windows device-path form; bound, it opens the node as a capture source whose extension-unit
// requests go to the UVC unit with the request's GUID.
class V4l2CaptureSystem : public CaptureSystem
{
  public:
    // strRoot: where "sys" and "dev" are found ("/" on a running system).
    explicit V4l2CaptureSystem(V4l2Io& io = V4l2Io::System(), std::string strRoot = "/")
        : m_io(io), m_strRoot(std::move(strRoot))
    {
    }

    bool ListVideoInputs(std::vector<std::shared_ptr<VideoInputDevice>>& devices) override;

  private:
    V4l2Io& m_io;
    std::string m_strRoot;
};

// One opened capture node as a capture source.
class V4l2CaptureSource : public CaptureSource
{
  public:
    explicit V4l2CaptureSource(V4l2Io& io) : m_camera(io) {}
    // Stops streaming and closes the node.
    ~V4l2CaptureSource() override = default;

    int Open(const V4l2DeviceEntry& entry) { return m_camera.Open(entry); }

    bool NodeProperty(const NodePropertyRequest& request, uint8_t* pPayload, uint32_t nLength,
                      uint32_t* pReturned) override;
    bool CurrentFormat(VideoFormat& format) override;
    // Asks for 2-byte-a-pixel YUYV frames of the format's width and height; false when the
    // driver refuses or answers with anything else.
    bool ApplyFormat(const VideoFormat& format) override;
    bool StartStreaming(SampleSink& sink) override;
    void StopStreaming() override;
    bool StreamEnded() override { return m_camera.HasStreamFailed(); }

  private:
    V4l2Camera m_camera;
};
