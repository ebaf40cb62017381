#pragma once

#include "platform/capture/v4l2/v4l2_io.h"

#include <cstdint>
#include <deque>
#include <linux/videodev2.h>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

// A stand-in for the V4L2 driver of one or more device nodes: answers capability, format,
// extension-unit and streaming requests from a small model, logs every ioctl, and fails a chosen
// request on demand. Streaming produces a set number of frames, then times out.
class FakeV4l2Io : public V4l2Io
{
  public:
    struct XuQuery
    {
        int nUnit;
        int nSelector;
        int nQuery;
        std::vector<uint8_t> payload; // as sent (SET) or as answered (GET)
    };

    // Configuration, set before use.
    std::map<std::string, uint32_t> m_deviceCaps; // openable paths and their device caps
    uint8_t m_nGetAnswer = 0;
    unsigned long m_nFailRequest = 0; // this ioctl fails with m_nFailErrno ...
    int m_nFailErrno = EIO;
    int m_nFailAfter = 0; // ... after this many successful calls of it
    bool m_bFailMap = false;
    uint32_t m_nFrameSize = 64;
    uint32_t m_nBufferLength = 64;
    int m_nFramesToProduce = 0;
    v4l2_pix_format m_format{};
    uint32_t m_nMaxHeight = 960; // the driver clamps a larger height to this

    // The driver's current format: 2 bytes per pixel.
    void SetYuyvFormat(uint32_t nWidth, uint32_t nHeight);
    // Makes strPath an openable capture node and opens it.
    int OpenCaptureNode(const std::string& strPath);

    // Observations, safe while the stream thread runs.
    std::vector<unsigned long> Requests() { return Locked(m_requests); }
    std::vector<XuQuery> XuQueries() { return Locked(m_xuQueries); }
    std::vector<uint32_t> ReqbufsCounts() { return Locked(m_reqbufsCounts); }
    int OpenCount() { return int(Locked(m_openFds).size()); }
    size_t MappedCount() { return Locked(m_mapped).size(); }
    bool StreamOn() { return Locked(m_bStreamOn); }
    int UnmapCount() { return Locked(m_nUnmaps); }

    int Open(const std::string& strPath, int nFlags) override;
    void Close(int fd) override;
    int Ioctl(int fd, unsigned long nRequest, void* pArg) override;
    void* Map(int fd, size_t nLength, off_t nOffset) override;
    void Unmap(void* p, size_t nLength) override;
    int Poll(int fd, int nTimeoutMs) override;

  private:
    template <class T> T Locked(const T& value)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return value;
    }
    int Answer(int fd, unsigned long nRequest, void* pArg);

    std::mutex m_mutex; // protects everything below and the model above once streaming runs
    std::vector<unsigned long> m_requests;
    std::map<unsigned long, int> m_callCounts;
    std::vector<XuQuery> m_xuQueries;
    std::vector<uint32_t> m_reqbufsCounts;
    std::map<int, std::string> m_openFds; // descriptor -> path
    int m_nNextFd = 3;
    std::vector<std::vector<uint8_t>> m_buffers;
    std::set<void*> m_mapped;
    int m_nUnmaps = 0;
    std::deque<uint32_t> m_queued;
    bool m_bStreamOn = false;
    int m_nFrame = 0;
};
