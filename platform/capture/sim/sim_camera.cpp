#include "platform/capture/sim/sim_camera.h"

#include "platform/capture/sim/sim_scene.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
// The camera's extension unit and its place in the topology.
constexpr CaptureGuid SIM_XU_GUID = {
    0x4A8C02AD, 0xFF78, 0x4697, {0xAD, 0xD4, 0x21, 0xAC, 0x99, 0x33, 0x93, 0xF2}};
constexpr uint32_t SIM_XU_NODE = 2;

constexpr int SEL_REG_ADDR = 1;
constexpr int SEL_REG_DATA = 2;
constexpr int SEL_INFO_ADDR = 3;
constexpr int SEL_INFO_DATA = 4;

constexpr int INFO_BUSY = 1;
constexpr int INFO_COLOR = 2;
constexpr int INFO_MODE = 7;
constexpr int INFO_COMMAND = 13;
constexpr int INFO_MODEL_NAME = 0x80;
constexpr int INFO_SERIAL_NO = 0x90;
constexpr int CMD_FACTORY_DEFAULT = 1;
constexpr int CMD_CONFIG_SAVE = 2;

constexpr int REG_GAIN_MODE = 0x00;
constexpr int REG_SHUTTER_PRESET = 0x01;
constexpr int REG_SCAN_DIRECTION = 0x18;
constexpr int REG_MANUAL_GAIN = 0x20;
constexpr int REG_MANUAL_SHUTTER = 0x24;
constexpr int REG_GAIN_R = 0x28;
constexpr int REG_GAIN_B = 0x2A;
constexpr int REG_GAIN_G = 0x2C;
constexpr int REG_LINE_PERIOD = 0x30;
constexpr int REG_LINE_POSITION = 0x40;
constexpr int COLOR_GAIN_UNITY = 72;

constexpr uint32_t FOURCC_YUY2 = 0x32595559;

enum Channel
{
    CH_RED,
    CH_GREEN,
    CH_BLUE,
    CH_GREY
};

int HeightOfMode(int nMode)
{
    return nMode == 2 ? 2 : nMode == 3 ? 4 : SimCamera::SENSOR_ROWS;
}
} // namespace

SimCamera::SimCamera(const SimCameraConfig& config, int nListIndex) : m_config(config), m_abSaved(65536)
{
    // The scene is made where the devices are listed (the user-interface thread), never on a
    // streaming thread: its text needs the toolkit's fonts.
    SimScene::Instance();
    bool bCamera = config.kind == SimDeviceKind::CAMERA;
    m_strDisplayName = config.strDisplayName;
    if (m_strDisplayName.empty())
    {
        char szName[160];
        std::snprintf(szName, sizeof szName,
                      "@device:pnp:\\\\?\\usb#vid_%04x&pid_%04x&mi_00#6&1a2b3c4d&0&%04d#"
                      "{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global",
                      bCamera ? 0x04b4 : 0x046d, bCamera ? (config.nProductId & 0xFFFF) : 0x0825, nListIndex);
        m_strDisplayName = szName;
    }

    m_abInfo[0] = 0x01;
    m_abInfo[INFO_BUSY] = static_cast<uint8_t>(config.nBusy);
    m_abInfo[INFO_COLOR] = config.bColor ? 1 : 0;
    m_abInfo[3] = 0x10;
    m_abInfo[5] = 0x01;
    m_abInfo[INFO_MODE] = static_cast<uint8_t>(config.nMode);
    std::string strModel =
        config.strModel.empty() ? (config.bColor ? "TW-LS1284C" : "TW-LS1284M") : config.strModel;
    std::string strSerial = config.strSerial;
    if (strSerial.empty())
    {
        char szSerial[16];
        std::snprintf(szSerial, sizeof szSerial, "A%07d", (1000001 + nListIndex) % 10000000);
        strSerial = szSerial;
    }
    // Names are padded with zero bytes to their full width.
    std::memcpy(&m_abInfo[INFO_MODEL_NAME], strModel.data(), std::min<size_t>(strModel.size(), 16));
    std::memcpy(&m_abInfo[INFO_SERIAL_NO], strSerial.data(), std::min<size_t>(strSerial.size(), 8));
    m_nHeight = HeightOfMode(config.nMode);

    ResetRegisters();
    for (int i = 0; i < 65536; ++i)
        m_abSaved[i] = m_abRegisters[i];
}

SimCamera::~SimCamera()
{
    StopStreaming();
}

void SimCamera::ResetRegisters()
{
    for (auto& b : m_abRegisters)
        b = 0;
    auto set16 = [this](int nAddr, int nValue)
    {
        m_abRegisters[nAddr] = static_cast<uint8_t>(nValue & 0xFF);
        m_abRegisters[nAddr + 1] = static_cast<uint8_t>(nValue >> 8);
    };
    set16(REG_MANUAL_SHUTTER, SENSOR_ROWS);
    set16(REG_GAIN_R, COLOR_GAIN_UNITY);
    set16(REG_GAIN_B, COLOR_GAIN_UNITY);
    set16(REG_GAIN_G, COLOR_GAIN_UNITY);
    set16(REG_LINE_PERIOD, DEFAULT_LINE_PERIOD);
    set16(REG_LINE_POSITION, 0xFFFF);
}

bool SimCamera::GetDisplayName(std::string& strName)
{
    strName = m_strDisplayName;
    return true;
}

std::shared_ptr<CaptureSource> SimCamera::Bind()
{
    return std::make_shared<SimCaptureSource>(shared_from_this());
}

bool SimCamera::NodeProperty(const NodePropertyRequest& request, uint8_t* pPayload, uint32_t nLength,
                             uint32_t* pReturned)
{
    *pReturned = 0;
    bool bSet = request.nFlags == NODE_PROPERTY_SET;
    bool bGet = request.nFlags == NODE_PROPERTY_GET;
    int nSelector = static_cast<int>(request.nId);
    std::lock_guard<std::mutex> lock(m_mutex);
    bool bOk = m_config.kind == SimDeviceKind::CAMERA && !m_bUnplugged && request.set == SIM_XU_GUID &&
               request.nNodeId == SIM_XU_NODE && (bSet || bGet) && pPayload;
    if (bOk)
        bOk = bSet ? HandleSet(nSelector, pPayload, nLength) : HandleGet(nSelector, pPayload, nLength);
    if (bOk && bGet)
        *pReturned = 1;
    SimXuRequest entry{nSelector, bSet, {}, bOk};
    if (pPayload && (bSet || bOk))
        entry.payload.assign(pPayload, pPayload + (bSet ? nLength : 1));
    m_log.push_back(std::move(entry));
    return bOk;
}

bool SimCamera::HandleSet(int nSelector, const uint8_t* pPayload, uint32_t nLength)
{
    switch (nSelector)
    {
    case SEL_REG_ADDR:
        if (nLength != 2)
            return false;
        m_nRegAddr = static_cast<uint16_t>(pPayload[0] | pPayload[1] << 8);
        return true;
    case SEL_REG_DATA:
        if (nLength != 1)
            return false;
        m_abRegisters[m_nRegAddr] = pPayload[0];
        return true;
    case SEL_INFO_ADDR:
        if (nLength != 1)
            return false;
        m_nInfoAddr = pPayload[0];
        return true;
    case SEL_INFO_DATA:
        if (nLength != 1)
            return false;
        // Only the command byte takes writes; the other information bytes are read-only.
        if (m_nInfoAddr == INFO_COMMAND)
        {
            if (pPayload[0] == CMD_FACTORY_DEFAULT)
                ResetRegisters();
            else if (pPayload[0] == CMD_CONFIG_SAVE)
                for (int i = 0; i < 65536; ++i)
                    m_abSaved[i] = m_abRegisters[i];
        }
        return true;
    default:
        return false;
    }
}

bool SimCamera::HandleGet(int nSelector, uint8_t* pPayload, uint32_t nLength)
{
    if (nLength < 1)
        return false;
    switch (nSelector)
    {
    case SEL_REG_DATA:
        pPayload[0] = m_abRegisters[m_nRegAddr];
        return true;
    case SEL_INFO_DATA:
        pPayload[0] = m_abInfo[m_nInfoAddr];
        return true;
    default:
        return false;
    }
}

std::vector<SimXuRequest> SimCamera::RequestLog()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_log;
}

void SimCamera::ClearRequestLog()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_log.clear();
}

uint8_t SimCamera::SavedRegister(int nAddr)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_abSaved[nAddr & 0xFFFF];
}

uint8_t SimCamera::Info(int nAddr)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_abInfo[nAddr & 0xFF];
}

void SimCamera::SetInfo(int nAddr, uint8_t nValue)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_abInfo[nAddr & 0xFF] = nValue;
}

int SimCamera::FrameHeight()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nHeight;
}

bool SimCamera::CurrentFormat(VideoFormat& format)
{
    if (m_config.kind != SimDeviceKind::CAMERA || m_bUnplugged)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    format.nWidth = FRAME_WIDTH;
    format.nHeight = m_nHeight;
    format.nFourCc = FOURCC_YUY2;
    format.nBitCount = 16;
    format.nSampleSize = static_cast<uint32_t>(FRAME_WIDTH * m_nHeight * 2);
    format.nFrameInterval = 1000000;
    return true;
}

bool SimCamera::ApplyFormat(const VideoFormat& format)
{
    if (m_config.kind != SimDeviceKind::CAMERA || m_bUnplugged || format.nWidth != FRAME_WIDTH ||
        (format.nHeight != SENSOR_ROWS && format.nHeight != 2 && format.nHeight != 4) || IsStreaming())
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nHeight = format.nHeight;
    // The readout mode follows the frame height; both full-frame modes read 960 lines.
    uint8_t& nMode = m_abInfo[INFO_MODE];
    if (m_nHeight == 2)
        nMode = 2;
    else if (m_nHeight == 4)
        nMode = 3;
    else if (nMode != 0)
        nMode = 1;
    return true;
}

bool SimCamera::IsStreaming()
{
    std::lock_guard<std::mutex> lock(m_stopMutex);
    return m_bStreaming;
}

SimFrameSettings SimCamera::SettingsFor(int nHeight) const
{
    SimFrameSettings s{};
    auto reg16 = [this](int nAddr) { return m_abRegisters[nAddr] | m_abRegisters[nAddr + 1] << 8; };
    s.nWidth = FRAME_WIDTH;
    s.nHeight = nHeight;
    // The line position names the first of the lines read; the camera starts on an even row
    // so that the colour-filter phase of its lines never changes.
    int nPos = reg16(REG_LINE_POSITION);
    int nMaxFirst = SENSOR_ROWS - s.nHeight;
    int nFirst = nPos == 0xFFFF ? nMaxFirst / 2 : std::min(nPos, nMaxFirst);
    s.nFirstRow = s.nHeight == SENSOR_ROWS ? 0 : (nFirst & ~1);
    s.nDirection = m_abRegisters[REG_SCAN_DIRECTION];

    // Brightness: gain mode 0, +6 or +12 dB; manual gain 0.1 dB a step; shutter presets halve
    // the exposure every two steps, the manual shutter (preset 15) opens from 1/25 (984) to
    // full (960); colour gains are unity at 72.
    int nGainMode = m_abRegisters[REG_GAIN_MODE];
    double dGain = nGainMode == 1 ? 2.0 : nGainMode == 2 ? 4.0 : 1.0;
    dGain *= std::pow(10.0, std::clamp(reg16(REG_MANUAL_GAIN), 0, 144) * 0.1 / 20.0);
    int nPreset = m_abRegisters[REG_SHUTTER_PRESET];
    if (nPreset >= 15)
        dGain *= (985 - std::clamp(reg16(REG_MANUAL_SHUTTER), 960, 984)) / 25.0;
    else
        dGain *= std::pow(2.0, -nPreset / 2.0);
    double adChannel[4] = {reg16(REG_GAIN_R) / double(COLOR_GAIN_UNITY),
                           reg16(REG_GAIN_G) / double(COLOR_GAIN_UNITY),
                           reg16(REG_GAIN_B) / double(COLOR_GAIN_UNITY), 1.0};
    for (int ch = 0; ch < 4; ++ch)
        for (int i = 0; i < 256; ++i)
            s.aLut[ch][i] =
                static_cast<uint8_t>(std::min(255.0, std::floor(i * dGain * adChannel[ch] + 0.5)));
    return s;
}

// Colour-filter layout. The live viewer shows the raw frame transposed (image row r = camera
// column 1283 - r, image column c = camera line 959 - c) with the phase whose even rows read
// G R and odd rows B G. Both flips are by an odd count, so image parities are the opposite of
// camera parities: R sits at odd x on even lines, B at even x on odd lines, G elsewhere, i.e.
// the sensor rows read G R G R ... (even) and B G B G ... (odd). A line-scan recording stores
// line k of a frame as camera line H - 1 - k and composes recorded line m into column m (scan
// direction 0) or W - 1 - m (direction 1, W a multiple of 4); rows stay camera columns flipped.
// With H even, column parity is the opposite of the camera line's parity in direction 0 (the
// same phase again) and equal to it in direction 1, which turns the layout into R G / G B:
// exactly the two phases the line-scan viewer uses. The lines read start on an even sensor
// row, so these parities hold for every line position.
uint64_t SimCamera::SceneRowOf(const SimFrameSettings& s, uint64_t nLine, int nRow)
{
    // The scene moves one row per line period; sensor row R sees the scene row that passed the
    // sensor's last row R lines ago. Direction 1 moves the object the other way.
    const uint64_t nBase = nLine + static_cast<uint64_t>(SENSOR_ROWS - 1 - nRow);
    return (s.nDirection ? (SimScene::ROWS - nBase % SimScene::ROWS) : nBase) % SimScene::ROWS;
}

uint8_t SimCamera::SampleAt(const SimFrameSettings& s, bool bColor, uint64_t nLine, int x, int y)
{
    int nRow = s.nFirstRow + y;
    int ch = !bColor           ? CH_GREY
             : (nRow & 1) == 0 ? ((x & 1) ? CH_RED : CH_GREEN)
                               : ((x & 1) ? CH_GREEN : CH_BLUE);
    return s.aLut[ch][SimScene::Instance().Row(SceneRowOf(s, nLine, nRow))[x * SimScene::CHANNELS + ch]];
}

void SimCamera::RenderLine(const SimFrameSettings& s, bool bColor, uint64_t nSceneRow, int nParity,
                           uint8_t* p)
{
    const uint8_t* pScene = SimScene::Instance().Row(nSceneRow);
    const int chEven = !bColor ? CH_GREY : nParity == 0 ? CH_GREEN : CH_BLUE;
    const int chOdd = !bColor ? CH_GREY : nParity == 0 ? CH_RED : CH_GREEN;
    const uint8_t* lutEven = s.aLut[chEven].data();
    const uint8_t* lutOdd = s.aLut[chOdd].data();
    for (int x = 0; x < s.nWidth; x += 2)
    {
        p[0] = lutEven[pScene[chEven]];
        p[1] = static_cast<uint8_t>(0xA5 ^ x); // the second byte of a pixel carries nothing
        pScene += SimScene::CHANNELS;
        p[2] = lutOdd[pScene[chOdd]];
        p[3] = static_cast<uint8_t>(0x5A ^ x);
        pScene += SimScene::CHANNELS;
        p += 4;
    }
}

void SimCamera::RenderFrame(const SimFrameSettings& s, bool bColor, uint64_t nLine, uint8_t* pOut)
{
    for (int y = 0; y < s.nHeight; ++y)
    {
        const int nRow = s.nFirstRow + y;
        RenderLine(s, bColor, SceneRowOf(s, nLine, nRow), nRow & 1,
                   pOut + static_cast<size_t>(y) * s.nWidth * 2);
    }
}

void SimCamera::RenderFrameCached(const SimFrameSettings& s, uint64_t nLine)
{
    const size_t nLineBytes = static_cast<size_t>(s.nWidth) * 2;
    for (int y = 0; y < s.nHeight; ++y)
    {
        const int nRow = s.nFirstRow + y;
        const size_t nIndex = static_cast<size_t>(SceneRowOf(s, nLine, nRow)) * 2 + (nRow & 1);
        uint8_t* pCached = m_lineCache.data() + nIndex * nLineBytes;
        if (!m_lineCached[nIndex])
        {
            RenderLine(s, m_config.bColor, nIndex / 2, nRow & 1, pCached);
            m_lineCached[nIndex] = 1;
        }
        std::memcpy(m_frame.data() + y * nLineBytes, pCached, nLineBytes);
    }
}

bool SimCamera::StartStreaming(SampleSink& sink)
{
    if (m_config.kind != SimDeviceKind::CAMERA || m_bUnplugged)
        return false;
    std::lock_guard<std::mutex> lock(m_stopMutex);
    if (m_bStreaming)
        return false;
    m_bStopRequested = false;
    m_bStreaming = true;
    const int nHeight = FrameHeight();
    m_frame.resize(static_cast<size_t>(FRAME_WIDTH) * nHeight * 2);
    m_lineCache.resize(static_cast<size_t>(SimScene::ROWS) * 2 * FRAME_WIDTH * 2);
    m_lineCached.assign(static_cast<size_t>(SimScene::ROWS) * 2, 0);
    if (!m_thread.Start([this, pSink = &sink, nHeight] { StreamLoop(pSink, nHeight); }))
    {
        m_bStreaming = false;
        std::vector<uint8_t>().swap(m_frame);
        std::vector<uint8_t>().swap(m_lineCache);
        return false;
    }
    return true;
}

void SimCamera::StopStreaming()
{
    {
        std::lock_guard<std::mutex> lock(m_stopMutex);
        if (!m_bStreaming)
            return;
        m_bStopRequested = true;
    }
    m_stopCond.notify_all();
    m_thread.Join();
    std::vector<uint8_t>().swap(m_frame);
    std::vector<uint8_t>().swap(m_lineCache);
    std::lock_guard<std::mutex> lock(m_stopMutex);
    m_bStreaming = false;
}

std::array<uint8_t, 16> SimCamera::SettingsKey() const
{
    static constexpr int s_anAddr[] = {
        REG_GAIN_MODE,       REG_SHUTTER_PRESET, REG_SCAN_DIRECTION,     REG_MANUAL_GAIN,
        REG_MANUAL_GAIN + 1, REG_MANUAL_SHUTTER, REG_MANUAL_SHUTTER + 1, REG_GAIN_R,
        REG_GAIN_R + 1,      REG_GAIN_B,         REG_GAIN_B + 1,         REG_GAIN_G,
        REG_GAIN_G + 1,      REG_LINE_POSITION,  REG_LINE_POSITION + 1};
    std::array<uint8_t, 16> key{};
    for (size_t i = 0; i < std::size(s_anAddr); ++i)
        key[i] = m_abRegisters[s_anAddr[i]];
    return key;
}

bool SimCamera::WaitUntil(std::chrono::steady_clock::time_point when)
{
    std::unique_lock<std::mutex> lock(m_stopMutex);
    return m_stopCond.wait_until(lock, when, [this] { return m_bStopRequested.load(); });
}

void SimCamera::StreamLoop(SampleSink* pSink, int nHeight)
{
    using Clock = std::chrono::steady_clock;
    // Frames ahead of time are delivered at once and the thread sleeps once they are this far
    // ahead, so a fast stream costs no sleep per frame.
    constexpr auto AHEAD = std::chrono::milliseconds(2);
    // A real camera holds about this much in its buffers before it loses frames.
    constexpr auto BEHIND = std::chrono::milliseconds(200);
    const int nLinesPerFrame = nHeight == SENSOR_ROWS ? FULL_FRAME_LINE_PERIODS : nHeight;
    // In line-scan readout the sensor reads its 2 or 4 rows at once, one frame per line period.
    const int nPeriodsPerFrame = nHeight == SENSOR_ROWS ? FULL_FRAME_LINE_PERIODS : 1;
    const Clock::time_point start = Clock::now();
    Clock::time_point next = start;
    std::array<uint8_t, 16> key = SettingsKey();
    SimFrameSettings settings = SettingsFor(nHeight);
    while (!m_bStopRequested.load())
    {
        Clock::duration frameTime;
        if (m_config.nLineRate > 0)
            frameTime = std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(double(nLinesPerFrame) / m_config.nLineRate));
        else
        {
            const int nPeriod =
                std::max(1, m_abRegisters[REG_LINE_PERIOD] | m_abRegisters[REG_LINE_PERIOD + 1] << 8);
            frameTime = std::chrono::nanoseconds(
                static_cast<int64_t>(nPeriod * LINE_PERIOD_UNIT_US * 1000.0 * nPeriodsPerFrame));
        }
        next += frameTime;
        Clock::time_point now = Clock::now();
        if (next < now - BEHIND)
        {
            // The sink held the stream up: the frames of the gap are lost and the scene moves on.
            const uint64_t nLost = static_cast<uint64_t>((now - next) / frameTime);
            m_nFramesLost += nLost;
            m_nLineCounter += nLost * static_cast<uint64_t>(nLinesPerFrame);
            next = now;
        }
        if (next - now > AHEAD && WaitUntil(next))
            return;
        const std::array<uint8_t, 16> current = SettingsKey();
        if (current != key)
        {
            key = current;
            settings = SettingsFor(nHeight);
            std::fill(m_lineCached.begin(), m_lineCached.end(), 0);
        }
        if (m_bHalted || m_bUnplugged)
            continue; // the stream still counts as running, but no frame comes
        RenderFrameCached(settings, m_nLineCounter);
        m_nFrameLine = m_nLineCounter;
        double dTime = std::chrono::duration<double>(Clock::now() - start).count();
        pSink->DeliverSample(m_frame.data(), static_cast<size_t>(settings.nWidth) * settings.nHeight * 2,
                             dTime);
        const uint64_t nIndex = m_nFramesDelivered++;
        if (m_pfnObserver != nullptr)
            m_pfnObserver(m_pObserverArg, nIndex);
        m_nLineCounter += static_cast<uint64_t>(nLinesPerFrame);
    }
}
