// The graph: connection rules, running and stopping sources, and what the graph lets go when it goes.

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
    int32_t SampleCB(double, const MediaSample*) override { return 0; }
    int32_t BufferCB(double, const uint8_t*, long n) override
    {
        m_samples.push_back(n);
        return 0;
    }
    std::vector<long> m_samples;
};

// Pin n of a filter, as the camera code finds it.
std::shared_ptr<CapturePin> Pin(const std::shared_ptr<CaptureFilter>& pFilter, int n)
{
    auto pEnum = pFilter->EnumPins();
    std::shared_ptr<CapturePin> pPin;
    for (int i = 0; i <= n; ++i)
        pPin = pEnum->Next();
    return pPin;
}

TEST(FilterGraphTest, ConnectionNeedsBothFiltersInTheGraphRunDeliversAllOrNothingAndGoingReleasesAll)
{
    auto pSource = std::make_shared<FakeSource>();
    auto pGrabber = std::make_shared<SampleGrabber>();
    auto pGraph = std::make_shared<FilterGraph>();
    RecordingCallback callback;
    ASSERT_TRUE(pGrabber->SetCallback(&callback, GRABBER_CALLS_BUFFER));
    EXPECT_TRUE(pGraph->AddFilter(pSource, "Video Capture"));
    EXPECT_FALSE(pGraph->AddFilter(pGrabber, "Video Capture"));       // names are unique
    EXPECT_FALSE(pGraph->Connect(Pin(pSource, 0), Pin(pGrabber, 0))); // not yet in the graph
    EXPECT_TRUE(pGraph->AddFilter(pGrabber, "Grabber"));
    EXPECT_FALSE(pGraph->Connect(Pin(pGrabber, 1), Pin(pGrabber, 0))); // grabber output to itself
    EXPECT_FALSE(pGraph->Connect(Pin(pSource, 0), Pin(pGrabber, 1)));  // into an output pin
    EXPECT_TRUE(pGraph->Connect(Pin(pSource, 0), Pin(pGrabber, 0)));
    EXPECT_FALSE(pGraph->Connect(Pin(pSource, 0), Pin(pGrabber, 0))); // already connected
    auto pControl = pGraph->QueryMediaControl();
    ASSERT_TRUE(pControl);
    int nState = -1;
    EXPECT_TRUE(pControl->Run());
    pControl->GetState(250, nState);
    EXPECT_EQ(nState, GRAPH_STATE_RUNNING);
    EXPECT_EQ(callback.m_samples, (std::vector<long>{4, 2}));
    EXPECT_TRUE(pControl->Stop());
    pControl->GetState(250, nState);
    EXPECT_EQ(nState, GRAPH_STATE_STOPPED);
    EXPECT_FALSE(pSource->m_bStreaming);

    // A second source that cannot start leaves the whole graph stopped.
    auto pOther = std::make_shared<FakeSource>();
    auto pOtherGrabber = std::make_shared<SampleGrabber>();
    ASSERT_TRUE(pGraph->AddFilter(pOther, "Second") && pGraph->AddFilter(pOtherGrabber, "Second grabber"));
    ASSERT_TRUE(pGraph->Connect(Pin(pOther, 0), Pin(pOtherGrabber, 0)));
    pOther->m_bFailStart = true;
    EXPECT_FALSE(pControl->Run());
    EXPECT_FALSE(pSource->m_bStreaming);
    EXPECT_EQ(pGraph->State(), GRAPH_STATE_STOPPED);
    pOther->m_bFailStart = false;
    EXPECT_TRUE(pControl->Run());

    // The last reference to the graph, the media control's, stops streaming and lets go of every filter.
    std::weak_ptr<FakeSource> source = pSource;
    std::weak_ptr<SampleGrabber> grabber = pGrabber;
    std::weak_ptr<FilterGraph> graph = pGraph;
    pSource.reset();
    pGrabber.reset();
    pGraph.reset();
    pOther.reset();
    pOtherGrabber.reset();
    EXPECT_TRUE(source.lock()->m_bStreaming);
    pControl.reset();
    EXPECT_TRUE(graph.expired() && source.expired() && grabber.expired());
}

} // namespace
