#include "page_test_support.h"
#include "resources/page_resource.h"
#include "resources/page_templates.h"

#include <gtest/gtest.h>

#include <QTest>

namespace
{
struct PageCase
{
    const char* pName;
    TabPage* pPage;
    const DialogTemplate* pTemplate;
};

class PageFrameTest : public ::testing::Test
{
  protected:
    std::vector<PageCase> Pages()
    {
        return {{"gain", &m_gain, &TabGUIGainTemplate()},
                {"shutter", &m_shutter, &TabGUIShutterTemplate()},
                {"partial", &m_partial, &TabGUIPartialTemplate()},
                {"rec", &m_rec, &TabGUIRecTemplate()}};
    }

    PageHost m_host;
    TabGUIGain m_gain;
    TabGUIShutter m_shutter;
    TabGUIPartial m_partial;
    TabGUIRec m_rec;
};

struct RangeCase
{
    const char* pName;
    const UpDown& spin;
    const ScrollBar* pScroll; // null: an up-down without a scroll bar
    int nLower, nUpper;
};
} // namespace

TEST_F(PageFrameTest, EachPageIsAHiddenChildWithEveryControlOfItsTemplateInsideThePage)
{
    for (const PageCase& c : Pages())
    {
        SCOPED_TRACE(c.pName);
        EXPECT_EQ(c.pTemplate->cx, 233);
        EXPECT_EQ(c.pTemplate->cy, 312);
        ASSERT_TRUE(c.pPage->Create(&m_host.m_main));
        EXPECT_FALSE(c.pPage->IsWindowVisible()); // the tab control shows it
        const ControlTemplate* pPrevious = nullptr;
        for (const ControlTemplate& ct : c.pTemplate->controls)
        {
            SCOPED_TRACE(ct.nId);
            if (ct.nId > 0)
            {
                EXPECT_TRUE(c.pPage->HasControl(ct.nId));
            }
            EXPECT_LE(ct.x + ct.cx, 233);
            if (ct.kind != ControlKind::DropDownList) // its height includes the dropped list
            {
                EXPECT_LE(ct.y + ct.cy, 312);
            }
            if (ct.kind == ControlKind::UpDown) // its buddy is the edit before it
            {
                ASSERT_TRUE(pPrevious != nullptr && pPrevious->kind == ControlKind::Edit);
            }
            pPrevious = &ct;
        }
    }
}

TEST_F(PageFrameTest, InitialisationSetsRangesListsAndTextsFromTheMembers)
{
    m_partial.m_nResolution = RES_LINE_SCAN_FAST;
    m_partial.m_nInputMode = INPUT_MODE_FPS;
    m_rec.m_nRecControl = 1;
    m_rec.m_nStopSec = 70000 + 65536; // only the low 16 bits count, then the range
    m_rec.m_nImageFormat = IMAGE_FORMAT_JPEG;
    for (const PageCase& c : Pages())
        ASSERT_TRUE(m_host.Add(*c.pPage));

    const RangeCase ranges[] = {
        {"manual gain", m_gain.m_spinManualGain, &m_gain.m_scrollManualGain, 0, GAIN_MAX},
        {"red", m_gain.m_spinGainR, &m_gain.m_scrollGainR, 0, GAIN_MAX},
        {"blue", m_gain.m_spinGainB, &m_gain.m_scrollGainB, 0, GAIN_MAX},
        {"green", m_gain.m_spinGainG, &m_gain.m_scrollGainG, 0, GAIN_MAX},
        {"shutter", m_shutter.m_spinShutter, &m_shutter.m_scrollShutter, 960, 984},
        {"line position", m_partial.m_spinLinePos, &m_partial.m_scrollLinePos, 0, 958},
        {"hour", m_rec.m_spinHour, nullptr, 0, 99},
        {"minute", m_rec.m_spinMin, nullptr, 0, 59},
        {"second", m_rec.m_spinSec, nullptr, 0, 59},
        {"quality", m_rec.m_spinQuality, nullptr, 0, 100},
    };
    for (const RangeCase& c : ranges)
    {
        SCOPED_TRACE(c.pName);
        int nLower = -1, nUpper = -1;
        c.spin.GetRange32(&nLower, &nUpper);
        EXPECT_EQ(nLower, c.nLower);
        EXPECT_EQ(nUpper, c.nUpper);
        if (c.pScroll != nullptr)
        {
            c.pScroll->GetScrollRange(&nLower, &nUpper);
            EXPECT_EQ(nLower, c.nLower);
            EXPECT_EQ(nUpper, c.nUpper);
        }
    }

    EXPECT_EQ(m_gain.GetRadioIndex(IDC_RADIO_GAIN_0DB), 0);
    EXPECT_EQ(m_gain.m_comboMetering.GetCount(), 2);
    EXPECT_EQ(m_gain.m_comboMetering.GetCurSel(), 0);

    EXPECT_EQ(m_shutter.m_comboShutter.GetCount(), 16);
    EXPECT_EQ(m_shutter.m_comboShutter.GetLBText(15), " Data : 0F : Manual");
    EXPECT_EQ(m_shutter.m_comboShutter.GetCurSel(), -1); // until the start-up chain shows the camera's

    EXPECT_EQ(m_partial.GetRadioIndex(IDC_RADIO_FULL_SIZE), RES_LINE_SCAN_FAST);
    // FPS input: the rate is typed, the environment entries are off and the key hint shows.
    EXPECT_FALSE(m_partial.m_editFps.IsReadOnly());
    EXPECT_FALSE(m_partial.m_editSize.IsWindowEnabled());
    EXPECT_FALSE(m_partial.m_btnGetFromDrawArea.IsWindowEnabled());
    EXPECT_TRUE(m_partial.m_staticKeyHint.IsWindowVisible());

    EXPECT_FALSE(m_rec.m_btnRecStop.IsWindowEnabled());
    EXPECT_FALSE(m_rec.m_editHour.IsWindowEnabled());
    EXPECT_TRUE(m_rec.m_editSec.IsWindowEnabled());
    EXPECT_EQ(m_rec.m_editSec.GetWindowText(), "59");
    EXPECT_EQ(m_rec.m_editFolder.GetWindowText(), "Same location as the EXE file");
    EXPECT_TRUE(m_rec.m_editQuality.IsWindowEnabled());
}

TEST_F(PageFrameTest, OtherStartValuesGiveTheOppositeStates)
{
    m_rec.m_strFolder = "/data/scans";
    for (TabPage* pPage : {static_cast<TabPage*>(&m_partial), static_cast<TabPage*>(&m_rec)})
        ASSERT_TRUE(m_host.Add(*pPage));
    EXPECT_TRUE(m_partial.m_editFps.IsReadOnly());
    EXPECT_FALSE(m_partial.m_staticKeyHint.IsWindowVisible());
    EXPECT_FALSE(m_rec.m_editSec.IsWindowEnabled());
    EXPECT_EQ(m_rec.m_editFolder.GetWindowText(), "/data/scans");
    EXPECT_FALSE(m_rec.m_spinQuality.IsWindowEnabled());
}

namespace
{
// The Rec page with its three big buttons recording their clicks.
class RecordingRecPage : public TabGUIRec
{
  public:
    RecordingRecPage()
    {
        MapClicked(IDC_REC_START, [this] { m_clicks.push_back("start"); });
        MapClicked(IDC_REC_SAVE, [this] { m_clicks.push_back("save"); });
        MapClicked(IDC_REC_STOP, [this] { m_clicks.push_back("stop"); });
    }
    std::vector<std::string> m_clicks;
};
} // namespace

TEST_F(PageFrameTest, HotKeysPassToTheMainDialogOnceEachAndEnterOrEscCloseNothing)
{
    RecordingRecPage rec;
    ASSERT_TRUE(m_host.Add(m_gain));
    ASSERT_TRUE(m_host.Add(rec));
    const std::vector<unsigned> passed = {VK_RETURN, VK_ESCAPE,    'R',           'S',
                                          'T',       VK_OEM_COMMA, VK_OEM_PERIOD, 'A'};
    const Qt::Key keys[] = {Qt::Key_Return, Qt::Key_Escape, Qt::Key_R,      Qt::Key_S,
                            Qt::Key_T,      Qt::Key_Comma,  Qt::Key_Period, Qt::Key_A};

    // The Gain page acts on none of them: each goes on to the main dialog, and Enter and Esc press
    // nothing on the page and close nothing.
    m_host.m_main.m_filtered.clear();
    for (Qt::Key key : keys)
        QTest::keyClick(ControlWidget(m_gain, IDC_ONE_PUSH_WB), key);
    EXPECT_EQ(KeyDowns(m_host.m_main), passed);
    EXPECT_TRUE(m_gain.IsWindowVisible());

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
    EXPECT_TRUE(rec.IsWindowVisible());
    EXPECT_TRUE(m_host.m_main.m_log.empty()); // no OnOK or OnCancel of the main dialog
}
