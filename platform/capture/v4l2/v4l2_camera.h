#pragma once

#include "platform/capture/v4l2/uvc_xu_channel.h"
#include "platform/capture/v4l2/v4l2_io.h"
#include "platform/capture/v4l2/v4l2_stream.h"

#include <cstdint>
#include <string>

struct V4l2DeviceEntry;

// The capture format as the driver reports it.
struct V4l2FrameFormat
{
    uint32_t nWidth = 0;
    uint32_t nHeight = 0;
    uint32_t nPixelFormat = 0; // fourcc
    uint32_t nBytesPerLine = 0;
    uint32_t nSizeImage = 0;
};

// One opened capture node: its extension-unit channel, its capture format and its stream.
// Every call but the frame callback comes from one controlling thread. Results are 0 (or a
// value read), or -errno; a step that fails is reported on standard error with the node's path.
class V4l2Camera
{
  public:
    explicit V4l2Camera(V4l2Io& io) : m_io(io), m_stream(io) {}
    V4l2Camera(const V4l2Camera&) = delete;
    V4l2Camera& operator=(const V4l2Camera&) = delete;
    ~V4l2Camera() { Close(); }

    // Opens the node, which must capture video by streaming (else -ENODEV), and reads the
    // extension units from the USB device's descriptors (a device that is not on USB, or whose
    // descriptors cannot be read, has none).
    int Open(const V4l2DeviceEntry& entry);
    // Stops streaming and closes the node.
    void Close();
    bool IsOpen() const { return m_fd.IsValid(); }

    // See UvcXuChannel::Request.
    int XuRequest(const void* pRequest, size_t nRequestLength, void* pPayload, size_t nPayloadLength);

    int GetFormat(V4l2FrameFormat& format);
    // Asks for YUYV frames of nWidth x nHeight. The driver keeps the last format that any program
    // chose and answers with the nearest one it has, so its answer counts only when it is exactly
    // that: YUYV, that size, 2 bytes a pixel, no padding. Otherwise -EINVAL, reported with what
    // the driver chose. format receives the driver's answer.
    int PinFormat(uint32_t nWidth, uint32_t nHeight, V4l2FrameFormat& format);

    int StartStreaming(V4l2FrameFn fnFrame);
    int StopStreaming();
    bool IsStreaming() const { return m_stream.IsStreaming(); }
    // True when streaming has ended by itself on an error; StopStreaming then releases it.
    bool HasStreamFailed() const { return m_stream.HasFailed(); }

  private:
    V4l2Io& m_io;
    V4l2Fd m_fd;
    std::string m_strNode;
    UvcXuChannel m_channel;
    V4l2Stream m_stream;
};
