#include "platform/capture/v4l2/uvc_xu_channel.h"
#include "tests/platform/capture/v4l2/fake_v4l2_io.h"
#include "tests/platform/capture/v4l2/uvc_test_descriptors.h"

#include <gtest/gtest.h>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>

#include <tuple>

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

    // Unit, selector, query and payload of each request, in order.
    std::vector<std::tuple<int, int, int, std::vector<uint8_t>>> sent;
    for (const FakeV4l2Io::XuQuery& q : m_io.XuQueries())
        sent.emplace_back(q.nUnit, q.nSelector, q.nQuery, q.payload);
    EXPECT_EQ(sent, (decltype(sent){{3, 1, UVC_SET_CUR, {0x2A, 0x00}},
                                    {3, 2, UVC_SET_CUR, {0xFF}},
                                    {3, 4, UVC_GET_CUR, {0x5C}}}));
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

    // The driver's refusal is passed on.
    m_io.m_nFailRequest = UVCIOC_CTRL_QUERY;
    m_io.m_nFailErrno = EPIPE;
    EXPECT_EQ(Send(4, UvcXuChannel::REQUEST_GET, oneByte), -EPIPE);
}
