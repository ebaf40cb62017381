#include "page_test_support.h"
#include "resources/page_resource.h"
#include "resources/page_templates.h"

#include <gtest/gtest.h>

TEST(PageFrameTest, PagesAreHiddenChildrenWithTheirControlsInsideAndStatesFromTheMembers)
{
    FakeMainDialog host;
    ASSERT_TRUE(host.Create(nullptr));
    TabGUIGain gain;
    TabGUIPartial otherPartial; // with the other start values
    TabGUIRec otherRec;
    TabGUIShutter& shutter = host.m_shutter;
    TabGUIPartial& partial = host.m_partial;
    TabGUIRec& rec = host.m_rec;
    partial.m_nResolution = RES_LINE_SCAN_FAST;
    partial.m_nInputMode = INPUT_MODE_FPS;
    rec.m_nRecControl = 1;
    rec.m_nStopSec = 70000 + 65536; // only the low 16 bits count, then the range
    rec.m_nImageFormat = IMAGE_FORMAT_JPEG;
    const std::pair<TabPage*, const DialogTemplate*> pages[] = {{&gain, &TabGUIGainTemplate()},
                                                                {&shutter, &TabGUIShutterTemplate()},
                                                                {&partial, &TabGUIPartialTemplate()},
                                                                {&rec, &TabGUIRecTemplate()},
                                                                {&otherPartial, &TabGUIPartialTemplate()},
                                                                {&otherRec, &TabGUIRecTemplate()}};
    for (const auto& [pPage, pTemplate] : pages)
    {
        ASSERT_TRUE(pPage->Create(&host));
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

    EXPECT_EQ(shutter.m_comboShutter.GetCount(), 16);
    EXPECT_EQ(shutter.m_comboShutter.GetCurSel(), -1); // until the start-up chain shows the camera's
    EXPECT_EQ(partial.GetRadioIndex(IDC_RADIO_FULL_SIZE), RES_LINE_SCAN_FAST);
    // FPS input: the rate is typed, the environment entries are off and the key hint shows; a
    // recording by time with its seconds, and the JPEG quality.
    EXPECT_EQ((std::vector<bool>{partial.m_editFps.IsReadOnly(), partial.m_editSize.IsWindowEnabled(),
                                 partial.m_btnGetFromDrawArea.IsWindowEnabled(),
                                 partial.m_staticKeyHint.IsWindowVisible(),
                                 rec.m_btnRecStop.IsWindowEnabled(), rec.m_editHour.IsWindowEnabled(),
                                 rec.m_editSec.IsWindowEnabled(), rec.m_editQuality.IsWindowEnabled()}),
              (std::vector<bool>{false, false, false, true, false, false, true, true}));
    EXPECT_EQ(rec.m_editSec.GetWindowText(), "59");

    // The other start values give the opposite states.
    EXPECT_EQ((std::vector<bool>{
                  otherPartial.m_editFps.IsReadOnly(), otherPartial.m_staticKeyHint.IsWindowVisible(),
                  otherRec.m_editSec.IsWindowEnabled(), otherRec.m_spinQuality.IsWindowEnabled()}),
              (std::vector<bool>{true, false, false, false}));
}
