// The simulated camera (its formats are those the camera and page tests switch between).

#include "platform/capture/capture_source.h"
#include "platform/capture/sim/sim_camera.h"
#include "platform/capture/sim/sim_capture_system.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace
{
constexpr CaptureGuid XU_GUID = {
    0x4A8C02AD, 0xFF78, 0x4697, {0xAD, 0xD4, 0x21, 0xAC, 0x99, 0x33, 0x93, 0xF2}};

class SimCameraTest : public ::testing::Test
{
  protected:
    // One extension-unit request: -1 when it fails, else the byte a GET read (0 for a SET).
    int Request(int nSelector, std::vector<uint8_t> payload, uint32_t nFlags = NODE_PROPERTY_SET,
                const CaptureGuid& guid = XU_GUID, uint32_t nNode = 2)
    {
        NodePropertyRequest r{guid, static_cast<uint32_t>(nSelector), nFlags, nNode, 0};
        uint32_t n = 0;
        if (!m_pCamera->NodeProperty(r, payload.data(), static_cast<uint32_t>(payload.size()), &n))
            return -1;
        EXPECT_EQ(n, nFlags == NODE_PROPERTY_GET ? 1u : 0u);
        return nFlags == NODE_PROPERTY_GET ? payload[0] : 0;
    }
    int Get(int nSelector) { return Request(nSelector, {0}, NODE_PROPERTY_GET); }
    void WriteReg16(int nAddr, int nValue)
    {
        for (int i = 0; i < 2; ++i)
        {
            Request(1, {static_cast<uint8_t>(nAddr + i), static_cast<uint8_t>((nAddr + i) >> 8)});
            Request(2, {static_cast<uint8_t>(nValue >> (8 * i))});
        }
    }

    std::shared_ptr<SimCamera> m_pCamera = std::make_shared<SimCamera>(SimCameraConfig{}, 0);
};

TEST_F(SimCameraTest, AddressesLatchMalformedRequestsFailAndCommandsRestoreAndSaveTheRegisters)
{
    // Addresses latch: the line position's high byte (centre), the serial's first byte, and the
    // colour byte, read-only as every information byte but the command.
    EXPECT_EQ((std::vector{Request(1, {0x41, 0x00}), Get(2), Request(3, {0x90}), Get(4), Request(3, {2}),
                           Request(4, {0}), Get(4)}),
              (std::vector<int>{0, 0xFF, 0, 'A', 0, 0, 1}));
    // A one-byte address, two data bytes, no such selector; addresses are not read back; another
    // node, property set or flags.
    EXPECT_EQ((std::vector{Request(1, {0x30}), Request(2, {1, 2}), Request(5, {1}), Get(1), Get(3),
                           Request(2, {0}, NODE_PROPERTY_GET, XU_GUID, 3),
                           Request(2, {0}, NODE_PROPERTY_GET, CaptureGuid{}), Request(2, {0}, 0x10000003)}),
              std::vector(8, -1));

    // Saved, then the factory defaults restored.
    WriteReg16(0x30, 5000);
    WriteReg16(0x00, 2);
    EXPECT_EQ((std::vector{Request(3, {13}), Request(4, {2}), Request(4, {1})}), std::vector(3, 0));
    EXPECT_EQ((std::vector<int>{m_pCamera->Register(0x30), m_pCamera->Register(0x31),
                                m_pCamera->Register(0x00), m_pCamera->Register(0x24),
                                m_pCamera->SavedRegister(0x30), m_pCamera->SavedRegister(0x00)}),
              (std::vector<int>{SimCamera::DEFAULT_LINE_PERIOD & 0xFF, SimCamera::DEFAULT_LINE_PERIOD >> 8, 0,
                                960 & 0xFF, 5000 & 0xFF, 2}));

    // A device that is not a supported camera answers no request and has no format.
    SimCameraConfig other;
    other.kind = SimDeviceKind::OTHER;
    m_pCamera = std::make_shared<SimCamera>(other, 0);
    VideoFormat format;
    EXPECT_FALSE(Request(3, {1}) == 0 || m_pCamera->CurrentFormat(format));
}

TEST_F(SimCameraTest, GainAndShutterChangeBrightness)
{
    // Registers written in turn, then the level of sample 100 in grey and red.
    const struct
    {
        int nAddr, nValue, nGrey, nRed;
    } cases[] = {
        {-1, 0, 100, 100},     {0x00, 1, 200, 200},   // gain mode +6 dB
        {0x00, 0, 100, 100},   {0x20, 60, 200, 200},  // manual gain +6 dB
        {0x20, 0, 100, 100},   {0x01, 2, 50, 50},     // half the exposure
        {0x01, 15, 100, 100},  {0x24, 984, 4, 4},     // manual shutter, shortest
        {0x24, 960, 100, 100}, {0x28, 144, 100, 200}, // red gain doubles red only
    };
    for (const auto& c : cases)
    {
        if (c.nAddr >= 0)
            WriteReg16(c.nAddr, c.nValue);
        const SimFrameSettings settings = m_pCamera->CurrentSettings();
        EXPECT_EQ((std::pair<int, int>(settings.aLut[3][100], settings.aLut[0][100])),
                  std::pair(c.nGrey, c.nRed))
            << c.nAddr;
    }
}

TEST_F(SimCameraTest, LinePositionSelectsTheSensorRows)
{
    ASSERT_TRUE(m_pCamera->ApplyFormat({1284, 4, 0, 16, 0, 0}));
    for (const auto& [nPosition, nFirstRow] :
         {std::pair{0xFFFF, 478}, {0, 0}, {5, 4}, {300, 300}, {958, 956}})
    {
        SCOPED_TRACE(nPosition);
        WriteReg16(0x40, nPosition);
        SimFrameSettings lineScan = m_pCamera->CurrentSettings();
        EXPECT_EQ(lineScan.nFirstRow, nFirstRow);
        // Line y of a line-scan frame is sensor row first + y of a full frame at the same time.
        SimFrameSettings full = lineScan;
        full.nHeight = 960;
        full.nFirstRow = 0;
        for (int y = 0; y < 4; ++y)
            for (int x : {0, 1, 640, 641, 1283})
                EXPECT_EQ(SimCamera::SampleAt(lineScan, true, 1234, x, y),
                          SimCamera::SampleAt(full, true, 1234, x, nFirstRow + y));
    }
}

// Notes each frame's length on the streaming thread; the tenth frame takes long.
struct StallingSink : SampleSink
{
    void DeliverSample(const uint8_t*, size_t nLength, double) override
    {
        m_nLength = nLength;
        if (++m_nFrames == 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
    }
    std::atomic<size_t> m_nLength{0};
    std::atomic<int> m_nFrames{0};
};
} // namespace

TEST(SimCameraStreamTest, FramesOfTheFormatComePastTheLinePeriodUntilStoppedAndAStalledSinkLosesSome)
{
    SimCameraConfig config;
    config.nLineRate = 100000;
    auto pCamera = std::make_shared<SimCamera>(config, 0);
    // The slowest line period: alone it would give fewer than 30 frames in the time below.
    pCamera->SetRegister(0x30, 0xFF);
    pCamera->SetRegister(0x31, 0xFF);
    auto pSource = pCamera->Bind();
    const VideoFormat format{1284, 2, 0, 16, 0, 0};
    EXPECT_FALSE(pSource->ApplyFormat({1284, 3, 0, 16, 0, 0}) ||
                 pSource->ApplyFormat({1280, 2, 0, 16, 0, 0}));
    ASSERT_TRUE(pSource->ApplyFormat(format));
    StallingSink sink;
    // The frame is held only while streaming, at the size of the frames streamed.
    EXPECT_EQ(pCamera->FrameBytesHeld(), 0u);
    ASSERT_TRUE(pSource->StartStreaming(sink));
    EXPECT_EQ(pCamera->FrameBytesHeld(), 1284u * 2 * 2);
    EXPECT_FALSE(pSource->StartStreaming(sink) || pSource->ApplyFormat(format));
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    pSource->StopStreaming();
    EXPECT_EQ(pCamera->FrameBytesHeld(), 0u);
    EXPECT_EQ(sink.m_nLength, 1284u * 2 * 2);
    EXPECT_EQ(pCamera->FramesDelivered(), uint64_t(sink.m_nFrames));
    // Frames come far faster than the line period allows, each two lines after the last; the sink
    // held the stream up, and the frames of that gap are lost and counted, the scene moving on.
    EXPECT_GT(sink.m_nFrames, 100);
    EXPECT_GT(pCamera->FramesLost(), 0u);
    EXPECT_EQ(pCamera->FrameLine(), 2 * (pCamera->FramesDelivered() - 1 + pCamera->FramesLost()));

    // Start and stop again at once, and let the source go while it streams.
    for (int i = 0; i < 20; ++i)
    {
        ASSERT_TRUE(pSource->StartStreaming(sink));
        pSource->StopStreaming();
    }
    ASSERT_TRUE(pSource->StartStreaming(sink));
    pSource.reset();
    EXPECT_FALSE(pCamera->IsStreaming());
}

// What the camera code reads of each device (identity, busy flag, mode) is checked through it; here
// the TARNWICK_SIM_CAMERAS syntax itself: order, spaces, repeats with serials of their own, and
// items that cannot be read, left out and named.
TEST(SimCaptureSystemTest, SpecListsDevicesInOrderWithTheirOptionsAndNamesWhatItLeavesOut)
{
    std::string strError;
    auto pSim = SimCaptureSystem::FromSpec(" other , mono:mode=3,2*colour", &strError);
    EXPECT_EQ(strError, "");
    ASSERT_EQ(pSim->DeviceCount(), 4u);
    EXPECT_TRUE(!pSim->Camera(1)->IsColor() && pSim->Camera(1)->FrameHeight() == 4);
    EXPECT_TRUE(pSim->Camera(2)->IsColor() && pSim->Camera(3)->IsColor());
    EXPECT_NE(pSim->Camera(2)->Info(0x97), pSim->Camera(3)->Info(0x97)); // the serials' last byte

    const struct
    {
        const char* pszSpec;
        size_t nDevices;
        const char* pszError; // empty: none
    } cases[] = {
        {"", 0, ""},
        {"63*other,color", 64, ""},
        {"64*other,color,mono", 64,
         "\"color\" left out: the list holds at most 64 devices in all; \"mono\" left out"},
        {"camera", 0, "kind must be color, mono or other"},
        {"color:busy", 0, "option \"busy\" has no value"},
        {"color:mode=x,mono", 1, "\"color:mode=x\" left out: \"mode\" must be 0 to 3"},
        {"color:busy=256", 0, "\"busy\" must be 0 to 255"},
        // Lengths count bytes, as the camera does: three characters of three bytes each.
        {"color:serial=\u30AB\u30E1\u30E9", 0, "\"serial\" is 9 bytes long; the camera holds 8 bytes"},
        {"color:model=\u30AB\u30E1\u30E9", 1, ""},
        {"color:pid=zz", 0, "\"pid\" must be a hex number up to ffff"},
        {"color:rate=200000,mono:rate=0", 2, ""},
        {"color:rate=10000001", 0, "\"rate\" must be 0 to 10000000 lines a second"},
        {"0*color", 0, "repeat count must be 1 to 64"},
        {"65*color", 0, "repeat count must be 1 to 64"},
        {"color:colour=1", 0, "unknown option \"colour\""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszSpec);
        pSim = SimCaptureSystem::FromSpec(c.pszSpec, &strError);
        EXPECT_EQ(pSim->DeviceCount(), c.nDevices);
        EXPECT_TRUE(*c.pszError ? strError.find(c.pszError) != std::string::npos : strError.empty())
            << strError;
    }
}
