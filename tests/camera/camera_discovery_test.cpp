// Discovery: which devices become cameras, in which order, with which identity, and what a
// failure at each step leaves behind.

#include "sim_camera_fixture.h"

#include "platform/capture/capture_source.h"

#include <cstring>

namespace
{
using CameraDiscoveryTest = SimCameraTest;

std::string Model(const CameraInfo& info)
{
    return std::string(info.szModel, strnlen(info.szModel, 16));
}

std::string Serial(const CameraInfo& info)
{
    return std::string(info.szSerial, strnlen(info.szSerial, 8));
}

TEST_F(CameraDiscoveryTest, CamerasTakeIndexesInEnumerationOrder)
{
    Install("other,color:serial=C0000001,mono:model=TW-LS1284M:serial=M0000002:pid=6e52:busy=1");
    ASSERT_EQ(m_camera.Init(), 2);
    EXPECT_EQ(m_camera.m_nOpened, -1);

    const CameraInfo& color = m_camera.m_info[0];
    const CameraInfo& mono = m_camera.m_info[1];
    EXPECT_TRUE(color.bPresent == 1 && color.bColor == 1 && color.nBusy == 0 && color.nInfo3 == 0x10);
    EXPECT_TRUE(mono.bPresent == 1 && mono.bColor == 0 && mono.nBusy == 1);
    EXPECT_EQ(Model(color) + "/" + Serial(color), "TW-LS1284C/C0000001");
    EXPECT_EQ(Model(mono) + "/" + Serial(mono), "TW-LS1284M/M0000002");
    EXPECT_EQ(m_camera.m_info[2].bPresent, 0);
    EXPECT_TRUE(m_camera.m_pCapture[0] && m_camera.m_pCapture[1] && !m_camera.m_pCapture[2]);
    // 54 information bytes per camera, an address and a data request each.
    EXPECT_EQ(Sim(1).RequestLog().size(), 108u);
    EXPECT_EQ(Sim(0).RequestLog().size(), 0u);
}

TEST_F(CameraDiscoveryTest, OnlyTheFirstSixteenDevicesAreExamined)
{
    Install("16*other,color");
    EXPECT_EQ(m_camera.Init(), 0);
    Install("15*other,color");
    EXPECT_EQ(m_camera.Init(), 1);
    EXPECT_EQ(m_camera.m_info[0].bPresent, 1);
}

TEST_F(CameraDiscoveryTest, NamesMatchOnlyInTheirExactForm)
{
    const std::string strTail = "&mi_00#6&1a2b3c4d&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
    const struct
    {
        std::string strName;
        bool bMatch;
    } cases[] = {
        {"@device:pnp:\\\\?\\usb#vid_04b4&pid_6e51" + strTail, true},
        {"@device:pnp:\\\\?\\usb#vid_04b4&pid_6e52" + strTail, true},
        {"@device:pnp:\\\\?\\usb#VID_04B4&PID_6E51" + strTail, false},
        {"@device:sw:\\\\?\\usb#vid_04b4&pid_6e51" + strTail, false},
        {"\\\\?\\usb#vid_04b4&pid_6e51" + strTail, false},
        {"@device:pnp:\\\\?\\usb#vid_04b4&pid_6e53" + strTail, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.strName);
        SimCameraConfig config;
        config.strDisplayName = c.strName;
        Install(std::vector<SimCameraConfig>{config});
        EXPECT_EQ(m_camera.Init(), c.bMatch ? 1 : 0);
        EXPECT_EQ(Sim(0).RequestLog().empty(), !c.bMatch);
    }
}

TEST_F(CameraDiscoveryTest, FailedIdentityReadsLeave255)
{
    Install("color:serial=S1234567");
    // Per camera: six single bytes (12 requests), then the model name; fail each model GET.
    for (int i = 0; i < 16; ++i)
        CaptureFaults::Instance().FailCall(CaptureStep::PROPERTY, 12 + 2 * i + 2);
    ASSERT_EQ(m_camera.Init(), 1);
    for (char c : m_camera.m_info[0].szModel)
        EXPECT_EQ(static_cast<unsigned char>(c), 255);
    EXPECT_EQ(Serial(m_camera.m_info[0]), "S1234567");

    // Every request failing: still counted, every field 255.
    CaptureFaults::Instance().FailFrom(CaptureStep::TOPOLOGY);
    ASSERT_EQ(m_camera.Init(), 1);
    EXPECT_EQ(m_camera.m_info[0].bPresent, 1);
    EXPECT_EQ(m_camera.m_info[0].nBusy, 255);
    EXPECT_EQ(m_camera.m_info[0].bColor, 255);
    EXPECT_EQ(static_cast<unsigned char>(m_camera.m_info[0].szSerial[7]), 255);
    EXPECT_EQ(m_camera.m_info[0].abExtra2[15], 255);
}

TEST_F(CameraDiscoveryTest, EachFailingStepGivesItsResult)
{
    struct Case
    {
        CaptureStep step;
        int nNth;
        int nResult;
        int nRecorded; // cameras recorded before the failure
    } cases[] = {
        {CaptureStep::STARTUP, 1, CAMERA_ERR_COM_INIT, 0},
        {CaptureStep::DEVICE_ENUMERATOR, 1, CAMERA_ERR_NO_DEVICE, 0},
        {CaptureStep::VIDEO_INPUT_ENUMERATOR, 1, CAMERA_ERR_NO_DEVICE, 0},
        {CaptureStep::DISPLAY_NAME, 2, CAMERA_ERR_FAILED, 1},
        {CaptureStep::BIND, 1, 1, 1}, // the first camera is skipped; the second takes index 0
        // A failed request for the next device gets none; the later requests still find both.
        {CaptureStep::NEXT_DEVICE, 1, 2, 2},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(static_cast<int>(c.step));
        Install("color:serial=FIRST,mono:serial=SECOND");
        CaptureFaults::Instance().FailCall(c.step, c.nNth);
        EXPECT_EQ(m_camera.Init(), c.nResult);
        for (int i = 0; i < CAMERA_MAX; ++i)
            EXPECT_EQ(m_camera.m_info[i].bPresent, i < c.nRecorded ? 1 : 0);
        if (c.step == CaptureStep::BIND)
        {
            EXPECT_EQ(Serial(m_camera.m_info[0]), "SECOND");
        }
        if (c.step == CaptureStep::DISPLAY_NAME)
        {
            EXPECT_EQ(Serial(m_camera.m_info[0]), "FIRST");
        }
        m_camera.Close();
        EXPECT_EQ(m_pSim->ActiveStartups(), 0);
    }

    Install("");
    EXPECT_EQ(m_camera.Init(), CAMERA_ERR_NO_DEVICE);
}

TEST_F(CameraDiscoveryTest, SecondInitReleasesWhatTheFirstHeld)
{
    Install("color,color");
    ASSERT_EQ(m_camera.Init(), 2);
    std::weak_ptr<CaptureSource> first = m_camera.m_pCapture[1];
    m_camera.m_info[1].nMode = 3;

    CaptureFaults::Instance().FailCall(CaptureStep::BIND, 2);
    ASSERT_EQ(m_camera.Init(), 1);
    EXPECT_TRUE(first.expired());
    EXPECT_EQ(m_camera.m_info[1].bPresent, 0);
    EXPECT_EQ(m_camera.m_info[1].nMode, 0);
    EXPECT_FALSE(m_camera.m_pCapture[1]);
    EXPECT_EQ(m_pSim->ActiveStartups(), 1);

    EXPECT_EQ(m_camera.Close(), CAMERA_OK);
    EXPECT_EQ(m_camera.Close(), CAMERA_OK);
    EXPECT_EQ(m_pSim->ActiveStartups(), 0);
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
