#include "page_test_support.h"
#include "resources/page_resource.h"
#include "resources/page_templates.h"

#include <gtest/gtest.h>

namespace
{
class PageFrameTest : public ::testing::Test
{
  protected:
    PageHost m_host;
    TabGUIGain m_gain;
    TabGUIShutter m_shutter;
    TabGUIPartial m_partial;
    TabGUIRec m_rec;
};

} // namespace

TEST_F(PageFrameTest, PagesAreHiddenChildrenWithTheirControlsInsideAndStatesFromTheMembers)
{
    m_partial.m_nResolution = RES_LINE_SCAN_FAST;
    m_partial.m_nInputMode = INPUT_MODE_FPS;
    m_rec.m_nRecControl = 1;
    m_rec.m_nStopSec = 70000 + 65536; // only the low 16 bits count, then the range
    m_rec.m_nImageFormat = IMAGE_FORMAT_JPEG;
    const std::pair<TabPage*, const DialogTemplate*> pages[] = {{&m_gain, &TabGUIGainTemplate()},
                                                                {&m_shutter, &TabGUIShutterTemplate()},
                                                                {&m_partial, &TabGUIPartialTemplate()},
                                                                {&m_rec, &TabGUIRecTemplate()}};
    for (const auto& [pPage, pTemplate] : pages)
    {
        ASSERT_TRUE(pPage->Create(&m_host.m_main));
        EXPECT_FALSE(pPage->IsWindowVisible()); // the tab control shows it
        for (const ControlTemplate& ct : pTemplate->controls)
        {
            EXPECT_TRUE(ct.nId <= 0 || pPage->HasControl(ct.nId)) << ct.nId;
            // A drop-down list's height includes the dropped list.
            EXPECT_TRUE(ct.x + ct.cx <= 233 && (ct.kind == ControlKind::DropDownList || ct.y + ct.cy <= 312))
                << ct.nId;
        }
        pPage->ShowWindow(ShowState::Show);
    }

    EXPECT_EQ(m_shutter.m_comboShutter.GetCount(), 16);
    EXPECT_EQ(m_shutter.m_comboShutter.GetCurSel(), -1); // until the start-up chain shows the camera's
    EXPECT_EQ(m_partial.GetRadioIndex(IDC_RADIO_FULL_SIZE), RES_LINE_SCAN_FAST);
    // FPS input: the rate is typed, the environment entries are off and the key hint shows; a
    // recording by time with its seconds, and the JPEG quality.
    EXPECT_EQ((std::vector<bool>{m_partial.m_editFps.IsReadOnly(), m_partial.m_editSize.IsWindowEnabled(),
                                 m_partial.m_btnGetFromDrawArea.IsWindowEnabled(),
                                 m_partial.m_staticKeyHint.IsWindowVisible(),
                                 m_rec.m_btnRecStop.IsWindowEnabled(), m_rec.m_editHour.IsWindowEnabled(),
                                 m_rec.m_editSec.IsWindowEnabled(), m_rec.m_editQuality.IsWindowEnabled()}),
              (std::vector<bool>{false, false, false, true, false, false, true, true}));
    EXPECT_EQ(m_rec.m_editSec.GetWindowText(), "59");

    // The other start values give the opposite states.
    TabGUIPartial partial;
    TabGUIRec rec;
    ASSERT_TRUE(m_host.Add(partial) && m_host.Add(rec));
    EXPECT_EQ((std::vector<bool>{partial.m_editFps.IsReadOnly(), partial.m_staticKeyHint.IsWindowVisible(),
                                 rec.m_editSec.IsWindowEnabled(), rec.m_spinQuality.IsWindowEnabled()}),
              (std::vector<bool>{true, false, false, false}));
}
