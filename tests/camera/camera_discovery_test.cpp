// Discovery: which devices become cameras, in which order, with which identity, and what a
// failure at each step leaves behind.

#include "sim_camera_fixture.h"

#include "platform/capture/capture_source.h"

#include <cstring>

namespace
{
using CameraDiscoveryTest = SimCameraTest;

std::string Serial(const CameraInfo& info)
{
    return std::string(info.szSerial, strnlen(info.szSerial, 8));
}

std::string Identity(const CameraInfo& info)
{
    return std::string(info.szModel, strnlen(info.szModel, 16)) + "/" + Serial(info);
}

TEST_F(CameraDiscoveryTest, SupportedNamesTakeIndexesInEnumerationOrderWithTheirIdentityOr255)
{
    Install("other,color:serial=C0000001,mono:model=TW-LS1284M:serial=M0000002:pid=6e52:busy=1");
    ASSERT_EQ(m_camera.Init(), 2);
    EXPECT_EQ(m_camera.m_nOpened, -1);
    const CameraInfo& color = m_camera.m_info[0];
    const CameraInfo& mono = m_camera.m_info[1];
    EXPECT_TRUE(color.bPresent == 1 && color.bColor == 1 && color.nBusy == 0 && color.nInfo3 == 0x10);
    EXPECT_TRUE(mono.bPresent == 1 && mono.bColor == 0 && mono.nBusy == 1);
    EXPECT_EQ(Identity(color), "TW-LS1284C/C0000001");
    EXPECT_EQ(Identity(mono), "TW-LS1284M/M0000002");
    EXPECT_EQ(m_camera.m_info[2].bPresent, 0);
    EXPECT_TRUE(m_camera.m_pCapture[0] && m_camera.m_pCapture[1] && !m_camera.m_pCapture[2]);
    // 54 information bytes per camera, an address and a data request each.
    EXPECT_EQ(Sim(1).RequestLog().size(), 108u);
    EXPECT_EQ(Sim(0).RequestLog().size(), 0u);

    // Only the first sixteen devices are examined.
    Install("16*other,color");
    EXPECT_EQ(m_camera.Init(), 0);
    Install("15*other,color");
    EXPECT_EQ(m_camera.Init(), 1);

    // Names match only in their exact form: the two supported names first, then near misses.
    const char* const NAMES[] = {"@device:pnp:\\\\?\\usb#vid_04b4&pid_6e51",
                                 "@device:pnp:\\\\?\\usb#vid_04b4&pid_6e52",
                                 "@device:pnp:\\\\?\\usb#VID_04B4&PID_6E51",
                                 "@device:sw:\\\\?\\usb#vid_04b4&pid_6e51",
                                 "\\\\?\\usb#vid_04b4&pid_6e51",
                                 "@device:pnp:\\\\?\\usb#vid_04b4&pid_6e53",
                                 "@device:pnp:\\\\?\\usb#vid_04b5&pid_6e51"};
    std::vector<SimCameraConfig> configs(std::size(NAMES));
    for (size_t i = 0; i < configs.size(); ++i)
        configs[i].strDisplayName =
            NAMES[i] + std::string("&mi_00#6&1a2b3c4d&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global");
    Use(std::make_shared<SimCaptureSystem>(configs));
    EXPECT_EQ(m_camera.Init(), 2);
    for (size_t i = 0; i < configs.size(); ++i)
        EXPECT_EQ(Sim(i).RequestLog().size(), i < 2 ? 108u : 0u) << NAMES[i];

    // Identity bytes that cannot be read are left 255.
    Install("color:serial=S1234567");
    CaptureFaults::Instance().FailFrom(CaptureStep::TOPOLOGY);
    ASSERT_EQ(m_camera.Init(), 1); // still counted
    const CameraInfo& info = m_camera.m_info[0];
    EXPECT_TRUE(info.bPresent == 1 && info.nBusy == 255 && info.bColor == 255 && info.abExtra2[15] == 255);
    EXPECT_EQ(Identity(info), std::string(16, '\xFF') + "/" + std::string(8, '\xFF'));
}

// Each Init after the first lets go of what the one before held and starts its records afresh.
TEST_F(CameraDiscoveryTest, EachFailingStepGivesItsResultAndInitAgainStartsAfresh)
{
    const struct
    {
        CaptureStep step;
        int nNth;
        int nResult;
        int nRecorded; // cameras recorded before the failure
        const char* pszFirst;
    } cases[] = {
        {CaptureStep::STARTUP, 1, CAMERA_ERR_COM_INIT, 0, ""},
        {CaptureStep::DEVICE_ENUMERATOR, 1, CAMERA_ERR_NO_DEVICE, 0, ""},
        {CaptureStep::VIDEO_INPUT_ENUMERATOR, 1, CAMERA_ERR_NO_DEVICE, 0, ""},
        {CaptureStep::DISPLAY_NAME, 2, CAMERA_ERR_FAILED, 1, "FIRST"},
        {CaptureStep::BIND, 1, 1, 1, "SECOND"}, // the first camera is skipped
        // A failed request for the next device gets none; the later requests still find both.
        {CaptureStep::NEXT_DEVICE, 1, 2, 2, "FIRST"},
        {CaptureStep::BIND, 2, 1, 1, "FIRST"},
    };
    Install("color:serial=FIRST,mono:serial=SECOND");
    std::weak_ptr<CaptureSource> held[2];
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.step) << " " << c.nNth);
        m_camera.m_info[1].nMode = 3;
        CaptureFaults::Instance().FailCall(c.step, c.nNth);
        EXPECT_EQ(m_camera.Init(), c.nResult);
        for (const auto& p : held)
            EXPECT_TRUE(p.expired());
        for (int i = 0; i < CAMERA_MAX; ++i)
        {
            EXPECT_EQ(m_camera.m_info[i].bPresent, i < c.nRecorded ? 1 : 0);
            EXPECT_EQ(!m_camera.m_pCapture[i], i >= c.nRecorded);
        }
        EXPECT_EQ(m_camera.m_info[1].nMode, 0);
        EXPECT_EQ(Serial(m_camera.m_info[0]), c.pszFirst);
        EXPECT_EQ(m_pSim->ActiveStartups(), c.nResult == CAMERA_ERR_COM_INIT ? 0 : 1);
        held[0] = m_camera.m_pCapture[0];
        held[1] = m_camera.m_pCapture[1];
    }
    EXPECT_EQ(m_camera.Close(), CAMERA_OK);
    EXPECT_EQ(m_camera.Close(), CAMERA_OK);
    EXPECT_EQ(m_pSim->ActiveStartups(), 0);

    Install("");
    EXPECT_EQ(m_camera.Init(), CAMERA_ERR_NO_DEVICE);
}

TEST_F(CameraDiscoveryTest, FindIdleCameraTakesTheFirstIdleOne)
{
    InstallAndInit("color:busy=1,color,color", 3);
    EXPECT_EQ(m_camera.FindIdleCamera(), 1);
    // An unreadable busy byte counts as busy.
    CaptureFaults::Instance().FailCall(CaptureStep::PROPERTY, 4); // camera 1's busy GET
    EXPECT_EQ(m_camera.FindIdleCamera(), 2);
    Sim(1).SetInfo(INFO_BUSY, 1);
    Sim(2).SetInfo(INFO_BUSY, 1);
    EXPECT_EQ(m_camera.FindIdleCamera(), -1);

    InstallAndInit("other", 0);
    EXPECT_EQ(m_camera.FindIdleCamera(), -1);
    EXPECT_EQ(CaptureFaults::Instance().Calls(CaptureStep::TOPOLOGY), 0);
}
} // namespace
