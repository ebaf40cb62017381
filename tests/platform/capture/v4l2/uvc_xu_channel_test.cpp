#include "platform/capture/v4l2/uvc_xu_channel.h"
#include "tests/platform/capture/v4l2/fake_sysfs.h"
#include "tests/platform/capture/v4l2/fake_v4l2_io.h"

#include <gtest/gtest.h>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>

#include <tuple>

namespace
{

using Strings = std::vector<std::string>;
constexpr uint32_t SET = UvcXuChannel::REQUEST_SET;
constexpr uint32_t GET = UvcXuChannel::REQUEST_GET;

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
    // A channel over a new open of the camera's node.
    static UvcXuChannel Bind(FakeV4l2Io& io)
    {
        const std::vector<uint8_t> bytes = uvc_test::CameraDescriptors();
        return UvcXuChannel(io, io.OpenCaptureNode("/dev/video0"), "/dev/video0",
                            UvcDescriptors::Parse(bytes.data(), bytes.size()));
    }

    int Send(uint32_t nSelector, uint32_t nFlags, std::vector<uint8_t> payload,
             UvcXuChannel* pChannel = nullptr, const std::vector<uint8_t>& guid = uvc_test::CAMERA_GUID)
    {
        std::vector<uint8_t> request = MakeRequest(guid, nSelector, nFlags);
        return (pChannel ? *pChannel : m_channel)
            .Request(request.data(), request.size(), payload.data(), payload.size());
    }

    LogCapture m_log;
    FakeV4l2Io m_io;
    UvcXuChannel m_channel = Bind(m_io);
};

} // namespace

TEST_F(UvcXuChannelTest, FirstRequestChecksTheUnitsSelectorsOnceAndReportsMismatches)
{
    const struct
    {
        int nSelector;
        FakeV4l2Io::XuControl control; // as the camera declares it; length 0: no such control
        const char* pszReport;         // after "extension unit 3 "; null: nothing reported
        int nRequestResult;            // of a SET of that selector (payload as camera access sends it)
    } cases[] = {
        {1, {2, UVC_CONTROL_CAP_SET}, nullptr, 0}, // an address is only written
        {1,
         {4, 3},
         "selector 1 answers length 4 and info 0x03 (GET and SET); the camera is sent 2 bytes and needs SET "
         "only",
         -ENOBUFS},
        {2,
         {1, UVC_CONTROL_CAP_GET},
         "selector 2 answers length 1 and info 0x01 (GET only); "
         "the camera is sent 1 byte and needs GET and SET",
         -EBADRQC},
        {3,
         {1, 0},
         "selector 3 answers length 1 and info 0x00 (neither GET nor SET); "
         "the camera is sent 1 byte and needs SET only",
         -EBADRQC},
        {4, {0, 0}, "selector 4 GET_LEN: No such file or directory", -ENOENT},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.nSelector);
        FakeV4l2Io io;
        if (c.control.nLength == 0)
            io.m_xuControls.erase({3, c.nSelector});
        else
            io.m_xuControls[{3, c.nSelector}] = c.control;
        UvcXuChannel channel = Bind(io);
        EXPECT_EQ(Send(c.nSelector, SET, {0, 0}, &channel), c.nRequestResult);
        // Every selector is checked, once: a second request reports nothing more.
        EXPECT_EQ(Send(2, SET, {0}, &channel), c.nSelector == 2 ? -EBADRQC : 0);
        EXPECT_EQ(m_log.Take(),
                  c.pszReport ? Strings{"tarnwick: /dev/video0: extension unit 3 " + std::string(c.pszReport)}
                              : Strings{});
    }
}

TEST_F(UvcXuChannelTest, RequestsCarryTheirPayloadToTheCameraUnitAndAnotherOpenCannotSlipIntoAPair)
{
    UvcXuChannel other = Bind(m_io);
    ASSERT_EQ(Send(1, SET, {0x30, 0x00}), 0); // this open's pair is under way
    // The other open waits for the lock, then gives up its whole pair: the data is not sent.
    EXPECT_EQ(Send(3, SET, {0x90}, &other), -EWOULDBLOCK);
    EXPECT_EQ(Send(4, GET, {0}, &other), -EWOULDBLOCK);
    EXPECT_EQ(m_log.Take(),
              Strings{"tarnwick: /dev/video0: register access lock (another program is using the "
                      "camera): Resource temporarily unavailable"});
    ASSERT_EQ(Send(2, SET, {0xFF, 0x01}), 0); // only the first byte belongs to a data SET
    EXPECT_EQ(Send(3, SET, {0x90}, &other), 0);
    m_io.m_nGetAnswer = 0x5C;
    EXPECT_EQ(Send(4, GET, {0}, &other), 0);
    EXPECT_EQ(Send(2, GET, {0}), 0); // data alone: no pair to lock

    // Unit, selector, query, payload and lock of each request, in order.
    std::vector<std::tuple<int, int, int, std::vector<uint8_t>, bool>> sent;
    for (const FakeV4l2Io::XuQuery& q : m_io.XuQueries())
        if (q.nQuery == UVC_SET_CUR || q.nQuery == UVC_GET_CUR)
            sent.emplace_back(q.nUnit, q.nSelector, q.nQuery, q.payload, q.bLocked);
    EXPECT_EQ(sent, (decltype(sent){{3, 1, UVC_SET_CUR, {0x30, 0x00}, true},
                                    {3, 2, UVC_SET_CUR, {0xFF}, true},
                                    {3, 3, UVC_SET_CUR, {0x90}, true},
                                    {3, 4, UVC_GET_CUR, {0x5C}, true},
                                    {3, 2, UVC_GET_CUR, {0x5C}, false}}));

    // An address the driver refuses gives the lock back: nothing waits on a pair that never comes.
    m_io.m_failures[UVCIOC_CTRL_QUERY] = {EPIPE};
    EXPECT_EQ(Send(1, SET, {0x30, 0x00}), -EPIPE);
    m_io.m_failures.clear();
    EXPECT_EQ(Send(1, SET, {0x30, 0x00}, &other), 0);
    EXPECT_EQ(Send(2, SET, {0x01}, &other), 0);
}

TEST_F(UvcXuChannelTest, MalformedOrForeignRequestsFailWithoutReachingTheDevice)
{
    // Another unit's GUID, other flags, no such selector, a register address of one byte.
    EXPECT_EQ(Send(2, SET, {0x01}, nullptr, std::vector<uint8_t>(16, 0x11)), -ENOENT);
    for (const auto& [nSelector, nFlags, payload] :
         std::vector<std::tuple<uint32_t, uint32_t, std::vector<uint8_t>>>{
             {2, 0x10000004, {1}}, {2, 2, {1}}, {0, GET, {1}}, {5, GET, {1}}, {1, SET, {0x2A}}})
        EXPECT_EQ(Send(nSelector, nFlags, payload), -EINVAL) << nSelector << " " << nFlags;
    std::vector<uint8_t> payload = {0x01, 0x00};
    std::vector<uint8_t> request = MakeRequest(uvc_test::CAMERA_GUID, 2, SET);
    EXPECT_EQ(m_channel.Request(request.data(), 31, payload.data(), payload.size()), -EINVAL);
    EXPECT_EQ(m_channel.Request(request.data(), request.size(), nullptr, 0), -EINVAL);
    EXPECT_TRUE(m_io.Requests().empty());
    EXPECT_LT(UvcXuChannel().Request(request.data(), request.size(), payload.data(), payload.size()), 0);
}
