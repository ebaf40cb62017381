// The graph: connection rules, running and stopping sources, and what the graph lets go when it goes.

#include "platform/capture/capture_source.h"
#include "platform/capture/filter_graph.h"
#include "platform/capture/sample_grabber.h"

#include <gtest/gtest.h>

#include <utility>

namespace
{
// A source that notes the sink it streams to and can refuse to start; it must be stopped before
// it goes.
class FakeSource : public CaptureSource
{
  public:
    ~FakeSource() override { EXPECT_FALSE(m_pSink) << "released while streaming"; }
    bool NodeProperty(const NodePropertyRequest&, uint8_t*, uint32_t, uint32_t*) override { return false; }
    bool CurrentFormat(VideoFormat&) override { return false; }
    bool ApplyFormat(const VideoFormat&) override { return false; }
    bool StartStreaming(SampleSink& sink) override
    {
        m_pSink = m_bFailStart ? nullptr : &sink;
        return !m_bFailStart;
    }
    void StopStreaming() override { m_pSink = nullptr; }

    SampleSink* m_pSink = nullptr; // while streaming
    bool m_bFailStart = false;
};

// Pin n of a filter, as the camera code finds it.
std::shared_ptr<CapturePin> Pin(const std::shared_ptr<CaptureFilter>& pFilter, int n)
{
    auto pEnum = pFilter->EnumPins();
    while (n-- > 0)
        pEnum->Next();
    return pEnum->Next();
}

TEST(FilterGraphTest, ConnectionNeedsBothFiltersInTheGraphRunStartsAllOrNothingAndGoingReleasesAll)
{
    auto pSource = std::make_shared<FakeSource>();
    auto pGrabber = std::make_shared<SampleGrabber>();
    auto pGraph = std::make_shared<FilterGraph>();
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
    EXPECT_TRUE(pControl->Run() && pControl->GetState(250, nState));
    EXPECT_EQ(nState, GRAPH_STATE_RUNNING);
    EXPECT_EQ(pSource->m_pSink, pGrabber.get());
    EXPECT_TRUE(pControl->Stop() && pControl->GetState(250, nState));
    EXPECT_EQ(nState, GRAPH_STATE_STOPPED);
    EXPECT_FALSE(pSource->m_pSink);

    // A second source that cannot start leaves the whole graph stopped.
    auto pOther = std::make_shared<FakeSource>();
    auto pOtherGrabber = std::make_shared<SampleGrabber>();
    ASSERT_TRUE(pGraph->AddFilter(pOther, "Second") && pGraph->AddFilter(pOtherGrabber, "Second grabber"));
    ASSERT_TRUE(pGraph->Connect(Pin(pOther, 0), Pin(pOtherGrabber, 0)));
    pOther->m_bFailStart = true;
    EXPECT_FALSE(pControl->Run());
    EXPECT_FALSE(pSource->m_pSink);
    EXPECT_EQ(pGraph->State(), GRAPH_STATE_STOPPED);
    pOther->m_bFailStart = false;
    EXPECT_TRUE(pControl->Run());

    // The last reference to the graph, the media control's, stops streaming and lets go of every filter.
    std::weak_ptr<FakeSource> source = std::exchange(pSource, nullptr);
    std::weak_ptr<SampleGrabber> grabber = std::exchange(pGrabber, nullptr);
    std::weak_ptr<FilterGraph> graph = std::exchange(pGraph, nullptr);
    pOther.reset();
    pOtherGrabber.reset();
    EXPECT_TRUE(source.lock()->m_pSink);
    pControl.reset();
    EXPECT_TRUE(graph.expired() && source.expired() && grabber.expired());
}

} // namespace
