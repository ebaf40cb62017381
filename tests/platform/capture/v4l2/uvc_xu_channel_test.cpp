#include "platform/capture/v4l2/uvc_xu_channel.h"
#include "tests/platform/capture/v4l2/fake_v4l2_io.h"
#include "tests/platform/capture/v4l2/uvc_test_descriptors.h"

#include <gtest/gtest.h>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>

namespace
{

std::vector<uint8_t> MakeRequest(const std::vector<uint8_t>& guid, uint32_t nId, uint32_t nFlags)
{
    std::vector<uint8_t> request(guid);
    for (uint32_t nValue : {nId, nFlags, 2u, 0u})
        for (int i = 0; i < 4; i++)
            request.push_back(uint8_t(nValue >> (8 * i)));
    return request;
}

class UvcXuChannelTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_fd = m_io.OpenCaptureNode("/dev/video0");
        const std::vector<uint8_t> bytes = uvc_test::CameraDescriptors();
        m_channel = UvcXuChannel(m_io, m_fd, UvcDescriptors::Parse(bytes.data(), bytes.size()));
    }

    int Send(uint32_t nSelector, uint32_t nFlags, std::vector<uint8_t>& payload,
             const std::vector<uint8_t>& guid = uvc_test::CAMERA_GUID)
    {
        std::vector<uint8_t> request = MakeRequest(guid, nSelector, nFlags);
        return m_channel.Request(request.data(), request.size(), payload.data(), payload.size());
    }

    FakeV4l2Io m_io;
    int m_fd = -1;
    UvcXuChannel m_channel;
};

} // namespace

TEST_F(UvcXuChannelTest, SetsAndGetsCarryTheirPayloadToTheCameraUnit)
{
    std::vector<uint8_t> address = {0x2A, 0x00};
    EXPECT_EQ(Send(1, UvcXuChannel::REQUEST_SET, address), 0);
    std::vector<uint8_t> data = {0xFF, 0x01}; // only the first byte belongs to a data SET
    EXPECT_EQ(Send(2, UvcXuChannel::REQUEST_SET, data), 0);
    m_io.m_nGetAnswer = 0x5C;
    std::vector<uint8_t> answer = {0x00};
    EXPECT_EQ(Send(4, UvcXuChannel::REQUEST_GET, answer), 0);
    EXPECT_EQ(answer[0], 0x5C);

    std::vector<FakeV4l2Io::XuQuery> queries = m_io.XuQueries();
    ASSERT_EQ(queries.size(), 3u);
    EXPECT_EQ(queries[0].nUnit, 3);
    EXPECT_EQ(queries[0].nSelector, 1);
    EXPECT_EQ(queries[0].nQuery, UVC_SET_CUR);
    EXPECT_EQ(queries[0].payload, (std::vector<uint8_t>{0x2A, 0x00}));
    EXPECT_EQ(queries[1].nUnit, 3);
    EXPECT_EQ(queries[1].nSelector, 2);
    EXPECT_EQ(queries[1].nQuery, UVC_SET_CUR);
    EXPECT_EQ(queries[1].payload, (std::vector<uint8_t>{0xFF}));
    EXPECT_EQ(queries[2].nUnit, 3);
    EXPECT_EQ(queries[2].nSelector, 4);
    EXPECT_EQ(queries[2].nQuery, UVC_GET_CUR);
    EXPECT_EQ(queries[2].payload.size(), 1u);
}

TEST_F(UvcXuChannelTest, MalformedOrForeignRequestsFailWithoutReachingTheDevice)
{
    std::vector<uint8_t> payload = {0x01, 0x00};
    EXPECT_EQ(Send(2, UvcXuChannel::REQUEST_SET, payload, uvc_test::CAMERA_GUID), 0);
    const size_t nSent = m_io.Requests().size();

    std::vector<uint8_t> unknownGuid(16, 0x11);
    EXPECT_EQ(Send(2, UvcXuChannel::REQUEST_SET, payload, unknownGuid), -ENOENT);
    EXPECT_EQ(Send(2, 0x10000004, payload), -EINVAL);
    EXPECT_EQ(Send(2, 0x00000002, payload), -EINVAL);
    EXPECT_EQ(Send(0, UvcXuChannel::REQUEST_GET, payload), -EINVAL);
    EXPECT_EQ(Send(5, UvcXuChannel::REQUEST_GET, payload), -EINVAL);
    std::vector<uint8_t> oneByte = {0x2A};
    EXPECT_EQ(Send(1, UvcXuChannel::REQUEST_SET, oneByte), -EINVAL);
    std::vector<uint8_t> request = MakeRequest(uvc_test::CAMERA_GUID, 2, UvcXuChannel::REQUEST_SET);
    EXPECT_EQ(m_channel.Request(request.data(), 31, payload.data(), payload.size()), -EINVAL);
    EXPECT_EQ(m_channel.Request(request.data(), request.size(), nullptr, 0), -EINVAL);
    EXPECT_EQ(m_io.Requests().size(), nSent);

    UvcXuChannel unbound;
    EXPECT_LT(unbound.Request(request.data(), request.size(), payload.data(), payload.size()), 0);
}

TEST_F(UvcXuChannelTest, AFailingDeviceRequestIsAFailure)
{
    m_io.m_nFailRequest = UVCIOC_CTRL_QUERY;
    m_io.m_nFailErrno = EPIPE;
    std::vector<uint8_t> payload = {0x00};
    EXPECT_EQ(Send(4, UvcXuChannel::REQUEST_GET, payload), -EPIPE);
    EXPECT_EQ(Send(3, UvcXuChannel::REQUEST_SET, payload), -EPIPE);
}
