// The capture graph: Open's checks and failure points, what Close releases, Run and Stop, GetPin.

#include "sim_camera_fixture.h"

#include "buffers/shared_buffers.h"
#include "platform/capture/capture_graph_builder.h"
#include "platform/capture/capture_source.h"
#include "platform/capture/filter_graph.h"
#include "platform/capture/sample_grabber.h"

#include <algorithm>
#include <vector>

namespace
{
class CameraGraphTest : public SimCameraTest
{
  protected:
    void SetUp() override { g_pRawFrame = m_raw.data(); }
    void TearDown() override
    {
        SimCameraTest::TearDown();
        g_pRawFrame = nullptr;
    }

    // Weak references to everything the camera object holds, to check that Close lets go.
    std::vector<std::weak_ptr<void>> Held()
    {
        std::vector<std::weak_ptr<void>> refs = {m_camera.m_pGraph, m_camera.m_pGrabber,
                                                 m_camera.m_pGrabberFilter, m_camera.m_pBuilder};
        refs.insert(refs.end(), std::begin(m_camera.m_pCapture), std::end(m_camera.m_pCapture));
        return refs;
    }
    static bool AllExpired(const std::vector<std::weak_ptr<void>>& refs)
    {
        return std::all_of(refs.begin(), refs.end(), [](const auto& r) { return r.expired(); });
    }

    std::vector<uint8_t> m_raw = std::vector<uint8_t>(1284 * 964 * 2);
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

    EXPECT_EQ(m_camera.Run(), CAMERA_OK);
    EXPECT_EQ(m_camera.Run(), CAMERA_OK);
    EXPECT_EQ(m_camera.Stop(), CAMERA_OK);
    EXPECT_EQ(m_camera.Stop(), CAMERA_OK);
    EXPECT_FALSE(Sim(1).IsStreaming());

    CaptureFaults::Instance().FailCall(CaptureStep::QUERY_MEDIA_CONTROL);
    EXPECT_EQ(m_camera.Run(), CAMERA_ERR_FAILED);
    EXPECT_FALSE(Sim(1).IsStreaming());

    EXPECT_EQ(m_camera.Run(), CAMERA_OK);

    // Close while running stops the stream before the callback goes.
    const auto held = Held();
    EXPECT_EQ(m_camera.Close(), CAMERA_OK);
    EXPECT_TRUE(AllExpired(held));
    EXPECT_FALSE(Sim(1).IsStreaming());
    EXPECT_EQ(m_camera.m_nOpened, -1);
}

TEST_F(CameraGraphTest, EachFailingStepOfOpenButTheFormatFailsItAndCloseReleasesEverything)
{
    // Each step's first call, and the second call of the steps Open takes twice.
    std::vector<std::pair<CaptureStep, int>> cases = {{CaptureStep::ADD_FILTER, 2},
                                                      {CaptureStep::ENUM_PINS, 2}};
    for (CaptureStep step :
         {CaptureStep::FILTER_GRAPH, CaptureStep::GRAPH_BUILDER, CaptureStep::FIND_STREAM_CONFIG,
          CaptureStep::GET_FORMAT, CaptureStep::SAMPLE_GRABBER, CaptureStep::QUERY_GRABBER,
          CaptureStep::SET_BUFFER_SAMPLES, CaptureStep::SET_ONE_SHOT, CaptureStep::SET_CALLBACK,
          CaptureStep::ADD_FILTER, CaptureStep::SET_GRAPH, CaptureStep::ENUM_PINS, CaptureStep::CONNECT})
        cases.emplace_back(step, 1);
    for (const auto& [step, nNth] : cases)
    {
        SCOPED_TRACE(testing::Message() << "step " << static_cast<int>(step) << " call " << nNth);
        InstallAndInit("color,mono", 2);
        CaptureFaults::Instance().FailCall(step, nNth);
        EXPECT_EQ(m_camera.Open(0, 1284, 960, NoFrame, nullptr), CAMERA_ERR_FAILED);
        EXPECT_EQ(m_camera.m_nOpened, -1);
        EXPECT_EQ(m_camera.Run(), CAMERA_ERR_NOT_OPEN);
        // The pins taken for the connection were let go: only the graph holds the source besides.
        if (step == CaptureStep::CONNECT)
        {
            EXPECT_EQ(m_camera.m_pCapture[0].use_count(), 2);
        }
        const auto held = Held();
        EXPECT_EQ(m_camera.Close(), CAMERA_OK);
        EXPECT_TRUE(AllExpired(held));
        EXPECT_FALSE(m_camera.m_pCallback);
        EXPECT_EQ(m_pSim->ActiveStartups(), 0);
    }
    // A refused format alone does not stop it: the camera keeps its own.
    InstallAndInit("color", 1);
    CaptureFaults::Instance().FailCall(CaptureStep::SET_FORMAT);
    EXPECT_EQ(m_camera.Open(0, 1284, 2, NoFrame, nullptr), CAMERA_OK);
    EXPECT_EQ(Sim(0).FrameHeight(), 960);
}

// A filter with only an input pin.
class InputOnlyFilter : public CaptureFilter
{
  public:
    int PinCount() const override { return 1; }
    PinDirection DirectionOfPin(int) const override { return PinDirection::INPUT; }
};

TEST_F(CameraGraphTest, GetPinReturnsTheFirstPinOfThatDirection)
{
    auto pFilter = std::make_shared<InputOnlyFilter>();
    EXPECT_EQ(CameraDevice::GetPin(pFilter, PinDirection::OUTPUT), nullptr);
    EXPECT_EQ(pFilter.use_count(), 1);
    auto pGrabber = std::make_shared<SampleGrabber>();
    auto pOut = CameraDevice::GetPin(pGrabber, PinDirection::OUTPUT);
    ASSERT_TRUE(pOut);
    EXPECT_TRUE(pOut->Index() == 1 && pOut->Filter() == pGrabber);
    CaptureFaults::Instance().FailCall(CaptureStep::ENUM_PINS);
    EXPECT_EQ(CameraDevice::GetPin(pGrabber, PinDirection::OUTPUT), nullptr);
}
} // namespace
