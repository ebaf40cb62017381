#include "platform/capture/v4l2/v4l2_capture_system.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace
{

class V4l2VideoInput : public VideoInputDevice
{
  public:
    V4l2VideoInput(V4l2Io& io, V4l2DeviceEntry entry) : m_io(io), m_entry(std::move(entry)) {}

    bool GetDisplayName(std::string& strName) override
    {
        strName = m_entry.strDisplayName;
        return true;
    }

    std::shared_ptr<CaptureSource> Bind() override
    {
        auto pSource = std::make_shared<V4l2CaptureSource>(m_io);
        if (pSource->Open(m_entry) < 0)
            return nullptr;
        return pSource;
    }

  private:
    V4l2Io& m_io;
    V4l2DeviceEntry m_entry;
};

// Appends nValue's nBytes low bytes, least significant first.
uint8_t* PutLe(uint8_t* p, uint32_t nValue, int nBytes)
{
    for (int i = 0; i < nBytes; i++)
        *p++ = static_cast<uint8_t>(nValue >> (8 * i));
    return p;
}

// The request as the extension unit channel takes it: little-endian fields in order, the GUID in
// the form the device descriptors hold it. Built byte by byte, so on any machine.
std::array<uint8_t, sizeof(NodePropertyRequest)> WireForm(const NodePropertyRequest& request)
{
    std::array<uint8_t, sizeof(NodePropertyRequest)> abWire{};
    uint8_t* p = PutLe(abWire.data(), request.set.nData1, 4);
    p = PutLe(p, request.set.nData2, 2);
    p = PutLe(p, request.set.nData3, 2);
    p = std::copy(std::begin(request.set.abData4), std::end(request.set.abData4), p);
    for (uint32_t nField : {request.nId, request.nFlags, request.nNodeId, request.nReserved})
        p = PutLe(p, nField, 4);
    return abWire;
}

VideoFormat ToVideoFormat(const V4l2FrameFormat& frame)
{
    VideoFormat format;
    format.nWidth = int(frame.nWidth);
    format.nHeight = int(frame.nHeight);
    format.nFourCc = frame.nPixelFormat;
    format.nBitCount = frame.nWidth > 0 ? int(frame.nBytesPerLine * 8 / frame.nWidth) : 0;
    format.nSampleSize = frame.nSizeImage;
    return format;
}

} // namespace

bool V4l2CaptureSystem::ListVideoInputs(std::vector<std::shared_ptr<VideoInputDevice>>& devices)
{
    devices.clear();
    for (V4l2DeviceEntry& entry : V4l2Discovery(m_strRoot).List())
        devices.push_back(std::make_shared<V4l2VideoInput>(m_io, std::move(entry)));
    return true;
}

bool V4l2CaptureSource::NodeProperty(const NodePropertyRequest& request, uint8_t* pPayload, uint32_t nLength,
                                     uint32_t* pReturned)
{
    if (pReturned != nullptr)
        *pReturned = 0;
    const auto abRequest = WireForm(request);
    if (m_camera.XuRequest(abRequest.data(), abRequest.size(), pPayload, nLength) < 0)
        return false;
    if (pReturned != nullptr && request.nFlags == NODE_PROPERTY_GET)
        *pReturned = 1;
    return true;
}

bool V4l2CaptureSource::CurrentFormat(VideoFormat& format)
{
    V4l2FrameFormat frame;
    if (m_camera.GetFormat(frame) < 0)
        return false;
    format = ToVideoFormat(frame);
    return true;
}

bool V4l2CaptureSource::ApplyFormat(const VideoFormat& format)
{
    if (format.nWidth <= 0 || format.nHeight <= 0)
        return false;
    V4l2FrameFormat answer;
    return m_camera.PinFormat(uint32_t(format.nWidth), uint32_t(format.nHeight), answer) == 0;
}

bool V4l2CaptureSource::StartStreaming(SampleSink& sink)
{
    return m_camera.StartStreaming([&sink](const uint8_t* pData, size_t nBytes, double dTime)
                                   { sink.DeliverSample(pData, nBytes, dTime); }) == 0;
}

void V4l2CaptureSource::StopStreaming()
{
    m_camera.StopStreaming();
}
