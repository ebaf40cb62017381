#pragma once

#include "platform/capture/capture_filter.h"

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class CaptureSource;
class MediaControl;
class SampleGrabber;

// A filter graph: named filters, the connections between capture pins and sample grabbers,
// and the running state. Streaming stops at the latest when the last reference goes, before
// the filters are let go.
class FilterGraph : public std::enable_shared_from_this<FilterGraph>
{
  public:
    ~FilterGraph();

    // Adds a filter under a name; false when it is null, already in the graph or the name is
    // taken.
    bool AddFilter(const std::shared_ptr<CaptureFilter>& pFilter, const std::string& strName);
    // Connects an output pin to an input pin; both filters must be in the graph. A capture pin
    // connects to a sample grabber's input pin. False for a null pin or anything else.
    bool Connect(const std::shared_ptr<CapturePin>& pOut, const std::shared_ptr<CapturePin>& pIn);
    // The graph's media control; null on failure.
    std::shared_ptr<MediaControl> QueryMediaControl();

    // Used by MediaControl.
    bool RunGraph();
    void StopGraph();
    int State();

    size_t FilterCount();

  private:
    struct Connection
    {
        std::shared_ptr<CaptureSource> pSource;
        std::shared_ptr<SampleGrabber> pGrabber;
    };

    bool Contains(const std::shared_ptr<CaptureFilter>& pFilter) const;
    bool IsPinConnected(const CapturePin& pin) const;
    void StopLocked();
    // A source whose delivery ended by itself leaves the graph stopped, so its state is the truth.
    void StopIfEndedLocked();

    // Protects the filter list, the connections and the state. Held during start and stop of
    // the sources, never by the streaming threads.
    std::mutex m_mutex;
    std::vector<std::pair<std::string, std::shared_ptr<CaptureFilter>>> m_filters;
    std::vector<Connection> m_connections;
    int m_nState = GRAPH_STATE_STOPPED;
};

// Starts and stops a graph. Run and Stop take effect before they return; GetState reports the
// state reached.
class MediaControl
{
  public:
    explicit MediaControl(std::shared_ptr<FilterGraph> pGraph) : m_pGraph(std::move(pGraph)) {}

    bool Run() { return m_pGraph->RunGraph(); }
    bool Stop()
    {
        m_pGraph->StopGraph();
        return true;
    }
    // Writes the current state; a state change in progress would be waited for up to
    // nTimeoutMs, but Run and Stop here complete before they return.
    bool GetState(int nTimeoutMs, int& nState);

  private:
    std::shared_ptr<FilterGraph> m_pGraph;
};
