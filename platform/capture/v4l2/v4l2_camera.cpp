#include "platform/capture/v4l2/v4l2_camera.h"

#include "platform/capture/v4l2/v4l2_discovery.h"
#include "platform/capture/v4l2/v4l2_log.h"

#include <cerrno>
#include <cstdio>
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

// "YUYV 1284x960, 2568 bytes a line, 2465280 a frame"
void DescribeFormat(const V4l2FrameFormat& format, char* pszText, size_t nSize)
{
    char szFourCc[5];
    for (int i = 0; i < 4; i++)
    {
        const char c = char((format.nPixelFormat >> (8 * i)) & 0xFF);
        szFourCc[i] = c >= ' ' && c <= '~' ? c : '?';
    }
    szFourCc[4] = '\0';
    std::snprintf(pszText, nSize, "%s %ux%u, %u bytes a line, %u a frame", szFourCc, format.nWidth,
                  format.nHeight, format.nBytesPerLine, format.nSizeImage);
}

} // namespace

int V4l2Camera::Open(const V4l2DeviceEntry& entry)
{
    Close();
    m_strNode = entry.strDevicePath;
    // Non-blocking, so that the streaming thread never sleeps inside a dequeue and can stop.
    const int fd = m_io.Open(m_strNode, O_RDWR | O_NONBLOCK);
    if (fd < 0)
    {
        V4l2Log::Failure(m_strNode.c_str(), "open", fd);
        return fd;
    }
    V4l2Fd device(m_io, fd);
    v4l2_capability caps{};
    const int nResult = m_io.Ioctl(fd, VIDIOC_QUERYCAP, &caps);
    if (nResult < 0)
    {
        V4l2Log::Failure(m_strNode.c_str(), "query capabilities (VIDIOC_QUERYCAP)", nResult);
        return nResult;
    }
    const uint32_t nCaps = (caps.capabilities & V4L2_CAP_DEVICE_CAPS) ? caps.device_caps : caps.capabilities;
    constexpr uint32_t NEEDED = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
    if ((nCaps & NEEDED) != NEEDED)
    {
        V4l2Log::Write("tarnwick: %s: not a video capture node with streaming (capabilities 0x%08X)",
                       m_strNode.c_str(), nCaps);
        return -ENODEV;
    }
    m_fd = std::move(device);
    UvcDescriptors descriptors;
    if (!entry.strUsbDevicePath.empty())
        descriptors = UvcDescriptors::ReadFile(entry.strUsbDevicePath + "/descriptors");
    m_channel = UvcXuChannel(m_io, fd, m_strNode, std::move(descriptors));
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
    if (nResult < 0)
        V4l2Log::Failure(m_strNode.c_str(), "get format (VIDIOC_G_FMT)", nResult);
    else
        format = ToFrameFormat(current);
    return nResult;
}

int V4l2Camera::PinFormat(uint32_t nWidth, uint32_t nHeight, V4l2FrameFormat& format)
{
    if (!IsOpen())
        return -EBADF;
    v4l2_format wanted{};
    wanted.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    wanted.fmt.pix.width = nWidth;
    wanted.fmt.pix.height = nHeight;
    wanted.fmt.pix.pixelformat = V4L2_PIX_FMT_YUYV;
    wanted.fmt.pix.field = V4L2_FIELD_NONE;
    const int nResult = m_io.Ioctl(m_fd.Get(), VIDIOC_S_FMT, &wanted);
    if (nResult < 0)
    {
        V4l2Log::Failure(m_strNode.c_str(), "set format (VIDIOC_S_FMT)", nResult);
        return nResult;
    }
    format = ToFrameFormat(wanted);
    V4l2FrameFormat asked;
    asked.nWidth = nWidth;
    asked.nHeight = nHeight;
    asked.nPixelFormat = V4L2_PIX_FMT_YUYV;
    asked.nBytesPerLine = 2 * nWidth;
    asked.nSizeImage = 2 * nWidth * nHeight;
    if (format.nWidth == asked.nWidth && format.nHeight == asked.nHeight &&
        format.nPixelFormat == asked.nPixelFormat && format.nBytesPerLine == asked.nBytesPerLine &&
        format.nSizeImage == asked.nSizeImage)
        return 0;
    char szAsked[96];
    char szAnswer[96];
    DescribeFormat(asked, szAsked, sizeof szAsked);
    DescribeFormat(format, szAnswer, sizeof szAnswer);
    V4l2Log::Write("tarnwick: %s: set format (VIDIOC_S_FMT): asked for %s; the driver chose %s",
                   m_strNode.c_str(), szAsked, szAnswer);
    return -EINVAL;
}

int V4l2Camera::StartStreaming(V4l2FrameFn fnFrame)
{
    V4l2FrameFormat format;
    const int nResult = GetFormat(format);
    if (nResult < 0)
        return nResult;
    return m_stream.Start(m_fd.Get(), m_strNode, V4l2Stream::BufferCountFor(format.nSizeImage),
                          format.nSizeImage, std::move(fnFrame));
}

int V4l2Camera::StopStreaming()
{
    return m_stream.Stop();
}
