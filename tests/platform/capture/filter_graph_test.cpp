// The graph: connection rules, running and stopping sources, and what the graph lets go when it goes.

#include "platform/capture/capture_faults.h"
#include "platform/capture/capture_source.h"
#include "platform/capture/filter_graph.h"
#include "platform/capture/sample_grabber.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
// A source that delivers two samples synchronously when started, and can refuse to start.
class FakeSource : public CaptureSource
{
  public:
    bool NodeProperty(const NodePropertyRequest&, uint8_t*, uint32_t, uint32_t*) override { return false; }
    bool CurrentFormat(VideoFormat&) override { return false; }
    bool ApplyFormat(const VideoFormat&) override { return false; }
    bool StartStreaming(SampleSink& sink) override
    {
        if (m_bFailStart)
            return false;
        m_bStreaming = true;
        const uint8_t ab[4] = {1, 2, 3, 4};
        sink.DeliverSample(ab, sizeof ab, 0.5);
        sink.DeliverSample(ab, 2, 0.6);
        return true;
    }
    void StopStreaming() override { m_bStreaming = false; }

    bool m_bStreaming = false;
    bool m_bFailStart = false;
};

class RecordingCallback : public SampleGrabberCallback
{
  public:
    int32_t QueryInterface(const CaptureGuid&, void**) override { return CAPTURE_E_NOINTERFACE; }
    uint32_t AddRef() override { return 1; }
    uint32_t Release() override { return 1; }
    int32_t SampleCB(double, const MediaSample* p) override
    {
        m_samples.push_back(-static_cast<long>(p->nLength));
        return 0;
    }
    int32_t BufferCB(double, const uint8_t*, long n) override
    {
        m_samples.push_back(n);
        return 0;
    }
    std::vector<long> m_samples;
};

class FilterGraphTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        CaptureFaults::Instance().Clear();
        m_pSource = std::make_shared<FakeSource>();
        m_pGrabber = std::make_shared<SampleGrabber>();
        m_pGraph = std::make_shared<FilterGraph>();
    }
    void TearDown() override { CaptureFaults::Instance().Clear(); }

    std::shared_ptr<CapturePin> Pin(const std::shared_ptr<CaptureFilter>& pFilter, int n)
    {
        auto pEnum = pFilter->EnumPins();
        std::shared_ptr<CapturePin> pPin;
        for (int i = 0; i <= n; ++i)
            pPin = pEnum->Next();
        return pPin;
    }
    bool Build()
    {
        return m_pGraph->AddFilter(m_pSource, "Video Capture") &&
               m_pGraph->AddFilter(m_pGrabber, "Grabber") &&
               m_pGraph->Connect(Pin(m_pSource, 0), Pin(m_pGrabber, 0));
    }

    std::shared_ptr<FakeSource> m_pSource;
    std::shared_ptr<SampleGrabber> m_pGrabber;
    std::shared_ptr<FilterGraph> m_pGraph;
};

TEST_F(FilterGraphTest, ConnectionNeedsACapturePinAndAGrabberInputInTheGraphAndStartsAllOrNothing)
{
    EXPECT_FALSE(m_pGraph->AddFilter(nullptr, "x"));
    EXPECT_TRUE(m_pGraph->AddFilter(m_pSource, "Video Capture"));
    EXPECT_FALSE(m_pGraph->AddFilter(m_pSource, "Again"));
    EXPECT_FALSE(m_pGraph->AddFilter(m_pGrabber, "Video Capture"));
    // Not yet in the graph.
    EXPECT_FALSE(m_pGraph->Connect(Pin(m_pSource, 0), Pin(m_pGrabber, 0)));
    EXPECT_TRUE(m_pGraph->AddFilter(m_pGrabber, "Grabber"));
    EXPECT_FALSE(m_pGraph->Connect(nullptr, Pin(m_pGrabber, 0)));
    EXPECT_FALSE(m_pGraph->Connect(Pin(m_pGrabber, 1), Pin(m_pGrabber, 0))); // grabber output to itself
    EXPECT_FALSE(m_pGraph->Connect(Pin(m_pSource, 0), Pin(m_pGrabber, 1)));  // into an output pin
    CaptureFaults::Instance().FailCall(CaptureStep::CONNECT);
    EXPECT_FALSE(m_pGraph->Connect(Pin(m_pSource, 0), Pin(m_pGrabber, 0)));
    EXPECT_TRUE(m_pGraph->Connect(Pin(m_pSource, 0), Pin(m_pGrabber, 0)));
    EXPECT_FALSE(m_pGraph->Connect(Pin(m_pSource, 0), Pin(m_pGrabber, 0))); // already connected

    // A second source that cannot start leaves the whole graph stopped.
    auto pOther = std::make_shared<FakeSource>();
    auto pOtherGrabber = std::make_shared<SampleGrabber>();
    ASSERT_TRUE(m_pGraph->AddFilter(pOther, "Second") &&
                m_pGraph->AddFilter(pOtherGrabber, "Second grabber"));
    ASSERT_TRUE(m_pGraph->Connect(Pin(pOther, 0), Pin(pOtherGrabber, 0)));
    pOther->m_bFailStart = true;
    EXPECT_FALSE(m_pGraph->QueryMediaControl()->Run());
    EXPECT_FALSE(m_pSource->m_bStreaming);
    EXPECT_EQ(m_pGraph->State(), GRAPH_STATE_STOPPED);
}

TEST_F(FilterGraphTest, RunDeliversToTheCallbackAndGoingReleasesEverything)
{
    RecordingCallback callback;
    ASSERT_TRUE(m_pGrabber->SetCallback(&callback, GRABBER_CALLS_BUFFER));
    EXPECT_FALSE(m_pGrabber->SetCallback(&callback, 7));
    ASSERT_TRUE(Build());
    auto pControl = m_pGraph->QueryMediaControl();
    ASSERT_TRUE(pControl);
    int nState = -1;
    EXPECT_TRUE(pControl->GetState(0, nState));
    EXPECT_EQ(nState, GRAPH_STATE_STOPPED);
    EXPECT_TRUE(pControl->Run());
    pControl->GetState(250, nState);
    EXPECT_EQ(nState, GRAPH_STATE_RUNNING);
    EXPECT_TRUE(m_pSource->m_bStreaming);
    EXPECT_EQ(callback.m_samples, (std::vector<long>{4, 2}));
    EXPECT_TRUE(pControl->Stop());
    pControl->GetState(250, nState);
    EXPECT_EQ(nState, GRAPH_STATE_STOPPED);
    EXPECT_FALSE(m_pSource->m_bStreaming);

    // One-shot passes on the first sample of each start; the sample mode calls SampleCB.
    m_pGrabber->SetOneShot(true);
    m_pGrabber->SetCallback(&callback, GRABBER_CALLS_SAMPLE);
    pControl->Run();
    EXPECT_EQ(callback.m_samples, (std::vector<long>{4, 2, -4}));

    // The last reference to the graph stops streaming and lets go of every filter.
    std::weak_ptr<FakeSource> source = m_pSource;
    std::weak_ptr<SampleGrabber> grabber = m_pGrabber;
    m_pSource.reset();
    m_pGrabber.reset();
    std::weak_ptr<FilterGraph> graph = m_pGraph;
    m_pGraph.reset();
    EXPECT_FALSE(graph.expired()); // the media control holds it
    EXPECT_TRUE(source.lock()->m_bStreaming);
    pControl.reset();
    EXPECT_TRUE(graph.expired());
    EXPECT_TRUE(source.expired());
    EXPECT_TRUE(grabber.expired());
}

} // namespace
