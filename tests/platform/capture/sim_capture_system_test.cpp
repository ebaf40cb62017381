// The TARNWICK_SIM_CAMERAS syntax and the devices it makes.

#include "platform/capture/capture_source.h"
#include "platform/capture/sim/sim_camera.h"
#include "platform/capture/sim/sim_capture_system.h"

#include <gtest/gtest.h>

namespace
{
std::string Name(SimCamera& camera)
{
    std::string s;
    camera.GetDisplayName(s);
    return s;
}

std::string InfoText(SimCamera& camera, int nAddr, int nLength)
{
    std::string s;
    for (int i = 0; i < nLength; ++i)
        s += static_cast<char>(camera.Info(nAddr + i));
    return s;
}

TEST(SimCaptureSystemTest, SpecListsDevicesInOrderWithTheirOptions)
{
    std::string strError;
    auto pSim = SimCaptureSystem::FromSpec(
        " other , color, mono:model=TW-LS1284M:serial=A1234567:pid=6e52:busy=1:mode=3,2*colour", &strError);
    EXPECT_EQ(strError, "");
    ASSERT_EQ(pSim->DeviceCount(), 5u);

    EXPECT_EQ(Name(*pSim->Camera(0)).find("vid_04b4"), std::string::npos);
    EXPECT_EQ(Name(*pSim->Camera(1)), "@device:pnp:\\\\?\\usb#vid_04b4&pid_6e51&mi_00#6&1a2b3c4d&0&0001#"
                                      "{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global");
    SimCamera& mono = *pSim->Camera(2);
    EXPECT_NE(Name(mono).find("vid_04b4&pid_6e52"), std::string::npos);
    EXPECT_TRUE(!mono.IsColor() && mono.Info(1) == 1 && mono.Info(2) == 0 && mono.Info(7) == 3);
    EXPECT_EQ(mono.FrameHeight(), 4);
    EXPECT_EQ(InfoText(mono, 0x80, 16), std::string("TW-LS1284M\0\0\0\0\0\0", 16));
    EXPECT_EQ(InfoText(mono, 0x90, 8), "A1234567");
    EXPECT_TRUE(pSim->Camera(3)->IsColor() && pSim->Camera(3)->Info(2) == 1);
    EXPECT_NE(InfoText(*pSim->Camera(3), 0x90, 8), InfoText(*pSim->Camera(4), 0x90, 8));

    std::vector<std::shared_ptr<VideoInputDevice>> devices;
    EXPECT_TRUE(pSim->ListVideoInputs(devices));
    EXPECT_EQ(devices.size(), 5u);
}

TEST(SimCaptureSystemTest, UnreadableItemsAreLeftOutAndNamed)
{
    const struct
    {
        const char* pszSpec;
        size_t nDevices;
        const char* pszError; // empty: none
    } cases[] = {
        {"", 0, ""},
        {"16*other,color", 17, ""},
        {"63*other,color", 64, ""},
        {"64*other,color,mono", 64,
         "\"color\" left out: the list holds at most 64 devices in all; \"mono\" left out"},
        {"camera", 0, "kind must be color, mono or other"},
        {"color:busy", 0, "option \"busy\" has no value"},
        {"color:mode=x,mono", 1, "\"color:mode=x\" left out: \"mode\" must be 0 to 3"},
        {"color:mode=4", 0, "\"mode\" must be 0 to 3"},
        {"color:busy=256", 0, "\"busy\" must be 0 to 255"},
        {"color:serial=123456789", 0, "\"serial\" is 9 bytes long; the camera holds 8 bytes"},
        // Lengths count bytes, as the camera does: three characters of three bytes each.
        {"color:serial=\u30AB\u30E1\u30E9", 0, "\"serial\" is 9 bytes long"},
        {"color:model=\u30AB\u30E1\u30E9", 1, ""},
        {"color:pid=zz", 0, "\"pid\" must be a hex number up to ffff"},
        {"color:rate=200000,mono:rate=0", 2, ""},
        {"color:rate=10000001", 0, "\"rate\" must be 0 to 10000000 lines a second"},
        {"0*color", 0, "repeat count must be 1 to 64"},
        {"65*color", 0, "repeat count must be 1 to 64"},
        {"color:colour=1", 0, "unknown option \"colour\""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszSpec);
        std::string strError;
        auto pSim = SimCaptureSystem::FromSpec(c.pszSpec, &strError);
        EXPECT_EQ(pSim->DeviceCount(), c.nDevices);
        if (*c.pszError == '\0')
            EXPECT_EQ(strError, "");
        else
            EXPECT_NE(strError.find(c.pszError), std::string::npos) << strError;
    }
}
} // namespace
