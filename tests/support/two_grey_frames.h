#pragma once

// The frame store fed from a thread of its own, through the camera's own frame callback, as fast as
// it takes frames: each frame one grey and never the last one's, so that a picture holding parts of
// two frames shows two greys.

#include "buffers/shared_buffers.h"
#include "camera/sample_grabber_cb.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <span>
#include <thread>
#include <vector>

class TwoGreyFrames
{
  public:
    static constexpr std::uint8_t GREYS[] = {60, 180};

    // Frames of nLines sensor lines into g_pRawFrame, until the object goes.
    explicit TwoGreyFrames(int nLines)
    {
        for (const std::uint8_t v : GREYS)
            m_frames.emplace_back(SENSOR_WIDTH * static_cast<std::size_t>(nLines) * 2, v);
        m_grabber.m_pDest = g_pRawFrame;
        m_grabber.m_nWidth = static_cast<int>(SENSOR_WIDTH);
        m_grabber.m_nHeight = nLines;
        m_producer = std::jthread(
            [this](std::stop_token stop)
            {
                // A pause between frames, as a camera has: the lock is not fair, and readers need a turn.
                for (; !stop.stop_requested(); std::this_thread::sleep_for(std::chrono::microseconds(100)))
                    m_grabber.BufferCB(0, m_frames[m_nStored++ % 2].data(),
                                       static_cast<long>(m_frames[0].size()));
            });
    }

    // Frames stored so far.
    int Stored() const { return m_nStored; }

    // Whether pixels are all one of the two greys.
    static bool IsOneFrame(std::span<const std::uint8_t> pixels)
    {
        return !pixels.empty() && (pixels[0] == GREYS[0] || pixels[0] == GREYS[1]) &&
               std::ranges::count(pixels, pixels[0]) == std::ssize(pixels);
    }

  private:
    std::vector<std::vector<std::uint8_t>> m_frames;
    SampleGrabberCB m_grabber;
    std::atomic<int> m_nStored{0};
    std::jthread m_producer; // last: stopped and joined before the rest goes
};
