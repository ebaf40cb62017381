#include "platform/capture/capture_faults.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
std::vector<bool> Calls(int n, CaptureStep step)
{
    std::vector<bool> v;
    for (int i = 0; i < n; ++i)
        v.push_back(CaptureFaults::Instance().ShouldFail(step));
    return v;
}

TEST(CaptureFaultsTest, PlannedCallsFailCountedFromNow)
{
    auto& faults = CaptureFaults::Instance();
    faults.Clear();
    faults.ShouldFail(CaptureStep::BIND);
    faults.FailCall(CaptureStep::BIND, 2);
    faults.FailCall(CaptureStep::BIND, 4);
    EXPECT_EQ(Calls(5, CaptureStep::BIND), (std::vector<bool>{false, true, false, true, false}));
    EXPECT_EQ(Calls(1, CaptureStep::NODE), (std::vector<bool>{false}));
    EXPECT_EQ(faults.Calls(CaptureStep::BIND), 6);

    faults.FailFrom(CaptureStep::NODE, 2);
    EXPECT_EQ(Calls(4, CaptureStep::NODE), (std::vector<bool>{false, true, true, true}));
    faults.Clear();
    EXPECT_EQ(faults.Calls(CaptureStep::NODE), 0);
    EXPECT_EQ(Calls(2, CaptureStep::NODE), (std::vector<bool>{false, false}));
    faults.Clear();
}
} // namespace
