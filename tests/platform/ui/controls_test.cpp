#include "platform/ui/button.h"
#include "platform/ui/combo_box.h"
#include "platform/ui/data_exchange.h"
#include "platform/ui/edit_box.h"
#include "platform/ui/progress_bar.h"
#include "platform/ui/scroll_bar.h"
#include "platform/ui/tab_control.h"
#include "platform/ui/up_down.h"
#include "test_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <thread>
#include <tuple>

namespace
{
enum
{
    ID_EDIT = 201,
    ID_SPIN = 202,
    ID_RADIO_A = 301,
    ID_RADIO_B = 302,
    ID_RADIO_C = 303,
    ID_RADIO_X = 311,
    ID_CHECK = 401,
    ID_BAR = 501,
    ID_TAB = 601,
    ID_PROGRESS = 701,
    ID_COMBO = 801,
};

// A page with one of each control, bound the way the program's pages bind theirs.
class ControlsPage : public RecordingDialog
{
  public:
    ControlsPage()
        : RecordingDialog(MakeTemplate(
              233, 200, DLG_VISIBLE | DLG_CAPTION,
              {ControlTemplate{ID_EDIT, ControlKind::Edit, "", 5, 5, 50, 14,
                               CTL_TABSTOP | CTL_READONLY | CTL_NUMBER | CTL_RIGHT},
               ControlTemplate{ID_SPIN, ControlKind::UpDown, "", 55, 5, 10, 14, 0},
               ControlTemplate{ID_RADIO_A, ControlKind::RadioButton, "A", 5, 25, 40, 10,
                               CTL_GROUP | CTL_TABSTOP},
               ControlTemplate{ID_RADIO_B, ControlKind::RadioButton, "B", 50, 25, 40, 10, 0},
               ControlTemplate{ID_RADIO_C, ControlKind::RadioButton, "C", 95, 25, 40, 10, 0},
               ControlTemplate{ID_RADIO_X, ControlKind::RadioButton, "X", 5, 40, 40, 10,
                               CTL_GROUP | CTL_TABSTOP},
               ControlTemplate{ID_CHECK, ControlKind::CheckBox, "カーソル", 5, 55, 60, 10,
                               CTL_GROUP | CTL_TABSTOP},
               ControlTemplate{ID_BAR, ControlKind::HScrollBar, "", 5, 70, 150, 11, 0},
               ControlTemplate{ID_TAB, ControlKind::Tab, "", 5, 85, 200, 40, 0},
               ControlTemplate{ID_PROGRESS, ControlKind::Progress, "", 5, 130, 200, 14, CTL_SMOOTH},
               ControlTemplate{ID_COMBO, ControlKind::DropDownList, "", 5, 150, 90, 54, CTL_TABSTOP}}))
    {
        MapDeltaPos(ID_SPIN,
                    [this](UpDownNotify* p, int* pResult)
                    {
                        m_deltas.push_back(*p);
                        *pResult = m_bVeto ? 1 : 0;
                    });
        MapClicked(ID_RADIO_B, [this] { m_log.push_back("radio B"); });
        MapClicked(ID_CHECK, [this] { m_log.push_back("check"); });
        MapTabSelChange(ID_TAB, [this] { m_log.push_back("tab " + std::to_string(m_tab.GetCurSel())); });
        MapSelChange(ID_COMBO, [this] { m_log.push_back("combo " + std::to_string(m_combo.GetCurSel())); });
    }

    void DoDataExchange(DataExchange& dx) override
    {
        dx.Radio(ID_RADIO_A, m_nChoice);
        dx.BindControl(ID_EDIT, m_edit);
        dx.BindControl(ID_SPIN, m_spin);
        dx.BindControl(ID_CHECK, m_check);
        dx.BindControl(ID_BAR, m_bar);
        dx.BindControl(ID_TAB, m_tab);
        dx.BindControl(ID_PROGRESS, m_progress);
        dx.BindControl(ID_COMBO, m_combo);
    }

    int m_nChoice = -1;
    bool m_bVeto = false;
    std::vector<UpDownNotify> m_deltas;
    EditBox m_edit;
    UpDown m_spin;
    Button m_check;
    ScrollBar m_bar;
    TabControl m_tab;
    ProgressBar m_progress;
    ComboBox m_combo;
};

class ControlsTest : public ::testing::Test
{
  protected:
    ControlsTest() { m_page.Create(nullptr); }
    std::string Buddy() const { return m_page.m_edit.GetWindowText(); }
    ControlsPage m_page;
};
} // namespace

TEST_F(ControlsTest, UpDownStepsByArrowsAndKeysHonoursTheVetoAndKeeps16BitNumbers16BitAndItsBuddyTakesDigits)
{
    m_page.m_spin.SetRange32(0, 958);
    m_page.m_spin.SetPos32(500);
    EXPECT_EQ(Buddy(), "500");

    QToolButton* pUp = nullptr;
    QToolButton* pDown = nullptr;
    for (QToolButton* p : ControlWidget(m_page, ID_SPIN)->findChildren<QToolButton*>())
        (p->property("twUp").toBool() ? pUp : pDown) = p;
    ASSERT_TRUE(pUp != nullptr && pDown != nullptr);
    QTest::mouseClick(pUp, Qt::LeftButton);
    QTest::mouseClick(pDown, Qt::LeftButton);
    ASSERT_EQ(m_page.m_deltas.size(), 2u);
    EXPECT_EQ(
        (std::vector<int>{m_page.m_deltas[0].iPos, m_page.m_deltas[0].iDelta, m_page.m_deltas[1].iDelta}),
        (std::vector<int>{500, 1, -1}));
    EXPECT_EQ(Buddy(), "500");

    // A refused step changes nothing.
    m_page.m_bVeto = true;
    m_page.m_spin.Step(true);
    EXPECT_EQ(Buddy(), "500");
    m_page.m_bVeto = false;

    // The arrow keys in the buddy step it.
    m_page.m_spin.SetPos32(10);
    QTest::keyClick(ControlWidget(m_page, ID_EDIT), Qt::Key_Down);
    EXPECT_EQ(Buddy(), "9");

    // 16-bit ranges and positions are 16-bit numbers; 32-bit ones are not cut.
    m_page.m_spin.SetRange(960, 984);
    m_page.m_spin.SetPos(0x10000 + 970);
    EXPECT_EQ(m_page.m_spin.GetPos(), 970);
    m_page.m_spin.SetRange32(0, 100000);
    m_page.m_spin.SetPos32(70000);
    EXPECT_EQ(Buddy(), "70000");
    // Typed into the buddy: digits only, up to its limit; the program may show any text.
    m_page.m_edit.SetReadOnly(false);
    m_page.m_edit.SetLimitText(2);
    m_page.m_edit.SetWindowText("");
    QTest::keyClicks(ControlWidget(m_page, ID_EDIT), "4a56");
    EXPECT_EQ(Buddy(), "45");
    m_page.m_edit.SetWindowText("abc");
    bool bError = false;
    EXPECT_EQ(m_page.m_spin.GetPos32(&bError), 70000);
    EXPECT_TRUE(bError);
}

TEST_F(ControlsTest, ScrollBarControlReportsEachGestureWithItsIdThenTheEnd)
{
    m_page.m_bar.SetScrollRange(0, 958, false);
    m_page.m_bar.SetScrollPos(2000, true); // a control has no page: its last position is its maximum
    EXPECT_EQ(m_page.m_bar.GetScrollPos(), 958);
    int nMin = -1, nMax = -1;
    std::thread([&] { m_page.m_bar.GetScrollRange(&nMin, &nMax); }).join();
    EXPECT_EQ(nMax, 958);

    auto* pBar = static_cast<QScrollBar*>(ControlWidget(m_page, ID_BAR));
    UiApplication::PumpEvents(10);
    const int y = pBar->height() / 2, w = pBar->width();
    // Press and release: a drag when they differ.
    for (const auto& [xPress, xRelease, expected] : std::vector<std::tuple<int, int, std::vector<int>>>{
             {w - 3, w - 3, {SB_LINERIGHT, SB_ENDSCROLL}},
             {w * 3 / 4, w * 3 / 4, {SB_PAGERIGHT, SB_ENDSCROLL}},
             {w / 2, w / 2 + 20, {SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL}}})
    {
        m_page.m_bar.SetScrollPos(479, true); // the thumb in the middle
        m_page.m_scroll.clear();
        QTest::mousePress(pBar, Qt::LeftButton, Qt::NoModifier, QPoint(xPress, y));
        if (xRelease != xPress)
            QTest::mouseMove(pBar, QPoint(xRelease, y));
        QTest::mouseRelease(pBar, Qt::LeftButton, Qt::NoModifier, QPoint(xRelease, y));
        UiApplication::PumpEvents(10);
        std::vector<int> codes = m_page.ScrollCodes();
        codes.erase(std::unique(codes.begin(), codes.end()), codes.end()); // tracking repeats
        EXPECT_EQ(codes, expected) << xPress;
        for (const auto& call : m_page.m_scroll)
            EXPECT_EQ(call.nBar, ID_BAR);
        EXPECT_EQ(m_page.m_bar.GetScrollPos(), 479); // the handler here moves nothing
    }
    // The thumb's codes carry where it was dragged to.
    EXPECT_GT(m_page.m_scroll.at(m_page.m_scroll.size() - 2).nPos, 479);
}

TEST_F(ControlsTest, ProgressFromAnotherThreadCoalescesToTheLatestPosition)
{
    m_page.m_progress.SetRange(0, 200000);
    const int nBefore = m_page.m_progress.AppliedCount();
    std::thread(
        [&]
        {
            for (int i = 1; i <= 100000; ++i)
                m_page.m_progress.PostPos(i);
        })
        .join();
    UiApplication::PumpEvents(20);
    EXPECT_EQ(m_page.m_progress.GetPos(), 100000);
    EXPECT_LE(m_page.m_progress.AppliedCount() - nBefore, 3);

    m_page.m_progress.SetPos(999999);
    EXPECT_EQ(m_page.m_progress.GetPos(), 200000); // bounded by the range
}

// Radio groups, check box, tab and drop-down list: what the user chooses is notified, what the
// program sets is not, and the choice can be read from any thread.
TEST_F(ControlsTest, ChoicesByTheUserAreNotifiedAndByTheProgramAreNot)
{
    // A radio group exchanges its index, -1 for none; the next group is its own.
    m_page.m_log.clear();
    m_page.UpdateData(true);
    EXPECT_EQ(m_page.m_nChoice, -1);
    m_page.m_nChoice = 2;
    m_page.UpdateData(false);
    EXPECT_EQ(m_page.GetRadioIndex(ID_RADIO_X), -1);
    QTest::mouseClick(ControlWidget(m_page, ID_RADIO_B), Qt::LeftButton, Qt::NoModifier, QPoint(6, 6));
    m_page.UpdateData(true);
    EXPECT_EQ(m_page.m_nChoice, 1);
    m_page.SetRadioIndex(ID_RADIO_X, 0);
    m_page.SetRadioIndex(ID_RADIO_A, -1);
    EXPECT_EQ(std::pair(m_page.GetRadioIndex(ID_RADIO_A), m_page.GetRadioIndex(ID_RADIO_X)),
              std::pair(-1, 0));

    QTest::mouseClick(ControlWidget(m_page, ID_CHECK), Qt::LeftButton);
    m_page.m_check.SetCheck(0);
    for (const char* pName : {"Gain", "Shutter", "Resolution / FPS", "Video REC"})
        m_page.m_tab.InsertItem(m_page.m_tab.GetItemCount(), pName);
    m_page.m_tab.SetCurSel(3);
    QTabBar* pBar = static_cast<QTabWidget*>(ControlWidget(m_page, ID_TAB))->tabBar();
    QTest::mouseClick(pBar, Qt::LeftButton, Qt::NoModifier, pBar->tabRect(1).center());
    for (const char* pText : {"BMP (簡易Bayer変換)", "BMP (モノクロRAWデータ)", "JPG (簡易Bayer変換)"})
        m_page.m_combo.InsertString(-1, pText);
    EXPECT_EQ(m_page.m_combo.GetCurSel(), -1); // nothing selected until told
    EXPECT_EQ(m_page.m_combo.SetCurSel(7), -1);
    auto* pCombo = static_cast<QComboBox*>(ControlWidget(m_page, ID_COMBO));
    pCombo->setCurrentIndex(2);
    emit pCombo->activated(2); // what a choice from the list does
    EXPECT_EQ(m_page.m_log, (std::vector<std::string>{"radio B", "check", "tab 1", "combo 2"}));

    std::pair<int, int> checkAndTab;
    std::thread([&] { checkAndTab = {m_page.m_check.GetCheck(), m_page.m_tab.GetCurSel()}; }).join();
    EXPECT_EQ(checkAndTab, std::pair(0, 1));
}
