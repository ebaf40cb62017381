#pragma once

#include "platform/capture/capture_source.h"
#include "platform/capture/device_enumerator.h"
#include "platform/sys/worker_thread.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

enum class SimDeviceKind
{
    CAMERA, // a supported line-scan camera
    OTHER   // some other video device: no extension unit
};

struct SimCameraConfig
{
    SimDeviceKind kind = SimDeviceKind::CAMERA;
    bool bColor = true;
    std::string strModel;  // empty: "TW-LS1284C" or "TW-LS1284M"
    std::string strSerial; // empty: made from the device's list position
    int nProductId = 0x6e51;
    int nBusy = 0;
    int nMode = 1;              // readout mode 0 to 3; sets the starting capture format
    std::string strDisplayName; // empty: made from the product id and list position
    int nLineRate = 0;          // lines a second, beyond the line period's limit; 0: the line period sets it
};

// One entry of the extension-unit request log.
struct SimXuRequest
{
    int nSelector;
    bool bSet;
    std::vector<uint8_t> payload; // SET: the bytes sent; GET: the bytes answered
    bool bOk;
};

// Rendering settings of one frame, taken from the registers when the frame starts.
struct SimFrameSettings
{
    int nWidth;
    int nHeight;
    int nFirstRow;                                // sensor row of the frame's line 0
    int nDirection;                               // scan direction register
    std::array<std::array<uint8_t, 256>, 4> aLut; // per channel (R, G, B, grey): scene value -> sample
};

// A simulated camera: the register file and information bytes behind the extension unit, the
// capture format, and a streaming thread that renders a scene moving past the sensor.
//
// Timing: one line period count is 29 / 74.25 us (REG_LINE_PERIOD, default 2560: about 1000
// lines a second). A line-scan frame of H lines takes H line periods; a full frame takes 96 line
// periods (the sensor reads ten rows per line period), about 10 frames a second by default.
// The scene moves one scene row per line period.
class SimCamera : public VideoInputDevice, public std::enable_shared_from_this<SimCamera>
{
  public:
    static constexpr int FRAME_WIDTH = 1284;
    static constexpr int SENSOR_ROWS = 960;
    static constexpr double LINE_PERIOD_UNIT_US = 29.0 / 74.25;
    static constexpr int FULL_FRAME_LINE_PERIODS = 96;
    static constexpr uint16_t DEFAULT_LINE_PERIOD = 2560;

    SimCamera(const SimCameraConfig& config, int nListIndex);
    ~SimCamera() override;

    // VideoInputDevice
    bool GetDisplayName(std::string& strName) override;
    std::shared_ptr<CaptureSource> Bind() override;

    // Extension-unit request, as the source passes it on.
    bool NodeProperty(const NodePropertyRequest& request, uint8_t* pPayload, uint32_t nLength,
                      uint32_t* pReturned);
    bool CurrentFormat(VideoFormat& format);
    bool ApplyFormat(const VideoFormat& format);
    bool StartStreaming(SampleSink& sink);
    void StopStreaming();

    // For tests and tools.
    std::vector<SimXuRequest> RequestLog();
    void ClearRequestLog();
    uint8_t Register(int nAddr) const { return m_abRegisters[nAddr & 0xFFFF]; }
    void SetRegister(int nAddr, uint8_t nValue) { m_abRegisters[nAddr & 0xFFFF] = nValue; }
    uint8_t SavedRegister(int nAddr);
    uint8_t Info(int nAddr);
    void SetInfo(int nAddr, uint8_t nValue);
    bool IsStreaming();
    int FrameHeight();
    // Bytes held for frames: none unless streaming. Call from the thread that starts and stops.
    size_t FrameBytesHeld() const { return m_frame.capacity(); }
    // Frames delivered since the camera was made.
    uint64_t FramesDelivered() const { return m_nFramesDelivered; }
    // Frames the camera's timing called for that the sink took too long to take: a real camera
    // would have lost them. The scene moves on past them all the same.
    uint64_t FramesLost() const { return m_nFramesLost; }
    // Called on the streaming thread after each frame has been delivered (for tests and tools);
    // set it while the camera does not stream.
    using DeliveryObserver = void (*)(void* pArg, uint64_t nFrameIndex);
    void SetDeliveryObserver(DeliveryObserver pfn, void* pArg)
    {
        m_pfnObserver = pfn;
        m_pObserverArg = pArg;
    }
    // The line counter of the frame being delivered (or last delivered); read it from the
    // frame handler to know which frame is in hand.
    uint64_t FrameLine() const { return m_nFrameLine; }
    // The settings the next frame would be rendered with.
    SimFrameSettings CurrentSettings() { return SettingsFor(FrameHeight()); }
    // The 8-bit sample of pixel (x, y) of the frame that starts at line counter nLine.
    static uint8_t SampleAt(const SimFrameSettings& settings, bool bColor, uint64_t nLine, int x, int y);
    // Renders a whole frame: 2 bytes a pixel, low byte the sample.
    static void RenderFrame(const SimFrameSettings& settings, bool bColor, uint64_t nLine, uint8_t* pOut);
    // The scene row (0 to SimScene::ROWS - 1) that sensor row nRow sees in the frame starting at nLine.
    static uint64_t SceneRowOf(const SimFrameSettings& settings, uint64_t nLine, int nRow);
    bool IsColor() const { return m_config.bColor; }
    // Faults: a stream that stops sending frames while it still counts as running, and a camera
    // pulled out (every request and format call fails, no frames come).
    void SetStreamHalted(bool bHalted) { m_bHalted = bHalted; }
    void Unplug() { m_bUnplugged = true; }

  private:
    void ResetRegisters();
    bool HandleSet(int nSelector, const uint8_t* pPayload, uint32_t nLength);
    bool HandleGet(int nSelector, uint8_t* pPayload, uint32_t nLength);
    // Frame settings from the registers alone: the streaming thread takes no lock for them.
    SimFrameSettings SettingsFor(int nHeight) const;
    // The registers the frame settings depend on, as one key: settings are made anew only when
    // it changes, which keeps a fast stream's cost per frame to the rendering alone.
    std::array<uint8_t, 16> SettingsKey() const;
    // Sleeps until the frame time or a stop request; true when asked to stop.
    bool WaitUntil(std::chrono::steady_clock::time_point when);
    void StreamLoop(SampleSink* pSink, int nHeight);
    // One sensor line of a row of parity nParity (0 even) seeing scene row nSceneRow.
    static void RenderLine(const SimFrameSettings& settings, bool bColor, uint64_t nSceneRow, int nParity,
                           uint8_t* pOut);
    // RenderFrame into m_frame through the line cache: a line is rendered once per scene row and
    // parity and copied after, so a fast stream costs a copy a line.
    void RenderFrameCached(const SimFrameSettings& settings, uint64_t nLine);

    SimCameraConfig m_config;
    std::string m_strDisplayName;

    // Registers are read by the streaming thread while the UI thread writes them: one atomic
    // byte each, no lock on the frame path.
    std::array<std::atomic<uint8_t>, 65536> m_abRegisters;

    // Protects the address latches, the information bytes, the saved registers, the request log
    // and the capture format. Taken by extension-unit requests and format calls, never by the
    // streaming thread (the format cannot change while streaming; the thread is handed its height).
    std::mutex m_mutex;
    uint16_t m_nRegAddr = 0;
    uint8_t m_nInfoAddr = 0;
    std::array<uint8_t, 256> m_abInfo{};
    std::vector<uint8_t> m_abSaved;
    std::vector<SimXuRequest> m_log;
    int m_nHeight = SENSOR_ROWS;

    // Streaming: the frame buffer is held only while the camera streams, at the size of its frames.
    std::vector<uint8_t> m_frame;
    // Rendered lines by scene row and parity, and which of them are filled: held while streaming,
    // touched by the streaming thread alone, emptied when the frame settings change.
    std::vector<uint8_t> m_lineCache;
    std::vector<uint8_t> m_lineCached;
    WorkerThread m_thread;
    std::mutex m_stopMutex; // protects m_bStreaming and the stop request's wake-up
    std::condition_variable m_stopCond;
    // Written under m_stopMutex; the streaming thread also polls it between waits.
    std::atomic<bool> m_bStopRequested{false};
    bool m_bStreaming = false;
    std::atomic<uint64_t> m_nFramesDelivered{0};
    std::atomic<uint64_t> m_nFramesLost{0};
    DeliveryObserver m_pfnObserver = nullptr;
    void* m_pObserverArg = nullptr;
    std::atomic<uint64_t> m_nFrameLine{0};
    std::atomic<bool> m_bHalted{false};
    std::atomic<bool> m_bUnplugged{false};
    uint64_t m_nLineCounter = 0; // streaming thread only
};

// The capture source a simulated camera gives when bound; the camera outlives it.
class SimCaptureSource : public CaptureSource
{
  public:
    explicit SimCaptureSource(std::shared_ptr<SimCamera> pCamera) : m_pCamera(std::move(pCamera)) {}
    ~SimCaptureSource() override { m_pCamera->StopStreaming(); }

    bool NodeProperty(const NodePropertyRequest& request, uint8_t* pPayload, uint32_t nLength,
                      uint32_t* pReturned) override
    {
        return m_pCamera->NodeProperty(request, pPayload, nLength, pReturned);
    }
    bool CurrentFormat(VideoFormat& format) override { return m_pCamera->CurrentFormat(format); }
    bool ApplyFormat(const VideoFormat& format) override { return m_pCamera->ApplyFormat(format); }
    bool StartStreaming(SampleSink& sink) override { return m_pCamera->StartStreaming(sink); }
    void StopStreaming() override { m_pCamera->StopStreaming(); }

  private:
    std::shared_ptr<SimCamera> m_pCamera;
};
