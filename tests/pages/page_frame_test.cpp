#include "page_test_support.h"
#include "resources/page_resource.h"
#include "resources/page_templates.h"

#include <gtest/gtest.h>

#include <QTest>

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

// The Rec page with its three big buttons recording their clicks.
class RecordingRecPage : public TabGUIRec
{
  public:
    RecordingRecPage()
    {
        for (auto [nId, pszName] :
             {std::pair{IDC_REC_START, "start"}, {IDC_REC_SAVE, "save"}, {IDC_REC_STOP, "stop"}})
            MapClicked(nId, [this, pszName] { m_clicks.push_back(pszName); });
    }
    std::vector<std::string> m_clicks;
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

TEST_F(PageFrameTest, HotKeysPassToTheMainDialogOnceEachAndEnterOrEscCloseNothing)
{
    RecordingRecPage rec;
    ASSERT_TRUE(m_host.Add(m_gain));
    ASSERT_TRUE(m_host.Add(rec));
    const Qt::Key keys[] = {Qt::Key_Return, Qt::Key_Escape, Qt::Key_R,      Qt::Key_S,
                            Qt::Key_T,      Qt::Key_Comma,  Qt::Key_Period, Qt::Key_A};

    // The Gain page acts on none of them: each goes on to the main dialog, and Enter and Esc press
    // nothing on the page and close nothing.
    for (Qt::Key key : keys)
        QTest::keyClick(ControlWidget(m_gain, IDC_ONE_PUSH_WB), key);
    EXPECT_EQ(KeyDowns(m_host.m_main),
              (std::vector<unsigned>{VK_RETURN, VK_ESCAPE, 'R', 'S', 'T', VK_OEM_COMMA, VK_OEM_PERIOD, 'A'}));

    // The Rec page turns R, S and T into its commands, handled later as clicks, and keeps them from
    // the main dialog so that each press acts once.
    m_host.m_main.m_filtered.clear();
    for (Qt::Key key : keys)
        QTest::keyClick(ControlWidget(rec, IDC_EDIT_FOLDER), key);
    EXPECT_TRUE(rec.m_clicks.empty());
    UiApplication::PumpEvents();
    EXPECT_EQ(rec.m_clicks, (std::vector<std::string>{"start", "save", "stop"}));
    EXPECT_EQ(KeyDowns(m_host.m_main),
              (std::vector<unsigned>{VK_RETURN, VK_ESCAPE, VK_OEM_COMMA, VK_OEM_PERIOD, 'A'}));
    EXPECT_TRUE(m_gain.IsWindowVisible() && rec.IsWindowVisible());
    EXPECT_TRUE(m_host.m_main.m_log.empty()); // no OnOK or OnCancel of the main dialog
}
