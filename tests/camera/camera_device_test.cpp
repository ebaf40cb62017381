// Camera access over simulated devices, each step also when it fails; and the raw frame layout.

#include "sim_camera_fixture.h"

#include "buffers/shared_buffers.h"
#include "camera/sample_grabber_cb.h"
#include "platform/capture/capture_graph_builder.h"
#include "platform/capture/capture_source.h"
#include "platform/capture/filter_graph.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <tuple>
#include <vector>

namespace
{
using CameraDiscoveryTest = SimCameraTest;

std::string Serial(const CameraInfo& info)
{
    return std::string(info.szSerial, strnlen(info.szSerial, 8));
}

TEST_F(CameraDiscoveryTest, SupportedNamesTakeIndexesInEnumerationOrderWithTheirIdentityOr255)
{
    // Present, colour, busy, information byte 3, the last extra byte, model/serial.
    using Identity = std::tuple<int, int, int, int, int, std::string>;
    const auto identity = [this](int n)
    {
        const CameraInfo& i = m_camera.m_info[n];
        return Identity(i.bPresent, i.bColor, i.nBusy, i.nInfo3, i.abExtra2[15],
                        std::string(i.szModel, strnlen(i.szModel, 16)) + "/" + Serial(i));
    };
    Install("other,color:serial=C0000001,mono:model=TW-LS1284M:serial=M0000002:pid=6e52:busy=1");
    ASSERT_EQ(m_camera.Init(), 2);
    EXPECT_EQ((std::vector{identity(0), identity(1), identity(2)}),
              (std::vector<Identity>{{1, 1, 0, 0x10, 0, "TW-LS1284C/C0000001"},
                                     {1, 0, 1, 0x10, 0, "TW-LS1284M/M0000002"},
                                     {0, 0, 0, 0, 0, "/"}}));
    // 54 information bytes per camera, an address and a data request each.
    EXPECT_EQ(Sim(1).RequestLog().size(), 108u);

    // Only the first sixteen devices are examined.
    Install("16*other,color");
    EXPECT_EQ(m_camera.Init(), 0);
    Install("15*other,color");
    EXPECT_EQ(m_camera.Init(), 1);

    // Names match only in their exact form: the two supported names first, then near misses.
    const char* const NAMES[] = {"@device:pnp:\\\\?\\usb#vid_04b4&pid_6e51",
                                 "@device:pnp:\\\\?\\usb#vid_04b4&pid_6e52",
                                 "@device:pnp:\\\\?\\usb#VID_04B4&PID_6E51",
                                 "@device:sw:\\\\?\\usb#vid_04b4&pid_6e51",
                                 "\\\\?\\usb#vid_04b4&pid_6e51",
                                 "@device:pnp:\\\\?\\usb#vid_04b4&pid_6e53",
                                 "@device:pnp:\\\\?\\usb#vid_04b5&pid_6e51"};
    std::vector<SimCameraConfig> configs(std::size(NAMES));
    for (size_t i = 0; i < configs.size(); ++i)
        configs[i].strDisplayName =
            NAMES[i] + std::string("&mi_00#6&1a2b3c4d&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global");
    Use(std::make_shared<SimCaptureSystem>(configs));
    EXPECT_EQ(m_camera.Init(), 2);
    for (size_t i = 0; i < configs.size(); ++i)
        EXPECT_EQ(Sim(i).RequestLog().size(), i < 2 ? 108u : 0u) << NAMES[i];

    // Identity bytes that cannot be read are left 255, whichever step of reaching the unit fails:
    // no request goes out, and the camera still counts.
    for (CaptureStep step : {CaptureStep::TOPOLOGY, CaptureStep::NODE, CaptureStep::CONTROL})
    {
        Install("color:serial=S1234567");
        CaptureFaults::Instance().FailFrom(step);
        ASSERT_EQ(m_camera.Init(), 1);
        EXPECT_EQ(identity(0),
                  Identity(1, 255, 255, 255, 255, std::string(16, '\xFF') + "/" + std::string(8, '\xFF')));
        EXPECT_TRUE(Sim(0).RequestLog().empty());
    }
}

// Each Init after the first lets go of what the one before held and starts its records afresh.
TEST_F(CameraDiscoveryTest, EachFailingStepGivesItsResultAndInitAgainStartsAfresh)
{
    const struct
    {
        CaptureStep step;
        int nNth;
        int nResult;
        int nRecorded; // cameras recorded before the failure
        const char* pszFirst;
    } cases[] = {
        {CaptureStep::STARTUP, 1, CAMERA_ERR_COM_INIT, 0, ""},
        {CaptureStep::DEVICE_ENUMERATOR, 1, CAMERA_ERR_NO_DEVICE, 0, ""},
        {CaptureStep::VIDEO_INPUT_ENUMERATOR, 1, CAMERA_ERR_NO_DEVICE, 0, ""},
        {CaptureStep::DISPLAY_NAME, 2, CAMERA_ERR_FAILED, 1, "FIRST"},
        {CaptureStep::BIND, 1, 1, 1, "SECOND"}, // the first camera is skipped
        // A failed request for the next device gets none; the later requests still find both.
        {CaptureStep::NEXT_DEVICE, 1, 2, 2, "FIRST"},
        {CaptureStep::BIND, 2, 1, 1, "FIRST"},
    };
    Install("color:serial=FIRST,mono:serial=SECOND");
    std::weak_ptr<CaptureSource> held[2];
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.step) << " " << c.nNth);
        m_camera.m_info[1].nMode = 3;
        CaptureFaults::Instance().FailCall(c.step, c.nNth);
        EXPECT_EQ(m_camera.Init(), c.nResult);
        for (const auto& p : held)
            EXPECT_TRUE(p.expired());
        for (int i = 0; i < CAMERA_MAX; ++i)
        {
            EXPECT_EQ(m_camera.m_info[i].bPresent, i < c.nRecorded ? 1 : 0);
            EXPECT_EQ(!m_camera.m_pCapture[i], i >= c.nRecorded);
        }
        EXPECT_EQ(m_camera.m_info[1].nMode, 0);
        EXPECT_EQ(Serial(m_camera.m_info[0]), c.pszFirst);
        EXPECT_EQ(m_pSim->ActiveStartups(), c.nResult == CAMERA_ERR_COM_INIT ? 0 : 1);
        held[0] = m_camera.m_pCapture[0];
        held[1] = m_camera.m_pCapture[1];
    }
    EXPECT_TRUE(m_camera.Close() == CAMERA_OK && m_camera.Close() == CAMERA_OK);
    EXPECT_EQ(m_pSim->ActiveStartups(), 0);

    Install("");
    EXPECT_EQ(m_camera.Init(), CAMERA_ERR_NO_DEVICE);
}

TEST_F(CameraDiscoveryTest, FindIdleCameraTakesTheFirstIdleOne)
{
    InstallAndInit("color:busy=1,color,color", 3);
    // The idle check alone reports a busy or missing camera as busy; the failure of the address
    // request alone is not looked at.
    for (int n : {0, 16, 3})
        EXPECT_EQ(m_camera.CheckCamera(n, CAMERA_CHECK_IDLE), CAMERA_ERR_BUSY) << n;
    CaptureFaults::Instance().FailCall(CaptureStep::PROPERTY, 1);
    EXPECT_EQ(m_camera.CheckCamera(1, CAMERA_CHECK_IDLE), CAMERA_OK);
    EXPECT_EQ(m_camera.FindIdleCamera(), 1);
    // An unreadable busy byte counts as busy.
    CaptureFaults::Instance().FailCall(CaptureStep::PROPERTY, 4); // camera 1's busy GET
    EXPECT_EQ(m_camera.FindIdleCamera(), 2);
    Sim(1).SetInfo(INFO_BUSY, 1);
    Sim(2).SetInfo(INFO_BUSY, 1);
    EXPECT_EQ(m_camera.FindIdleCamera(), -1);

    InstallAndInit("other", 0);
    EXPECT_EQ(m_camera.FindIdleCamera(), -1);
}

class CameraRegisterTest : public SimCameraTest
{
  protected:
    void SetUp() override { InstallAndInit("color", 1); }
};

TEST_F(CameraRegisterTest, EachOperationSendsItsRequestsAndGivesItsResultAlsoWhenTheyFail)
{
    using Op = std::function<int(CameraDevice&, int)>; // on the camera index given
    const Op factoryDefault = [](CameraDevice& c, int n)
    {
        c.XuSet(n, XU_SEL_INFO_ADDR, INFO_COMMAND);
        return c.XuSet(n, XU_SEL_INFO_DATA, CMD_FACTORY_DEFAULT);
    };
    const Op write16 = [](CameraDevice& c, int n) { return c.WriteRegister16(n, REG_LINE_PERIOD, 1388); };
    const Op write8 = [](CameraDevice& c, int n) { return c.WriteRegister8(n, REG_GAIN_MODE, 2); };
    const Op read8 = [](CameraDevice& c, int n) { return c.ReadRegister8(n, REG_MANUAL_SHUTTER); };
    const Op read16 = [](CameraDevice& c, int n) { return c.ReadRegister16(n, REG_MANUAL_SHUTTER); };
    const Op readInfo = [](CameraDevice& c, int n) { return c.ReadInfo(n, INFO_COLOR); };
    const Op dataByte = [](CameraDevice& c, int n) { return c.XuGet(n, XU_SEL_INFO_DATA); };
    const Op idle = [](CameraDevice& c, int n) { return c.CheckCamera(n, 7); };
    const struct
    {
        Op op;
        int nResult;
        std::vector<std::string> log;
        int nFailFrom;        // every property request from this one on fails ...
        int nFailedResult;    // ... and the operation then gives this
        bool bDirect = false; // a bare request: a bad index fails it without a check of its own
    } cases[] = {
        {factoryDefault, CAMERA_OK, {"SET3 0D", "SET4 01"}, 2, CAMERA_ERR_FAILED, true},
        // Writes report success whatever happens to their requests.
        {write16, CAMERA_OK, {"SET1 30 00", "SET2 6C", "SET1 31 00", "SET2 05"}, 1, CAMERA_OK},
        {write8, CAMERA_OK, {"SET1 00 00", "SET2 02"}, 1, CAMERA_OK},
        {read8, 0xC0, {"SET1 24 00", "GET2 C0"}, 2, CAMERA_ERR_FAILED},
        // A failed byte counts as 0xFF.
        {read16, 960, {"SET1 24 00", "GET2 C0", "SET1 25 00", "GET2 03"}, 2, 0xFFFF},
        {readInfo, 1, {"SET3 02", "GET4 01"}, 2, CAMERA_ERR_FAILED},
        // The information address is still the colour byte's.
        {dataByte, 1, {"GET4 01"}, 1, CAMERA_ERR_FAILED, true},
        // An unreadable busy byte counts as busy.
        {idle, CAMERA_OK, {"SET3 01", "GET4 00"}, 2, CAMERA_ERR_BUSY},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        ClearLogs();
        EXPECT_EQ(c.op(m_camera, 0), c.nResult);
        EXPECT_EQ(Log(0), c.log);
        CaptureFaults::Instance().FailFrom(CaptureStep::PROPERTY, c.nFailFrom);
        EXPECT_EQ(c.op(m_camera, 0), c.nFailedResult);
        CaptureFaults::Instance().Clear();

        // Outside the table or without a camera nothing is sent.
        EXPECT_EQ(c.op(m_camera, 16), c.bDirect ? CAMERA_ERR_FAILED : CAMERA_ERR_BAD_INDEX);
        EXPECT_EQ(c.op(m_camera, -1), c.bDirect ? CAMERA_ERR_FAILED : CAMERA_ERR_BAD_INDEX);
        EXPECT_EQ(c.op(m_camera, 1), c.bDirect ? CAMERA_ERR_FAILED : CAMERA_ERR_NOT_PRESENT);
    }
}

// No raw frame is allocated: the viewer and operator tests check the frames through the whole program.
class CameraGraphTest : public SimCameraTest
{
  protected:
    // Closes the camera: true when that succeeded and let go of everything the camera object held.
    bool CloseReleasesAll()
    {
        std::vector<std::weak_ptr<void>> held = {m_camera.m_pGraph, m_camera.m_pGrabber,
                                                 m_camera.m_pGrabberFilter, m_camera.m_pBuilder};
        held.insert(held.end(), std::begin(m_camera.m_pCapture), std::end(m_camera.m_pCapture));
        return m_camera.Close() == CAMERA_OK &&
               std::all_of(held.begin(), held.end(), [](const auto& r) { return r.expired(); });
    }
};

void NoFrame(void*) {}

TEST_F(CameraGraphTest, OpenChecksTheCameraBeforeBuildingAnythingThenRunAndStopReachTheirStates)
{
    InstallAndInit("color:busy=1,color:busy=1", 2);
    EXPECT_EQ(m_camera.Open(-1, 1284, 960, NoFrame, nullptr), CAMERA_ERR_BAD_INDEX);
    EXPECT_EQ(m_camera.Open(16, 1284, 960, NoFrame, nullptr), CAMERA_ERR_BAD_INDEX);
    EXPECT_EQ(m_camera.Open(2, 1284, 960, NoFrame, nullptr), CAMERA_ERR_NOT_PRESENT);
    EXPECT_EQ(m_camera.Open(0, 1284, 960, NoFrame, nullptr), CAMERA_ERR_BUSY);
    EXPECT_FALSE(m_camera.m_pGraph || m_camera.m_pBuilder || m_camera.m_pGrabber || m_camera.m_pCallback);
    EXPECT_EQ(m_camera.Stop(), CAMERA_ERR_NOT_OPEN);
    EXPECT_EQ(m_camera.Run(), CAMERA_ERR_NOT_OPEN);

    Sim(1).SetInfo(INFO_BUSY, 0);
    ASSERT_EQ(m_camera.Open(-1, 1284, 2, NoFrame, nullptr), CAMERA_OK);
    EXPECT_EQ(m_camera.m_nOpened, 1);
    // The frame size reached the camera; the callback's wiring is checked by the streamed frames.
    EXPECT_EQ(Sim(1).Info(INFO_MODE), 2);
    // Pins are found by direction: the grabber's output is its second.
    EXPECT_EQ(CameraDevice::GetPin(m_camera.m_pGrabberFilter, PinDirection::OUTPUT)->Index(), 1);

    EXPECT_TRUE(m_camera.Run() == CAMERA_OK && m_camera.Run() == CAMERA_OK); // twice is harmless
    EXPECT_TRUE(m_camera.Stop() == CAMERA_OK && m_camera.Stop() == CAMERA_OK);
    EXPECT_FALSE(Sim(1).IsStreaming());

    CaptureFaults::Instance().FailCall(CaptureStep::QUERY_MEDIA_CONTROL);
    EXPECT_EQ(m_camera.Run(), CAMERA_ERR_FAILED);
    EXPECT_FALSE(Sim(1).IsStreaming());

    EXPECT_EQ(m_camera.Run(), CAMERA_OK);

    // Close while running stops the stream before the callback goes.
    EXPECT_TRUE(CloseReleasesAll());
    EXPECT_FALSE(Sim(1).IsStreaming());
    EXPECT_EQ(m_camera.m_nOpened, -1);
}

TEST_F(CameraGraphTest, EachFailingStepOfOpenButTheFormatFailsItAndCloseReleasesEverything)
{
    using enum CaptureStep;
    // Each step's first call, and the second call of the steps Open takes twice.
    const std::pair<CaptureStep, int> steps[] = {
        {FILTER_GRAPH, 1},       {GRAPH_BUILDER, 1},  {FIND_STREAM_CONFIG, 1},
        {GET_FORMAT, 1},         {SAMPLE_GRABBER, 1}, {QUERY_GRABBER, 1},
        {SET_BUFFER_SAMPLES, 1}, {SET_ONE_SHOT, 1},   {SET_CALLBACK, 1},
        {ADD_FILTER, 1},         {ADD_FILTER, 2},     {SET_GRAPH, 1},
        {ENUM_PINS, 1},          {ENUM_PINS, 2},      {CONNECT, 1}};
    for (const auto& [step, nNth] : steps)
    {
        SCOPED_TRACE(testing::Message() << "step " << static_cast<int>(step) << " call " << nNth);
        InstallAndInit("color,mono", 2);
        CaptureFaults::Instance().FailCall(step, nNth);
        EXPECT_EQ(m_camera.Open(0, 1284, 960, NoFrame, nullptr), CAMERA_ERR_FAILED);
        EXPECT_EQ(m_camera.m_nOpened, -1);
        EXPECT_EQ(m_camera.Run(), CAMERA_ERR_NOT_OPEN);
        // The pins taken for the connection were let go: only the graph holds the source besides.
        EXPECT_TRUE(step != CONNECT || m_camera.m_pCapture[0].use_count() == 2);
        EXPECT_TRUE(CloseReleasesAll());
        EXPECT_FALSE(m_camera.m_pCallback);
        EXPECT_EQ(m_pSim->ActiveStartups(), 0);
    }
    // A refused format alone does not stop it: the camera keeps its own.
    InstallAndInit("color", 1);
    CaptureFaults::Instance().FailCall(SET_FORMAT);
    EXPECT_EQ(m_camera.Open(0, 1284, 2, NoFrame, nullptr), CAMERA_OK);
    EXPECT_EQ(Sim(0).FrameHeight(), 960);
}

// Frames through the whole graph are checked by the viewer and operator tests.
constexpr int W = 1284;
constexpr size_t RAW_BYTES = size_t(W) * 968;

// The layout by its definition: byte (W - 1 - x) * S + (H - 1 - y) holds the low byte of pixel
// (x, y), S = H rounded up to a multiple of 4; every other byte keeps what it held.
std::vector<uint8_t> Reference(const std::vector<uint8_t>& sample, int nHeight, std::vector<uint8_t> dest)
{
    int nStride = nHeight % 4 == 0 ? nHeight : (nHeight / 4) * 4 + 4;
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < W; ++x)
            dest[size_t(W - 1 - x) * nStride + (nHeight - 1 - y)] = sample[2 * (size_t(y) * W + x)];
    return dest;
}

TEST(FrameLayoutTest, EachHeightGivesTheTransposedLayoutAndOnlyAWholeFrameCallsTheHandler)
{
    // Heights in use, then odd ones and ones that leave remainders after blocks of 8 lines.
    for (int nHeight : {960, 4, 2, 1, 3, 5, 7, 9, 13, 14, 966})
    {
        SCOPED_TRACE(nHeight);
        const long nFrame = long(W) * nHeight * 2;
        std::vector<uint8_t> sample(size_t(nFrame) + 1);
        std::mt19937 rng(nHeight);
        for (auto& b : sample)
            b = static_cast<uint8_t>(rng());
        const std::vector<uint8_t> blank(RAW_BYTES, 0xEE);
        std::vector<uint8_t> dest = blank;
        int nCalls = 0;
        SampleGrabberCB cb;
        cb.m_pDest = dest.data();
        cb.m_pfnFrame = [](void* p) { ++*static_cast<int*>(p); };
        cb.m_pFrameArg = &nCalls;
        cb.m_nWidth = W;
        cb.m_nHeight = nHeight;

        // One byte short: nothing written; one byte long: its first W x H pixels; exactly a frame: the
        // handler too. Another transform mode writes nothing, but the handler still runs.
        const std::vector<uint8_t> transposed = Reference(sample, nHeight, blank);
        for (const auto& [nMode, nBytes, bWritten, nCallsAfter] :
             {std::tuple{int(GRAB_MODE_ROTATE), nFrame - 1, false, 0},
              std::tuple{int(GRAB_MODE_ROTATE), nFrame + 1, true, 0},
              std::tuple{int(GRAB_MODE_ROTATE), nFrame, true, 1}, std::tuple{0, nFrame, false, 2}})
        {
            dest = blank;
            cb.m_nMode = static_cast<unsigned char>(nMode);
            EXPECT_EQ(cb.BufferCB(0.0, sample.data(), nBytes), CAPTURE_S_OK);
            EXPECT_TRUE(dest == (bWritten ? transposed : blank)) << nBytes << " bytes, mode " << nMode;
            EXPECT_EQ(nCalls, nCallsAfter);
        }
    }
}
} // namespace
