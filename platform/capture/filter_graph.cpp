#include "platform/capture/filter_graph.h"

#include "platform/capture/capture_faults.h"
#include "platform/capture/capture_source.h"
#include "platform/capture/sample_grabber.h"

#include <algorithm>

FilterGraph::~FilterGraph()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    StopLocked();
}

bool FilterGraph::Contains(const std::shared_ptr<CaptureFilter>& pFilter) const
{
    return std::any_of(m_filters.begin(), m_filters.end(),
                       [&](const auto& f) { return f.second == pFilter; });
}

bool FilterGraph::AddFilter(const std::shared_ptr<CaptureFilter>& pFilter, const std::string& strName)
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::ADD_FILTER) || !pFilter)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    bool bNameTaken =
        std::any_of(m_filters.begin(), m_filters.end(), [&](const auto& f) { return f.first == strName; });
    if (bNameTaken || Contains(pFilter))
        return false;
    m_filters.emplace_back(strName, pFilter);
    return true;
}

bool FilterGraph::IsPinConnected(const CapturePin& pin) const
{
    return std::any_of(m_connections.begin(), m_connections.end(),
                       [&](const Connection& c)
                       {
                           return (c.pSource == pin.Filter() && pin.Index() == 0) ||
                                  (c.pGrabber == pin.Filter() && pin.Index() == 0);
                       });
}

bool FilterGraph::Connect(const std::shared_ptr<CapturePin>& pOut, const std::shared_ptr<CapturePin>& pIn)
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::CONNECT) || !pOut || !pIn)
        return false;
    if (pOut->QueryDirection() != PinDirection::OUTPUT || pIn->QueryDirection() != PinDirection::INPUT)
        return false;
    auto pSource = std::dynamic_pointer_cast<CaptureSource>(pOut->Filter());
    auto pGrabber = std::dynamic_pointer_cast<SampleGrabber>(pIn->Filter());
    if (!pSource || !pGrabber)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!Contains(pOut->Filter()) || !Contains(pIn->Filter()) || IsPinConnected(*pOut) ||
        IsPinConnected(*pIn))
        return false;
    if (m_nState != GRAPH_STATE_STOPPED)
        return false;
    m_connections.push_back({std::move(pSource), std::move(pGrabber)});
    return true;
}

std::shared_ptr<MediaControl> FilterGraph::QueryMediaControl()
{
    if (CaptureFaults::Instance().ShouldFail(CaptureStep::QUERY_MEDIA_CONTROL))
        return nullptr;
    return std::make_shared<MediaControl>(shared_from_this());
}

bool FilterGraph::RunGraph()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    StopIfEndedLocked();
    if (m_nState == GRAPH_STATE_RUNNING)
        return true;
    for (size_t i = 0; i < m_connections.size(); ++i)
    {
        Connection& c = m_connections[i];
        c.pGrabber->Prepare();
        if (!c.pSource->StartStreaming(*c.pGrabber))
        {
            // Leave the graph as it was: stopped, with nothing streaming.
            for (size_t j = 0; j < i; ++j)
                m_connections[j].pSource->StopStreaming();
            return false;
        }
    }
    m_nState = GRAPH_STATE_RUNNING;
    return true;
}

void FilterGraph::StopLocked()
{
    if (m_nState == GRAPH_STATE_STOPPED)
        return;
    for (Connection& c : m_connections)
        c.pSource->StopStreaming();
    m_nState = GRAPH_STATE_STOPPED;
}

void FilterGraph::StopIfEndedLocked()
{
    if (m_nState != GRAPH_STATE_RUNNING)
        return;
    if (std::any_of(m_connections.begin(), m_connections.end(),
                    [](const Connection& c) { return c.pSource->StreamEnded(); }))
        StopLocked();
}

void FilterGraph::StopGraph()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    StopLocked();
}

int FilterGraph::State()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    StopIfEndedLocked();
    return m_nState;
}

size_t FilterGraph::FilterCount()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_filters.size();
}

bool MediaControl::GetState(int /*nTimeoutMs*/, int& nState)
{
    nState = m_pGraph->State();
    return true;
}
