#include "camera/camera_device.h"

#include "buffers/shared_buffers.h"
#include "platform/capture/capture_graph_builder.h"
#include "platform/capture/capture_source.h"
#include "platform/capture/capture_system.h"
#include "platform/capture/filter_graph.h"
#include "platform/capture/sample_grabber.h"
#include "platform/capture/source_topology.h"

#include <cstring>
#include <string>

namespace
{
constexpr int STATE_POLLS = 1000;
constexpr int STATE_POLL_MS = 250;

bool IsSupportedCamera(const std::string& strName)
{
    return strName.find("@device:pnp") != std::string::npos &&
           (strName.find("vid_04b4&pid_6e51") != std::string::npos ||
            strName.find("vid_04b4&pid_6e52") != std::string::npos);
}
} // namespace

// ---- Extension-unit requests and registers -------------------------------------------------

int CameraDevice::XuRequest(int nCamera, int nSelector, uint32_t nFlags, int nValue)
{
    // Every interface taken here is released when it goes out of scope, on every path.
    const std::shared_ptr<CaptureSource>& pCapture = m_pCapture[nCamera];
    if (!pCapture)
        return CAMERA_ERR_FAILED;
    std::shared_ptr<SourceTopology> pTopology = pCapture->QueryTopology();
    if (!pTopology)
        return CAMERA_ERR_FAILED;
    std::shared_ptr<TopologyNode> pNode = pTopology->CreateNodeInstance(XU_NODE_ID);
    if (!pNode)
        return CAMERA_ERR_FAILED;
    std::shared_ptr<NodeControl> pControl = pNode->QueryControl();
    if (!pControl)
        return CAMERA_ERR_FAILED;

    NodePropertyRequest request{CAMERA_XU_GUID, static_cast<uint32_t>(nSelector), nFlags, XU_NODE_ID, 0};
    uint8_t abPayload[2] = {static_cast<uint8_t>(nValue & 0xFF), static_cast<uint8_t>((nValue >> 8) & 0xFF)};
    uint32_t nLength = (nFlags == NODE_PROPERTY_SET && nSelector == XU_SEL_REG_ADDR) ? 2 : 1;
    if (nFlags == NODE_PROPERTY_GET)
        abPayload[0] = 0;
    uint32_t nReturned = 0;
    if (!pControl->Property(request, abPayload, nLength, &nReturned))
        return CAMERA_ERR_FAILED;
    return nFlags == NODE_PROPERTY_GET ? abPayload[0] : CAMERA_OK;
}

int CameraDevice::XuSet(int nCamera, int nSelector, int nValue)
{
    if (nCamera < 0 || nCamera >= CAMERA_MAX)
        return CAMERA_ERR_FAILED;
    return XuRequest(nCamera, nSelector, NODE_PROPERTY_SET, nValue);
}

int CameraDevice::XuGet(int nCamera, int nSelector)
{
    if (nCamera < 0 || nCamera >= CAMERA_MAX)
        return CAMERA_ERR_FAILED;
    return XuRequest(nCamera, nSelector, NODE_PROPERTY_GET, 0);
}

int CameraDevice::CheckCamera(int nCamera, int nFlags)
{
    if ((nFlags & CAMERA_CHECK_INDEX) && (nCamera < 0 || nCamera >= CAMERA_MAX))
        return CAMERA_ERR_BAD_INDEX;
    bool bInRange = nCamera >= 0 && nCamera < CAMERA_MAX;
    if ((nFlags & CAMERA_CHECK_PRESENT) && (!bInRange || !m_info[nCamera].bPresent))
        return CAMERA_ERR_NOT_PRESENT;
    if (nFlags & CAMERA_CHECK_IDLE)
    {
        if (CheckCamera(nCamera, CAMERA_CHECK_INDEX | CAMERA_CHECK_PRESENT) != CAMERA_OK)
            return CAMERA_ERR_BUSY;
        XuSet(nCamera, XU_SEL_INFO_ADDR, INFO_BUSY);
        if (XuGet(nCamera, XU_SEL_INFO_DATA) != 0)
            return CAMERA_ERR_BUSY;
    }
    return CAMERA_OK;
}

int CameraDevice::ReadInfo(int nCamera, int nAddr)
{
    int nResult = CheckCamera(nCamera, CAMERA_CHECK_INDEX | CAMERA_CHECK_PRESENT);
    if (nResult != CAMERA_OK)
        return nResult;
    XuSet(nCamera, XU_SEL_INFO_ADDR, nAddr);
    return XuGet(nCamera, XU_SEL_INFO_DATA);
}

int CameraDevice::WriteRegister8(int nCamera, int nReg, int nValue)
{
    int nResult = CheckCamera(nCamera, CAMERA_CHECK_INDEX | CAMERA_CHECK_PRESENT);
    if (nResult != CAMERA_OK)
        return nResult;
    XuSet(nCamera, XU_SEL_REG_ADDR, nReg);
    XuSet(nCamera, XU_SEL_REG_DATA, nValue);
    return CAMERA_OK;
}

int CameraDevice::ReadRegister8(int nCamera, int nReg)
{
    int nResult = CheckCamera(nCamera, CAMERA_CHECK_INDEX | CAMERA_CHECK_PRESENT);
    if (nResult != CAMERA_OK)
        return nResult;
    XuSet(nCamera, XU_SEL_REG_ADDR, nReg);
    return XuGet(nCamera, XU_SEL_REG_DATA);
}

int CameraDevice::WriteRegister16(int nCamera, int nReg, int nValue)
{
    int nResult = CheckCamera(nCamera, CAMERA_CHECK_INDEX | CAMERA_CHECK_PRESENT);
    if (nResult != CAMERA_OK)
        return nResult;
    XuSet(nCamera, XU_SEL_REG_ADDR, nReg);
    XuSet(nCamera, XU_SEL_REG_DATA, nValue & 0xFF);
    XuSet(nCamera, XU_SEL_REG_ADDR, nReg + 1);
    XuSet(nCamera, XU_SEL_REG_DATA, (nValue >> 8) & 0xFF);
    return CAMERA_OK;
}

int CameraDevice::ReadRegister16(int nCamera, int nReg)
{
    int nResult = CheckCamera(nCamera, CAMERA_CHECK_INDEX | CAMERA_CHECK_PRESENT);
    if (nResult != CAMERA_OK)
        return nResult;
    XuSet(nCamera, XU_SEL_REG_ADDR, nReg);
    int nLow = XuGet(nCamera, XU_SEL_REG_DATA);
    XuSet(nCamera, XU_SEL_REG_ADDR, nReg + 1);
    int nHigh = XuGet(nCamera, XU_SEL_REG_DATA);
    // A failed read contributes 0xFF, the low byte of CAMERA_ERR_FAILED.
    return (nHigh & 0xFF) * 256 + (nLow & 0xFF);
}

// ---- Discovery ----------------------------------------------------------------------------

int CameraDevice::Init()
{
    // A second Init lets go of what the first one held before it clears the records.
    ReleaseAll();
    m_nOpened = -1;
    std::memset(m_info, 0, sizeof m_info);

    // Started once; a second Init finds the system already started, which counts as success.
    if (!m_pSystem)
    {
        std::shared_ptr<CaptureSystem> pCurrent = CaptureSystem::Current();
        if (!pCurrent->Startup())
            return CAMERA_ERR_COM_INIT;
        m_pSystem = std::move(pCurrent);
    }
    const std::shared_ptr<CaptureSystem>& pSystem = m_pSystem;
    std::shared_ptr<DeviceEnumerator> pDevEnum = pSystem->CreateDeviceEnumerator();
    if (!pDevEnum)
        return CAMERA_ERR_NO_DEVICE;
    std::shared_ptr<VideoInputEnumerator> pClassEnum = pDevEnum->CreateVideoInputEnumerator();
    if (!pClassEnum)
        return CAMERA_ERR_NO_DEVICE;

    int n = 0;
    for (int nRequest = 0; nRequest < CAMERA_MAX; ++nRequest)
    {
        std::shared_ptr<DeviceEntry> pEntry = pClassEnum->Next();
        if (!pEntry)
            continue;
        std::string strName;
        if (!pEntry->GetDisplayName(strName))
            return CAMERA_ERR_FAILED;
        if (!IsSupportedCamera(strName))
            continue;
        // A camera that cannot be opened as a capture source takes no index.
        std::shared_ptr<CaptureSource> pSource = pEntry->BindCaptureSource();
        if (!pSource)
            continue;
        pSource->SetNoClock();
        m_pCapture[n] = std::move(pSource);
        ReadIdentity(n);
        ++n;
    }
    return n;
}

void CameraDevice::ReadIdentity(int nCamera)
{
    CameraInfo info = {};
    info.bPresent = 1;
    m_info[nCamera] = info; // present from here on, so the reads below reach the camera
    auto readByte = [&](int nAddr) { return ReadInfo(nCamera, nAddr) & 0xFF; };
    info.nInfo0 = readByte(0);
    info.nBusy = readByte(INFO_BUSY);
    info.bColor = readByte(INFO_COLOR);
    info.nInfo3 = readByte(3);
    info.nInfo5 = readByte(5);
    info.nInfo6 = readByte(6);
    for (int i = 0; i < 16; ++i)
        info.szModel[i] = static_cast<char>(readByte(INFO_MODEL_NAME + i));
    for (int i = 0; i < 8; ++i)
        info.szSerial[i] = static_cast<char>(readByte(INFO_SERIAL_NO + i));
    for (int i = 0; i < 8; ++i)
        info.abExtra1[i] = static_cast<unsigned char>(readByte(INFO_EXTRA1 + i));
    for (int i = 0; i < 16; ++i)
        info.abExtra2[i] = static_cast<unsigned char>(readByte(INFO_EXTRA2 + i));
    m_info[nCamera] = info;
}

int CameraDevice::FindIdleCamera()
{
    for (int i = 0; i < CAMERA_MAX; ++i)
    {
        if (!m_info[i].bPresent)
            continue;
        if (ReadInfo(i, INFO_BUSY) == 0)
            return i;
    }
    return -1;
}

// ---- Capture graph ------------------------------------------------------------------------

int CameraDevice::Open(int nCamera, int nWidth, int nHeight, FrameHandler pfnFrame, void* pFrameArg)
{
    uint8_t* pDest = g_pRawFrame;
    if (nCamera < 0)
        nCamera = FindIdleCamera();
    int nResult = CheckCamera(nCamera, CAMERA_CHECK_INDEX | CAMERA_CHECK_PRESENT | CAMERA_CHECK_IDLE);
    if (nResult != CAMERA_OK)
        return nResult;

    // From here on whatever is made stays in the members for Close, also on failure.
    const std::shared_ptr<CaptureSystem>& pSystem = m_pSystem;
    if (!pSystem)
        return CAMERA_ERR_FAILED;
    m_nOpened = -1;
    m_pGraph = pSystem->CreateFilterGraph();
    if (!m_pGraph)
        return CAMERA_ERR_FAILED;
    m_pBuilder = pSystem->CreateCaptureGraphBuilder();
    if (!m_pBuilder)
        return CAMERA_ERR_FAILED;

    {
        std::shared_ptr<StreamConfig> pConfig = m_pBuilder->FindStreamConfig(m_pCapture[nCamera]);
        if (!pConfig)
            return CAMERA_ERR_FAILED;
        VideoFormat format;
        if (!pConfig->GetFormat(format))
            return CAMERA_ERR_FAILED;
        format.nWidth = nWidth;
        format.nHeight = nHeight;
        // A refused format does not stop the opening: frames then come in the camera's own
        // size and the callback skips them or leaves the handler out.
        pConfig->SetFormat(format);
    }

    std::shared_ptr<SampleGrabber> pGrabber = pSystem->CreateSampleGrabber();
    m_pGrabberFilter = pGrabber;
    if (!m_pGrabberFilter)
        return CAMERA_ERR_FAILED;
    m_pGrabber = m_pGrabberFilter->QuerySampleGrabber();
    if (!m_pGrabber)
        return CAMERA_ERR_FAILED;
    if (!m_pGrabber->SetBufferSamples(false))
        return CAMERA_ERR_FAILED;
    if (!m_pGrabber->SetOneShot(false))
        return CAMERA_ERR_FAILED;

    m_pCallback = std::make_unique<SampleGrabberCB>();
    m_pCallback->m_pDest = pDest;
    m_pCallback->m_pfnFrame = pfnFrame;
    m_pCallback->m_pFrameArg = pFrameArg;
    m_pCallback->m_nWidth = nWidth;
    m_pCallback->m_nHeight = nHeight;
    m_pCallback->m_nMode = GRAB_MODE_ROTATE;
    if (!m_pGrabber->SetCallback(m_pCallback.get(), GRABBER_CALLS_BUFFER))
        return CAMERA_ERR_FAILED;

    if (!m_pGraph->AddFilter(m_pCapture[nCamera], "Video Capture"))
        return CAMERA_ERR_FAILED;
    if (!m_pGraph->AddFilter(m_pGrabberFilter, "Grabber"))
        return CAMERA_ERR_FAILED;
    if (!m_pBuilder->SetFiltergraph(m_pGraph))
        return CAMERA_ERR_FAILED;

    {
        std::shared_ptr<CapturePin> pOut = GetPin(m_pCapture[nCamera], PinDirection::OUTPUT);
        std::shared_ptr<CapturePin> pIn = GetPin(m_pGrabberFilter, PinDirection::INPUT);
        if (!m_pGraph->Connect(pOut, pIn))
            return CAMERA_ERR_FAILED;
    }

    m_nOpened = nCamera;
    return CAMERA_OK;
}

std::shared_ptr<CapturePin> CameraDevice::GetPin(const std::shared_ptr<CaptureFilter>& pFilter,
                                                 PinDirection dir)
{
    if (!pFilter)
        return nullptr;
    std::shared_ptr<PinEnumerator> pEnum = pFilter->EnumPins();
    if (!pEnum)
        return nullptr;
    while (std::shared_ptr<CapturePin> pPin = pEnum->Next())
    {
        if (pPin->QueryDirection() == dir)
            return pPin;
    }
    return nullptr;
}

int CameraDevice::WaitForState(bool bRun)
{
    if (m_nOpened < 0)
        return CAMERA_ERR_NOT_OPEN;
    std::shared_ptr<MediaControl> pControl = m_pGraph->QueryMediaControl();
    if (!pControl)
        return CAMERA_ERR_FAILED;
    // A graph that cannot start (the camera held by another program, too little USB bandwidth,
    // the camera gone) is left stopped, and says so; the backend has reported why.
    if (bRun && !pControl->Run())
        return CAMERA_ERR_FAILED;
    if (!bRun)
        pControl->Stop();
    int nWanted = bRun ? GRAPH_STATE_RUNNING : GRAPH_STATE_STOPPED;
    int nState = bRun ? GRAPH_STATE_STOPPED : GRAPH_STATE_RUNNING;
    for (int i = 0; i < STATE_POLLS && nState != nWanted; ++i)
        pControl->GetState(STATE_POLL_MS, nState);
    return bRun && nState != nWanted ? CAMERA_ERR_FAILED : CAMERA_OK;
}

int CameraDevice::Run()
{
    return WaitForState(true);
}

int CameraDevice::Stop()
{
    return WaitForState(false);
}

void CameraDevice::ReleaseAll()
{
    // The graph goes first: when its last reference goes, streaming stops before the filters
    // and the callback are let go.
    m_pGraph.reset();
    m_pGrabberFilter.reset();
    for (auto& pCapture : m_pCapture)
        pCapture.reset();
    m_pGrabber.reset();
    m_pBuilder.reset();
    m_pCallback.reset();
    m_nOpened = -1;
}

int CameraDevice::Close()
{
    ReleaseAll();
    if (m_pSystem)
    {
        m_pSystem->Shutdown();
        m_pSystem.reset();
    }
    return CAMERA_OK;
}
