// The TARNWICK_SIM_CAMERAS syntax and the devices it makes.

#include "platform/capture/capture_source.h"
#include "platform/capture/sim/sim_camera.h"
#include "platform/capture/sim/sim_capture_system.h"

#include <gtest/gtest.h>

namespace
{
std::string Serial(SimCamera& camera)
{
    std::string s;
    for (int i = 0; i < 8; ++i)
        s += static_cast<char>(camera.Info(0x90 + i));
    return s;
}

// What the camera code reads of each device (identity, busy flag, mode) is checked through it; here
// the list itself: order, spaces, repeats with serials of their own.
TEST(SimCaptureSystemTest, SpecListsDevicesInOrderWithTheirOptions)
{
    std::string strError;
    auto pSim = SimCaptureSystem::FromSpec(" other , mono:mode=3,2*colour", &strError);
    EXPECT_EQ(strError, "");
    ASSERT_EQ(pSim->DeviceCount(), 4u);
    EXPECT_TRUE(!pSim->Camera(1)->IsColor() && pSim->Camera(1)->FrameHeight() == 4);
    EXPECT_TRUE(pSim->Camera(2)->IsColor() && pSim->Camera(3)->IsColor());
    EXPECT_NE(Serial(*pSim->Camera(2)), Serial(*pSim->Camera(3)));
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
