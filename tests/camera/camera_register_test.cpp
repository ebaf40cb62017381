// Register and information requests over the extension unit: the requests sent, in order, and
// the results, also when requests fail or the index names no camera.

#include "sim_camera_fixture.h"

#include <functional>

namespace
{
using Strings = std::vector<std::string>;

class CameraRegisterTest : public SimCameraTest
{
  protected:
    void SetUp() override { InstallAndInit("color", 1); }
};

TEST_F(CameraRegisterTest, EachOperationSendsItsRequestsAndGivesItsResultAlsoWhenTheyFail)
{
    using Op = std::function<int(CameraDevice&, int)>; // on the camera index given
    const Op factoryDefault = [](CameraDevice& c, int n)
    {
        c.XuSet(n, XU_SEL_INFO_ADDR, INFO_COMMAND);
        return c.XuSet(n, XU_SEL_INFO_DATA, CMD_FACTORY_DEFAULT);
    };
    const Op write16 = [](CameraDevice& c, int n) { return c.WriteRegister16(n, REG_LINE_PERIOD, 1388); };
    const Op write8 = [](CameraDevice& c, int n) { return c.WriteRegister8(n, REG_GAIN_MODE, 2); };
    const Op read8 = [](CameraDevice& c, int n) { return c.ReadRegister8(n, REG_MANUAL_SHUTTER); };
    const Op read16 = [](CameraDevice& c, int n) { return c.ReadRegister16(n, REG_MANUAL_SHUTTER); };
    const Op readInfo = [](CameraDevice& c, int n) { return c.ReadInfo(n, INFO_COLOR); };
    const Op dataByte = [](CameraDevice& c, int n) { return c.XuGet(n, XU_SEL_INFO_DATA); };
    const Op present = [](CameraDevice& c, int n) { return c.CheckCamera(n, 3); };
    const Op idle = [](CameraDevice& c, int n) { return c.CheckCamera(n, 7); };
    const struct
    {
        Op op;
        int nResult;
        Strings log;
        int nFailFrom;        // every property request from this one on fails ...
        int nFailedResult;    // ... and the operation then gives this
        bool bDirect = false; // a bare request: a bad index fails it without a check of its own
    } cases[] = {
        {factoryDefault, CAMERA_OK, {"SET3 0D", "SET4 01"}, 2, CAMERA_ERR_FAILED, true},
        // Writes report success whatever happens to their requests.
        {write16, CAMERA_OK, {"SET1 30 00", "SET2 6C", "SET1 31 00", "SET2 05"}, 1, CAMERA_OK},
        {write8, CAMERA_OK, {"SET1 00 00", "SET2 02"}, 1, CAMERA_OK},
        {read8, 0xC0, {"SET1 24 00", "GET2 C0"}, 2, CAMERA_ERR_FAILED},
        // A failed byte counts as 0xFF.
        {read16, 960, {"SET1 24 00", "GET2 C0", "SET1 25 00", "GET2 03"}, 2, 0xFFFF},
        {readInfo, 1, {"SET3 02", "GET4 01"}, 2, CAMERA_ERR_FAILED},
        // The information address is still the colour byte's.
        {dataByte, 1, {"GET4 01"}, 1, CAMERA_ERR_FAILED, true},
        {present, CAMERA_OK, {}, 1, CAMERA_OK},
        // An unreadable busy byte counts as busy.
        {idle, CAMERA_OK, {"SET3 01", "GET4 00"}, 2, CAMERA_ERR_BUSY},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        ClearLogs();
        EXPECT_EQ(c.op(m_camera, 0), c.nResult);
        EXPECT_EQ(Log(0), c.log);
        CaptureFaults::Instance().FailFrom(CaptureStep::PROPERTY, c.nFailFrom);
        EXPECT_EQ(c.op(m_camera, 0), c.nFailedResult);
        CaptureFaults::Instance().Clear();

        // Outside the table or without a camera nothing is sent.
        EXPECT_EQ(c.op(m_camera, 16), c.bDirect ? CAMERA_ERR_FAILED : CAMERA_ERR_BAD_INDEX);
        EXPECT_EQ(c.op(m_camera, -1), c.bDirect ? CAMERA_ERR_FAILED : CAMERA_ERR_BAD_INDEX);
        EXPECT_EQ(c.op(m_camera, 1), c.bDirect ? CAMERA_ERR_FAILED : CAMERA_ERR_NOT_PRESENT);
        EXPECT_EQ(CaptureFaults::Instance().Calls(CaptureStep::TOPOLOGY), 0);
    }
}

TEST_F(CameraRegisterTest, ABusyOrMissingCameraIsNotIdle)
{
    Sim(0).SetInfo(INFO_BUSY, 1);
    EXPECT_EQ(m_camera.CheckCamera(0, CAMERA_CHECK_IDLE), CAMERA_ERR_BUSY);
    Sim(0).SetInfo(INFO_BUSY, 0);
    // The address request's failure alone is not looked at.
    CaptureFaults::Instance().FailCall(CaptureStep::PROPERTY, 1);
    EXPECT_EQ(m_camera.CheckCamera(0, CAMERA_CHECK_IDLE), CAMERA_OK);
    // The idle test alone reports a missing camera as busy, and asks it nothing.
    EXPECT_EQ(m_camera.CheckCamera(16, CAMERA_CHECK_IDLE), CAMERA_ERR_BUSY);
    EXPECT_EQ(m_camera.CheckCamera(1, CAMERA_CHECK_IDLE), CAMERA_ERR_BUSY);
    EXPECT_EQ(Log(0), (Strings{"SET3 01", "GET4 01", "GET4 00"}));
}

TEST_F(CameraRegisterTest, FailureWhileReachingTheUnitEndsTheRequestAndHoldsNothing)
{
    const long nBaseline = m_camera.m_pCapture[0].use_count();
    for (CaptureStep step : {CaptureStep::TOPOLOGY, CaptureStep::NODE, CaptureStep::CONTROL})
    {
        SCOPED_TRACE(static_cast<int>(step));
        CaptureFaults::Instance().FailCall(step);
        EXPECT_EQ(m_camera.XuGet(0, XU_SEL_INFO_DATA), CAMERA_ERR_FAILED);
        EXPECT_EQ(m_camera.m_pCapture[0].use_count(), nBaseline);
        EXPECT_EQ(Log(0), Strings{});
    }
    // A request sent afterwards goes through again.
    EXPECT_EQ(m_camera.XuGet(0, XU_SEL_INFO_DATA), 0);
}
} // namespace
