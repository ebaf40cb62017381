#include "platform/capture/v4l2/v4l2_camera.h"

#include "platform/capture/v4l2/v4l2_discovery.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/videodev2.h>

namespace
{

V4l2FrameFormat ToFrameFormat(const v4l2_format& format)
{
    V4l2FrameFormat result;
    result.nWidth = format.fmt.pix.width;
    result.nHeight = format.fmt.pix.height;
    result.nPixelFormat = format.fmt.pix.pixelformat;
    result.nBytesPerLine = format.fmt.pix.bytesperline;
    result.nSizeImage = format.fmt.pix.sizeimage;
    return result;
}

} // namespace

int V4l2Camera::Open(const V4l2DeviceEntry& entry)
{
    Close();
    // Non-blocking, so that the streaming thread never sleeps inside a dequeue and can stop.
    const int fd = m_io.Open(entry.strDevicePath, O_RDWR | O_NONBLOCK);
    if (fd < 0)
        return fd;
    m_fd = V4l2Fd(m_io, fd);
    UvcDescriptors descriptors;
    if (!entry.strUsbDevicePath.empty())
        descriptors = UvcDescriptors::ReadFile(entry.strUsbDevicePath + "/descriptors");
    m_channel = UvcXuChannel(m_io, fd, std::move(descriptors));
    return 0;
}

void V4l2Camera::Close()
{
    m_stream.Stop();
    m_channel = UvcXuChannel();
    m_fd.Reset();
}

int V4l2Camera::XuRequest(const void* pRequest, size_t nRequestLength, void* pPayload, size_t nPayloadLength)
{
    return m_channel.Request(pRequest, nRequestLength, pPayload, nPayloadLength);
}

int V4l2Camera::GetFormat(V4l2FrameFormat& format)
{
    if (!IsOpen())
        return -EBADF;
    v4l2_format current{};
    current.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    const int nResult = m_io.Ioctl(m_fd.Get(), VIDIOC_G_FMT, &current);
    if (nResult == 0)
        format = ToFrameFormat(current);
    return nResult;
}

int V4l2Camera::SetFrameSize(uint32_t nWidth, uint32_t nHeight, V4l2FrameFormat& format)
{
    if (!IsOpen())
        return -EBADF;
    v4l2_format wanted{};
    wanted.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    int nResult = m_io.Ioctl(m_fd.Get(), VIDIOC_G_FMT, &wanted);
    if (nResult < 0)
        return nResult;
    wanted.fmt.pix.width = nWidth;
    wanted.fmt.pix.height = nHeight;
    // The line and image sizes of the old size no longer hold; the driver works them out.
    wanted.fmt.pix.bytesperline = 0;
    wanted.fmt.pix.sizeimage = 0;
    nResult = m_io.Ioctl(m_fd.Get(), VIDIOC_S_FMT, &wanted);
    if (nResult == 0)
        format = ToFrameFormat(wanted);
    return nResult;
}

int V4l2Camera::StartStreaming(V4l2FrameFn fnFrame)
{
    if (!IsOpen())
        return -EBADF;
    return m_stream.Start(m_fd.Get(), std::move(fnFrame));
}

int V4l2Camera::StopStreaming()
{
    return m_stream.Stop();
}
