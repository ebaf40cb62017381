#include "platform/capture/v4l2/v4l2_stream.h"
#include "platform/sys/auto_reset_event.h"
#include "tests/platform/capture/v4l2/fake_v4l2_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

namespace
{

void ExpectAllReleased(FakeV4l2Io& io)
{
    EXPECT_EQ(io.MappedCount(), 0u);
    EXPECT_FALSE(io.StreamOn());
    ASSERT_FALSE(io.ReqbufsCounts().empty());
    EXPECT_EQ(io.ReqbufsCounts().back(), 0u);
}

struct Delivered
{
    uint8_t nFirstByte;
    uint8_t nLastByte;
    size_t nBytes;
    double dTime;
};

class V4l2StreamTest : public ::testing::Test
{
  protected:
    void SetUp() override { m_fd = m_io.OpenCaptureNode("/dev/video0"); }

    // Records each frame; signals m_done when nExpected have come.
    V4l2FrameFn Recorder(size_t nExpected)
    {
        return [this, nExpected](const uint8_t* pData, size_t nBytes, double dTime)
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_delivered.push_back({pData[0], pData[nBytes - 1], nBytes, dTime});
            if (m_delivered.size() == nExpected)
                m_done.Set();
        };
    }

    std::vector<Delivered> TakeDelivered()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_delivered;
    }

    FakeV4l2Io m_io;
    int m_fd = -1;
    std::mutex m_mutex; // protects m_delivered
    std::vector<Delivered> m_delivered;
    AutoResetEvent m_done;
};

} // namespace

TEST_F(V4l2StreamTest, DeliversEachBufferAndRequeuesItThenTearsDownInOrder)
{
    m_io.m_nFramesToProduce = 10;
    V4l2Stream stream(m_io);
    ASSERT_EQ(stream.Start(m_fd, Recorder(10)), 0);
    EXPECT_TRUE(stream.IsStreaming());
    ASSERT_TRUE(m_done.Wait(10000));
    EXPECT_EQ(stream.Stop(), 0);
    EXPECT_FALSE(stream.IsStreaming());

    // Ten frames through four buffers: each was handed back and filled again.
    std::vector<Delivered> delivered = TakeDelivered();
    ASSERT_EQ(delivered.size(), 10u);
    for (size_t i = 0; i < delivered.size(); i++)
        EXPECT_TRUE(delivered[i].nFirstByte == i + 1 && delivered[i].nLastByte == i + 1 &&
                    delivered[i].nBytes == 64u && delivered[i].dTime == double(i + 1) + 0.5)
            << "frame " << i;

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

    // The stream starts again after a stop, and a second stop does nothing. A driver claiming
    // more bytes than the buffer holds gets no more than the buffer.
    m_io.m_nFramesToProduce = 1;
    m_io.m_nFrameSize = 4096;
    ASSERT_EQ(stream.Start(m_fd, Recorder(11)), 0);
    EXPECT_EQ(stream.Start(m_fd, Recorder(11)), -EBUSY);
    ASSERT_TRUE(m_done.Wait(10000));
    EXPECT_EQ(stream.Stop(), 0);
    EXPECT_EQ(stream.Stop(), 0);
    EXPECT_EQ(TakeDelivered().back().nBytes, 64u);
    ExpectAllReleased(m_io);
}

TEST_F(V4l2StreamTest, AFailedSetupStepLeavesNothingHeld)
{
    struct Case
    {
        unsigned long nRequest;
        int nAfter;
    };
    for (Case c : {Case{VIDIOC_QUERYBUF, 2}, Case{VIDIOC_QBUF, 3}, Case{VIDIOC_STREAMON, 0}})
    {
        FakeV4l2Io io;
        const int fd = io.OpenCaptureNode("/dev/video0");
        io.m_nFailRequest = c.nRequest;
        io.m_nFailAfter = c.nAfter;
        V4l2Stream stream(io);
        EXPECT_EQ(stream.Start(fd, [](const uint8_t*, size_t, double) {}), -EIO);
        EXPECT_FALSE(stream.IsStreaming());
        ExpectAllReleased(io);
    }

    m_io.m_bFailMap = true;
    V4l2Stream stream(m_io);
    EXPECT_EQ(stream.Start(m_fd, Recorder(1)), -ENOMEM);
    ExpectAllReleased(m_io);

    m_io.m_bFailMap = false;
    m_io.m_nFailRequest = VIDIOC_REQBUFS;
    EXPECT_EQ(stream.Start(m_fd, Recorder(1)), -EIO);
    EXPECT_EQ(stream.Start(m_fd, nullptr), -EINVAL);
    EXPECT_EQ(stream.Start(-1, Recorder(1)), -EBADF);
    EXPECT_FALSE(stream.IsStreaming());
}

TEST_F(V4l2StreamTest, ADeviceErrorEndsTheThreadAndStopReportsIt)
{
    m_io.m_nFramesToProduce = 5;
    m_io.m_nFailRequest = VIDIOC_DQBUF;
    m_io.m_nFailAfter = 2;
    m_io.m_nFailErrno = ENODEV;
    V4l2Stream stream(m_io);
    ASSERT_EQ(stream.Start(m_fd, Recorder(2)), 0);
    ASSERT_TRUE(m_done.Wait(10000));
    // Let the thread reach the failing dequeue before asking it to stop.
    auto dequeues = [this]
    {
        std::vector<unsigned long> requests = m_io.Requests();
        return std::count(requests.begin(), requests.end(), VIDIOC_DQBUF);
    };
    for (int i = 0; i < 10000 && dequeues() < 3; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(stream.Stop(), -ENODEV);
    EXPECT_EQ(TakeDelivered().size(), 2u);
    ExpectAllReleased(m_io);
}
