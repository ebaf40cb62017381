#include "platform/capture/v4l2/v4l2_stream.h"
#include "platform/sys/auto_reset_event.h"
#include "tests/platform/capture/v4l2/fake_v4l2_io.h"

#include <gtest/gtest.h>

#include <tuple>

namespace
{

constexpr const char* NODE = "/dev/video0";

void ExpectAllReleased(FakeV4l2Io& io)
{
    EXPECT_EQ(io.MappedCount(), 0u);
    EXPECT_FALSE(io.StreamOn());
    ASSERT_FALSE(io.ReqbufsCounts().empty());
    EXPECT_EQ(io.ReqbufsCounts().back(), 0u);
}

// First and last byte, length and time of a delivered frame.
using Delivered = std::tuple<int, int, size_t, double>;

class V4l2StreamTest : public ::testing::Test
{
  protected:
    void SetUp() override { m_fd = m_io.OpenCaptureNode(NODE); }

    // Records each frame on the streaming thread (read it once the stream has stopped); signals
    // m_done when nExpected have come.
    V4l2FrameFn Recorder(size_t nExpected)
    {
        return [this, nExpected](const uint8_t* pData, size_t nBytes, double dTime)
        {
            m_delivered.emplace_back(pData[0], pData[nBytes - 1], nBytes, dTime);
            if (m_delivered.size() == nExpected)
                m_done.Set();
        };
    }

    LogCapture m_log;
    FakeV4l2Io m_io;
    int m_fd = -1;
    std::vector<Delivered> m_delivered;
    AutoResetEvent m_done;
};

} // namespace

TEST_F(V4l2StreamTest, DeliversEachSoundBufferRequeuesItCountsLossesAndTearsDownInOrder)
{
    m_io.m_nFramesToProduce = 10;
    m_io.m_damagedFrames = {3};
    m_io.m_shortFrames = {7};
    m_io.m_framesLostBefore = {{5, 2}, {9, 1}};
    V4l2Stream stream(m_io);
    ASSERT_EQ(stream.Start(m_fd, NODE, 4, 64, Recorder(8)), 0);
    EXPECT_TRUE(stream.IsStreaming());
    ASSERT_TRUE(m_done.Wait(10000));
    EXPECT_EQ(stream.Stop(), 0);
    EXPECT_FALSE(stream.IsStreaming());

    // Ten frames through four buffers: each was handed back and filled again; damaged ones, marked
    // or short, are never handed on.
    std::vector<Delivered> expected;
    for (int nFrame : {1, 2, 4, 5, 6, 8, 9, 10})
        expected.emplace_back(nFrame, nFrame, 64u, nFrame + 0.5);
    EXPECT_EQ(m_delivered, expected);
    EXPECT_EQ(stream.DamagedFrames(), 2u);
    EXPECT_EQ(stream.LostFrames(), 3u);
    // Reported as the first loss came (then at most once a second), and when streaming stopped.
    const std::vector<std::string> lines = m_log.Take();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("tarnwick: /dev/video0: while streaming: ", 0), 0u) << lines[0];
    EXPECT_EQ(
        lines.back(),
        "tarnwick: /dev/video0: streaming stopped: 2 damaged frames dropped, 3 frames lost between buffers");

    std::vector<unsigned long> requests = m_io.Requests();
    const std::vector<unsigned long> setup = {
        VIDIOC_REQBUFS, VIDIOC_QUERYBUF, VIDIOC_QUERYBUF, VIDIOC_QUERYBUF, VIDIOC_QUERYBUF,
        VIDIOC_QBUF,    VIDIOC_QBUF,     VIDIOC_QBUF,     VIDIOC_QBUF,     VIDIOC_STREAMON};
    ASSERT_GT(requests.size(), setup.size() + 2);
    EXPECT_EQ(std::vector<unsigned long>(requests.begin(), requests.begin() + long(setup.size())), setup);
    EXPECT_EQ(std::vector<unsigned long>(requests.end() - 2, requests.end()),
              (std::vector<unsigned long>{VIDIOC_STREAMOFF, VIDIOC_REQBUFS}));
    EXPECT_EQ(m_io.ReqbufsCounts(), (std::vector<uint32_t>{4, 0}));
    EXPECT_EQ(m_io.UnmapCount(), 4);
    ExpectAllReleased(m_io);

    // The stream starts again after a stop, with its counts afresh, and a second stop does nothing.
    // A driver claiming more bytes than the buffer holds gets no more than the buffer.
    m_io.m_nFramesToProduce = 2;
    m_io.m_shortFrames = {11};
    m_io.m_framesLostBefore = {{12, 1}};
    m_io.m_nFrameSize = 4096;
    ASSERT_EQ(stream.Start(m_fd, NODE, 4, 64, Recorder(9)), 0);
    EXPECT_EQ(stream.Start(m_fd, NODE, 4, 64, Recorder(9)), -EBUSY);
    ASSERT_TRUE(m_done.Wait(10000));
    EXPECT_EQ(stream.Stop(), 0);
    EXPECT_EQ(stream.Stop(), 0);
    EXPECT_EQ(std::get<2>(m_delivered.back()), 64u);
    EXPECT_EQ(
        m_log.Take().back(),
        "tarnwick: /dev/video0: streaming stopped: 1 damaged frame dropped, 1 frame lost between buffers");
    ExpectAllReleased(m_io);
}

TEST_F(V4l2StreamTest, AFailedSetupStepLeavesNothingHeldAndNamesTheStep)
{
    const struct
    {
        unsigned long nRequest;
        FakeV4l2Io::Failure failure;
        const char* pszReport;
    } cases[] = {
        {VIDIOC_STREAMON,
         {ENOSPC},
         "tarnwick: /dev/video0: start streaming (VIDIOC_STREAMON): No space left on device (not enough USB "
         "bandwidth: use another USB port or controller)"},
        {VIDIOC_QUERYBUF,
         {EIO, 2},
         "tarnwick: /dev/video0: query buffer (VIDIOC_QUERYBUF): Input/output error"},
        {VIDIOC_QBUF, {EIO, 3}, "tarnwick: /dev/video0: queue buffer (VIDIOC_QBUF): Input/output error"},
        {FakeV4l2Io::MAP, {ENOMEM}, "tarnwick: /dev/video0: map buffer: Cannot allocate memory"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszReport);
        FakeV4l2Io io;
        const int fd = io.OpenCaptureNode(NODE);
        io.m_failures[c.nRequest] = c.failure;
        V4l2Stream stream(io);
        EXPECT_EQ(stream.Start(fd, NODE, 4, 64, [](const uint8_t*, size_t, double) {}), -c.failure.nErrno);
        EXPECT_FALSE(stream.IsStreaming());
        EXPECT_EQ(m_log.Take(), std::vector<std::string>{c.pszReport});
        ExpectAllReleased(io);
    }

    V4l2Stream stream(m_io);
    EXPECT_EQ(stream.Start(m_fd, NODE, 4, 64, nullptr), -EINVAL);
    EXPECT_EQ(stream.Start(-1, NODE, 4, 64, Recorder(1)), -EBADF);
    EXPECT_FALSE(stream.IsStreaming());
}
