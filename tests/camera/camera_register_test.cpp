// Register and information requests over the extension unit: the requests sent, in order, and
// the results, also when requests fail.

#include "sim_camera_fixture.h"

#include "platform/capture/capture_source.h"

#include <functional>

namespace
{
using Strings = std::vector<std::string>;

class CameraRegisterTest : public SimCameraTest
{
protected:
    void SetUp() override { InstallAndInit("color", 1); }
};

struct RequestCase
{
    const char* pszName;
    std::function<int(CameraDevice&)> op;
    int nResult;
    Strings log;
};

TEST_F(CameraRegisterTest, OperationsSendTheirRequestsInOrder)
{
    const RequestCase cases[] = {
        {"factory-default command", [](CameraDevice& c) {
             c.XuSet(0, XU_SEL_INFO_ADDR, INFO_COMMAND);
             return c.XuSet(0, XU_SEL_INFO_DATA, CMD_FACTORY_DEFAULT);
         }, CAMERA_OK, {"SET3 0D", "SET4 01"}},
        {"write16 line period", [](CameraDevice& c) { return c.WriteRegister16(0, REG_LINE_PERIOD, 1388); },
         CAMERA_OK, {"SET1 30 00", "SET2 6C", "SET1 31 00", "SET2 05"}},
        {"write8 gain mode", [](CameraDevice& c) { return c.WriteRegister8(0, REG_GAIN_MODE, 2); }, CAMERA_OK,
         {"SET1 00 00", "SET2 02"}},
        {"read8 of the manual shutter low byte", [](CameraDevice& c) { return c.ReadRegister8(0, REG_MANUAL_SHUTTER); },
         0xC0, {"SET1 24 00", "GET2 C0"}},
        {"read16 manual shutter", [](CameraDevice& c) { return c.ReadRegister16(0, REG_MANUAL_SHUTTER); }, 960,
         {"SET1 24 00", "GET2 C0", "SET1 25 00", "GET2 03"}},
        {"read info colour", [](CameraDevice& c) { return c.ReadInfo(0, INFO_COLOR); }, 1, {"SET3 02", "GET4 01"}},
        {"address of register 0x2A", [](CameraDevice& c) { return c.XuSet(0, XU_SEL_REG_ADDR, 0x2A); }, CAMERA_OK,
         {"SET1 2A 00"}},
        {"data byte keeps the low 8 bits", [](CameraDevice& c) { return c.XuSet(0, XU_SEL_REG_DATA, 0x1FF); },
         CAMERA_OK, {"SET2 FF"}},
    };
    for (const RequestCase& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        ClearLogs();
        EXPECT_EQ(c.op(m_camera), c.nResult);
        EXPECT_EQ(Log(0), c.log);
    }
    // The written line period reached the camera's register file.
    EXPECT_EQ(Sim(0).Register(0x30), 0x6C);
    EXPECT_EQ(Sim(0).Register(0x31), 0x05);
    EXPECT_EQ(Sim(0).Register(REG_GAIN_MODE), 2);
    EXPECT_EQ(Sim(0).Register(REG_MANUAL_SHUTTER), 960 & 0xFF); // the factory default came first
}

TEST_F(CameraRegisterTest, FailedRequestsGiveTheDocumentedResults)
{
    Sim(0).SetRegister(0x40, 0x34);
    Sim(0).SetRegister(0x41, 0x12);
    auto& faults = CaptureFaults::Instance();

    faults.FailCall(CaptureStep::PROPERTY, 4); // the high byte's GET
    EXPECT_EQ(m_camera.ReadRegister16(0, REG_LINE_POSITION), 0xFF34);
    faults.FailCall(CaptureStep::PROPERTY, 2);
    faults.FailCall(CaptureStep::PROPERTY, 4);
    EXPECT_EQ(m_camera.ReadRegister16(0, REG_LINE_POSITION), 0xFFFF);

    // The address request succeeds, the data request fails.
    faults.FailCall(CaptureStep::PROPERTY, 2);
    EXPECT_EQ(m_camera.ReadRegister8(0, REG_LINE_POSITION), CAMERA_ERR_FAILED);
    faults.FailCall(CaptureStep::PROPERTY, 2);
    EXPECT_EQ(m_camera.ReadInfo(0, INFO_COLOR), CAMERA_ERR_FAILED);
    faults.FailCall(CaptureStep::PROPERTY, 1);
    EXPECT_EQ(m_camera.XuGet(0, XU_SEL_REG_DATA), CAMERA_ERR_FAILED);
    faults.FailCall(CaptureStep::PROPERTY, 1);
    EXPECT_EQ(m_camera.XuSet(0, XU_SEL_REG_DATA, 1), CAMERA_ERR_FAILED);

    // Writes report success whatever happens to their requests.
    faults.FailFrom(CaptureStep::PROPERTY);
    ClearLogs();
    EXPECT_EQ(m_camera.WriteRegister16(0, REG_LINE_PERIOD, 1388), CAMERA_OK);
    EXPECT_EQ(m_camera.WriteRegister8(0, REG_GAIN_MODE, 1), CAMERA_OK);
    EXPECT_EQ(Log(0), Strings{});
    EXPECT_EQ(Sim(0).Register(0x30), SimCamera::DEFAULT_LINE_PERIOD & 0xFF);
}

TEST_F(CameraRegisterTest, FailureWhileReachingTheUnitEndsTheRequestAndHoldsNothing)
{
    const long nBaseline = m_camera.m_pCapture[0].use_count();
    for (CaptureStep step : {CaptureStep::TOPOLOGY, CaptureStep::NODE, CaptureStep::CONTROL, CaptureStep::PROPERTY})
    {
        SCOPED_TRACE(static_cast<int>(step));
        CaptureFaults::Instance().FailCall(step);
        EXPECT_EQ(m_camera.XuGet(0, XU_SEL_INFO_DATA), CAMERA_ERR_FAILED);
        EXPECT_EQ(m_camera.m_pCapture[0].use_count(), nBaseline);
        EXPECT_EQ(Log(0), Strings{});
    }
    // A request sent afterwards goes through again.
    EXPECT_EQ(m_camera.XuGet(0, XU_SEL_INFO_DATA), 0);
    EXPECT_EQ(m_camera.m_pCapture[0].use_count(), nBaseline);
}

TEST_F(CameraRegisterTest, BadIndexOrMissingCameraSendsNothing)
{
    const std::function<int(CameraDevice&, int)> ops[] = {
        [](CameraDevice& c, int n) { return c.ReadInfo(n, INFO_BUSY); },
        [](CameraDevice& c, int n) { return c.WriteRegister8(n, REG_GAIN_MODE, 1); },
        [](CameraDevice& c, int n) { return c.ReadRegister8(n, REG_GAIN_MODE); },
        [](CameraDevice& c, int n) { return c.WriteRegister16(n, REG_LINE_PERIOD, 1388); },
        [](CameraDevice& c, int n) { return c.ReadRegister16(n, REG_LINE_PERIOD); },
        [](CameraDevice& c, int n) { return c.CheckCamera(n, 7); },
    };
    const int nTopologyCalls = CaptureFaults::Instance().Calls(CaptureStep::TOPOLOGY);
    for (size_t i = 0; i < std::size(ops); ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(ops[i](m_camera, 16), CAMERA_ERR_BAD_INDEX);
        EXPECT_EQ(ops[i](m_camera, -1), CAMERA_ERR_BAD_INDEX);
        EXPECT_EQ(ops[i](m_camera, 1), CAMERA_ERR_NOT_PRESENT);
    }
    // The idle test alone reports a missing camera as busy.
    EXPECT_EQ(m_camera.CheckCamera(16, CAMERA_CHECK_IDLE), CAMERA_ERR_BUSY);
    EXPECT_EQ(m_camera.CheckCamera(1, CAMERA_CHECK_IDLE), CAMERA_ERR_BUSY);
    EXPECT_EQ(Log(0), Strings{});
    EXPECT_EQ(CaptureFaults::Instance().Calls(CaptureStep::TOPOLOGY), nTopologyCalls);
    // Direct requests to an index outside the table or without a source fail without sending.
    EXPECT_EQ(m_camera.XuGet(16, XU_SEL_INFO_DATA), CAMERA_ERR_FAILED);
    EXPECT_EQ(m_camera.XuSet(1, XU_SEL_INFO_ADDR, 1), CAMERA_ERR_FAILED);
}

TEST_F(CameraRegisterTest, CheckCameraReadsTheBusyByteOnlyForTheIdleTest)
{
    EXPECT_EQ(m_camera.CheckCamera(0, 3), CAMERA_OK);
    EXPECT_EQ(Log(0), Strings{});
    EXPECT_EQ(m_camera.CheckCamera(0, 7), CAMERA_OK);
    EXPECT_EQ(Log(0), (Strings{"SET3 01", "GET4 00"}));

    Sim(0).SetInfo(INFO_BUSY, 1);
    EXPECT_EQ(m_camera.CheckCamera(0, 7), CAMERA_ERR_BUSY);
    Sim(0).SetInfo(INFO_BUSY, 0);
    CaptureFaults::Instance().FailCall(CaptureStep::PROPERTY, 2);
    EXPECT_EQ(m_camera.CheckCamera(0, 7), CAMERA_ERR_BUSY);
    // The address request's failure alone is not looked at.
    CaptureFaults::Instance().FailCall(CaptureStep::PROPERTY, 1);
    EXPECT_EQ(m_camera.CheckCamera(0, 7), CAMERA_OK);
}
} // namespace
