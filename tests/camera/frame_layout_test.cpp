// The raw frame layout written by the frame callback, from direct calls and from frames the
// simulated camera delivers on its own streaming thread.

#include "sim_camera_fixture.h"

#include "buffers/shared_buffers.h"
#include "platform/sys/auto_reset_event.h"

#include <atomic>
#include <random>

namespace
{
constexpr int W = 1284;

std::vector<uint8_t> RandomBytes(size_t n, unsigned nSeed)
{
    std::mt19937 rng(nSeed);
    std::vector<uint8_t> v(n);
    for (auto& b : v)
        b = static_cast<uint8_t>(rng());
    return v;
}

// The layout by its definition: byte (W - 1 - x) * S + (H - 1 - y) holds the low byte of pixel
// (x, y); every other byte keeps what it held.
std::vector<uint8_t> Reference(const std::vector<uint8_t>& sample, int nWidth, int nHeight,
                               std::vector<uint8_t> dest)
{
    int nStride = nHeight % 4 == 0 ? nHeight : (nHeight / 4) * 4 + 4;
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            dest[static_cast<size_t>(nWidth - 1 - x) * nStride + (nHeight - 1 - y)] =
                sample[2 * (static_cast<size_t>(y) * nWidth + x)];
    return dest;
}

struct Counter
{
    int nCalls = 0;
    static void Handler(void* p) { ++static_cast<Counter*>(p)->nCalls; }
};

SampleGrabberCB MakeCallback(std::vector<uint8_t>& dest, int nHeight, Counter* pCounter)
{
    SampleGrabberCB cb;
    cb.m_pDest = dest.data();
    cb.m_pfnFrame = pCounter ? Counter::Handler : nullptr;
    cb.m_pFrameArg = pCounter;
    cb.m_nWidth = W;
    cb.m_nHeight = nHeight;
    return cb;
}

TEST(FrameLayoutTest, EachHeightGivesTheTransposedLayout)
{
    // Heights in use, then odd ones and ones that leave remainders after blocks of 8 lines.
    for (int nHeight : {960, 4, 2, 1, 3, 5, 7, 9, 13, 14, 966})
    {
        SCOPED_TRACE(nHeight);
        std::vector<uint8_t> sample = RandomBytes(static_cast<size_t>(W) * nHeight * 2, nHeight);
        std::vector<uint8_t> dest(static_cast<size_t>(W) * 968, 0xEE);
        std::vector<uint8_t> expected = Reference(sample, W, nHeight, dest);
        Counter counter;
        SampleGrabberCB cb = MakeCallback(dest, nHeight, &counter);
        EXPECT_EQ(cb.BufferCB(0.0, sample.data(), static_cast<long>(sample.size())), CAPTURE_S_OK);
        EXPECT_EQ(dest, expected);
        EXPECT_EQ(counter.nCalls, 1);
        // The corners, named: pixel (0, 0) is the last byte of the last row, (W - 1, H - 1) the first.
        const int nStride = (nHeight + 3) / 4 * 4;
        EXPECT_EQ(dest[static_cast<size_t>(W - 1) * nStride + nHeight - 1], sample[0]);
        EXPECT_EQ(dest[0], sample[sample.size() - 2]);
        if (nHeight == 2)
        {
            EXPECT_TRUE(dest[2] == 0xEE && dest[3] == 0xEE && dest[W * 4 - 1] == 0xEE);
        }
    }
}

TEST(FrameLayoutTest, SampleLengthDecidesTransformAndHandler)
{
    const int nHeight = 960;
    const size_t nFrame = static_cast<size_t>(W) * nHeight * 2;
    std::vector<uint8_t> sample = RandomBytes(nFrame + 1, 7);
    const std::vector<uint8_t> blank(static_cast<size_t>(W) * 964 * 2, 0xEE);
    std::vector<uint8_t> dest = blank;
    Counter counter;
    SampleGrabberCB cb = MakeCallback(dest, nHeight, &counter);

    // One byte short: nothing written, no handler.
    cb.BufferCB(0.0, sample.data(), static_cast<long>(nFrame - 1));
    EXPECT_EQ(dest, blank);
    EXPECT_EQ(counter.nCalls, 0);
    // One byte long: transformed from its first W x H pixels, no handler.
    cb.BufferCB(0.0, sample.data(), static_cast<long>(nFrame + 1));
    EXPECT_EQ(dest, Reference(sample, W, nHeight, blank));
    EXPECT_EQ(counter.nCalls, 0);
    // Exactly a frame: the handler once.
    cb.BufferCB(0.0, sample.data(), static_cast<long>(nFrame));
    EXPECT_EQ(counter.nCalls, 1);

    // Another transform mode writes nothing but the handler still runs.
    dest = blank;
    cb.m_nMode = 0;
    cb.BufferCB(0.0, sample.data(), static_cast<long>(nFrame));
    EXPECT_EQ(dest, blank);
    EXPECT_EQ(counter.nCalls, 2);
}

TEST(FrameLayoutTest, CallbackInterfaceIsNotCounted)
{
    SampleGrabberCB cb;
    void* p = nullptr;
    for (const CaptureGuid& iid : {IID_SAMPLE_GRABBER_CALLBACK, IID_CAPTURE_UNKNOWN})
    {
        p = nullptr;
        EXPECT_EQ(cb.QueryInterface(iid, &p), CAPTURE_S_OK);
        EXPECT_EQ(p, static_cast<SampleGrabberCallback*>(&cb));
    }
    CaptureGuid other = IID_SAMPLE_GRABBER_CALLBACK;
    other.nData1 ^= 1;
    EXPECT_EQ(cb.QueryInterface(other, &p), static_cast<int32_t>(0x80004002u));
    EXPECT_EQ(cb.AddRef(), 2u);
    EXPECT_EQ(cb.AddRef(), 2u);
    EXPECT_EQ(cb.Release(), 1u);
    EXPECT_EQ(cb.SampleCB(0.0, nullptr), CAPTURE_S_OK);
}

// Frames from the simulated camera's own streaming thread, through the whole graph.
class StreamedFrameTest : public SimCameraTest
{
  protected:
    void SetUp() override
    {
        m_raw.assign(static_cast<size_t>(W) * 964 * 2, 0xEE);
        g_pRawFrame = m_raw.data();
    }
    void TearDown() override
    {
        SimCameraTest::TearDown();
        g_pRawFrame = nullptr;
    }

    // Runs on the streaming thread: keeps the first frame and which frame it was.
    static void Handler(void* pArg)
    {
        auto* self = static_cast<StreamedFrameTest*>(pArg);
        if (self->m_bHaveFrame.exchange(true))
            return;
        self->m_nFrameLine = self->Sim(0).FrameLine();
        self->m_copy.assign(self->m_raw.begin(), self->m_raw.end());
        self->m_frameEvent.Set();
    }

    std::vector<uint8_t> m_raw;
    std::vector<uint8_t> m_copy;
    std::atomic<bool> m_bHaveFrame{false};
    uint64_t m_nFrameLine = 0;
    AutoResetEvent m_frameEvent;
};

TEST_F(StreamedFrameTest, DeliveredFramesHoldTheRenderedScene)
{
    for (int nHeight : {960, 4, 2})
    {
        SCOPED_TRACE(nHeight);
        InstallAndInit("color", 1);
        // The fastest line period, a line position off the centre, a visible gain.
        m_camera.WriteRegister16(0, REG_LINE_PERIOD, 1388);
        m_camera.WriteRegister16(0, REG_LINE_POSITION, 300);
        m_camera.WriteRegister8(0, REG_GAIN_MODE, 1);
        std::fill(m_raw.begin(), m_raw.end(), 0xEE);
        m_bHaveFrame = false;
        ASSERT_EQ(m_camera.Open(0, W, nHeight, &StreamedFrameTest::Handler, this), CAMERA_OK);
        ASSERT_EQ(m_camera.Run(), CAMERA_OK);
        ASSERT_TRUE(m_frameEvent.Wait(10000));
        EXPECT_EQ(m_camera.Stop(), CAMERA_OK);

        SimFrameSettings settings = Sim(0).CurrentSettings();
        ASSERT_EQ(settings.nHeight, nHeight);
        int nStride = nHeight == 2 ? 4 : nHeight;
        int nMismatches = 0;
        for (int y = 0; y < nHeight; ++y)
            for (int x = 0; x < W; ++x)
            {
                uint8_t nExpected = SimCamera::SampleAt(settings, true, m_nFrameLine, x, y);
                if (m_copy[static_cast<size_t>(W - 1 - x) * nStride + (nHeight - 1 - y)] != nExpected)
                    ++nMismatches;
            }
        EXPECT_EQ(nMismatches, 0);
        if (nHeight == 2)
        {
            for (int r = 0; r < W; ++r)
                ASSERT_TRUE(m_copy[r * 4 + 2] == 0xEE && m_copy[r * 4 + 3] == 0xEE) << "row " << r;
        }
    }
}
} // namespace
