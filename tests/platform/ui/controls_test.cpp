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
constexpr int ID_EDIT = 201, ID_SPIN = 202, ID_RADIO_A = 301, ID_RADIO_B = 302, ID_RADIO_C = 303,
              ID_RADIO_X = 311, ID_CHECK = 401, ID_BAR = 501, ID_TAB = 601, ID_PROGRESS = 701, ID_COMBO = 801;

// A page with one of each control, bound the way the program's pages bind theirs.
class ControlsPage : public RecordingDialog
{
  public:
    ControlsPage()
        : RecordingDialog(MakeTemplate(
              233, 200, DLG_VISIBLE | DLG_CAPTION,
              {{ID_EDIT, ControlKind::Edit, "", 5, 5, 50, 14,
                CTL_TABSTOP | CTL_READONLY | CTL_NUMBER | CTL_RIGHT},
               {ID_SPIN, ControlKind::UpDown, "", 55, 5, 10, 14, 0},
               {ID_RADIO_A, ControlKind::RadioButton, "A", 5, 25, 40, 10, CTL_GROUP | CTL_TABSTOP},
               {ID_RADIO_B, ControlKind::RadioButton, "B", 50, 25, 40, 10, 0},
               {ID_RADIO_C, ControlKind::RadioButton, "C", 95, 25, 40, 10, 0},
               {ID_RADIO_X, ControlKind::RadioButton, "X", 5, 40, 40, 10, CTL_GROUP | CTL_TABSTOP},
               {ID_CHECK, ControlKind::CheckBox, "カーソル", 5, 55, 60, 10, CTL_GROUP | CTL_TABSTOP},
               {ID_BAR, ControlKind::HScrollBar, "", 5, 70, 150, 11, 0},
               {ID_TAB, ControlKind::Tab, "", 5, 85, 200, 40, 0},
               {ID_PROGRESS, ControlKind::Progress, "", 5, 130, 200, 14, CTL_SMOOTH},
               {ID_COMBO, ControlKind::DropDownList, "", 5, 150, 90, 54, CTL_TABSTOP}}))
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
        Create(nullptr);
    }
    std::string Buddy() const { return m_edit.GetWindowText(); }
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
} // namespace

TEST(ControlsTest, UpDownStepsByArrowsAndKeysHonoursTheVetoAndKeeps16BitNumbers16BitAndItsBuddyTakesDigits)
{
    ControlsPage page;
    page.m_spin.SetRange32(0, 958);
    page.m_spin.SetPos32(500);
    QToolButton* pArrows[2] = {}; // down, up
    for (QToolButton* p : ControlWidget(page, ID_SPIN)->findChildren<QToolButton*>())
        pArrows[p->property("twUp").toBool()] = p;
    ASSERT_TRUE(pArrows[0] != nullptr && pArrows[1] != nullptr);
    QTest::mouseClick(pArrows[1], Qt::LeftButton);
    QTest::mouseClick(pArrows[0], Qt::LeftButton);
    ASSERT_EQ(page.m_deltas.size(), 2u);
    EXPECT_EQ(
        (std::tuple{page.m_deltas[0].iPos, page.m_deltas[0].iDelta, page.m_deltas[1].iDelta, page.Buddy()}),
        (std::tuple{500, 1, -1, std::string("500")}));
    // A refused step changes nothing; the arrow keys in the buddy step it.
    page.m_bVeto = true;
    page.m_spin.Step(true);
    page.m_bVeto = false;
    const std::string strVetoed = page.Buddy();
    page.m_spin.SetPos32(10);
    QTest::keyClick(ControlWidget(page, ID_EDIT), Qt::Key_Down);
    EXPECT_EQ(strVetoed + " " + page.Buddy(), "500 9");
    // 16-bit positions are 16-bit numbers; 32-bit ones are not cut.
    page.m_spin.SetRange(960, 984);
    page.m_spin.SetPos(0x10000 + 970);
    const int nPos16 = page.m_spin.GetPos();
    page.m_spin.SetRange32(0, 100000);
    page.m_spin.SetPos32(70000);
    EXPECT_EQ(std::pair(nPos16, page.Buddy()), std::pair(970, std::string("70000")));
    // Typed into the buddy: digits only, up to its limit; the program may show any text, and the
    // position is then the last one, with an error.
    page.m_edit.SetReadOnly(false);
    page.m_edit.SetLimitText(2);
    page.m_edit.SetWindowText("");
    QTest::keyClicks(ControlWidget(page, ID_EDIT), "4a56");
    const std::string strTyped = page.Buddy();
    page.m_edit.SetWindowText("abc");
    bool bError = false;
    EXPECT_EQ(std::tuple(strTyped, page.m_spin.GetPos32(&bError), bError), std::tuple("45", 70000, true));
}

TEST(ControlsTest, ScrollBarReportsEachGestureWithItsIdAndProgressFromAnotherThreadShowsTheLatestOnly)
{
    ControlsPage page;
    page.m_bar.SetScrollRange(0, 958, false);
    auto* pBar = static_cast<QScrollBar*>(ControlWidget(page, ID_BAR));
    UiApplication::PumpEvents(10);
    const int y = pBar->height() / 2, w = pBar->width();
    // Press and release: a drag when they differ. The handler here moves nothing.
    for (const auto& [xPress, xRelease, expected] : std::vector<std::tuple<int, int, std::vector<int>>>{
             {w - 3, w - 3, {SB_LINERIGHT, SB_ENDSCROLL}},
             {w * 3 / 4, w * 3 / 4, {SB_PAGERIGHT, SB_ENDSCROLL}},
             {w / 2, w / 2 + 20, {SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL}}})
    {
        page.m_bar.SetScrollPos(479, true); // the thumb in the middle
        page.m_scroll.clear();
        page.m_scrollCodes.clear();
        QTest::mousePress(pBar, Qt::LeftButton, Qt::NoModifier, QPoint(xPress, y));
        if (xRelease != xPress)
            QTest::mouseMove(pBar, QPoint(xRelease, y));
        QTest::mouseRelease(pBar, Qt::LeftButton, Qt::NoModifier, QPoint(xRelease, y));
        UiApplication::PumpEvents(10);
        std::vector<int> codes = page.m_scrollCodes;
        codes.erase(std::unique(codes.begin(), codes.end()), codes.end()); // tracking repeats
        EXPECT_EQ(std::pair(codes, page.m_bar.GetScrollPos()), std::pair(expected, 479)) << xPress;
        for (const auto& call : page.m_scroll)
            EXPECT_EQ(call.nBar, ID_BAR);
    }
    // The thumb's codes carry where it was dragged to.
    EXPECT_GT(page.m_scroll.at(page.m_scroll.size() - 2).nPos, 479);
    // Positions posted from another thread: the latest is shown, and shown a few times at most.
    page.m_progress.SetRange(0, 200000);
    const int nBefore = page.m_progress.AppliedCount();
    std::thread(
        [&]
        {
            for (int i = 1; i <= 100000; ++i)
                page.m_progress.PostPos(i);
        })
        .join();
    UiApplication::PumpEvents(20);
    EXPECT_EQ(page.m_progress.GetPos(), 100000);
    EXPECT_LE(page.m_progress.AppliedCount() - nBefore, 3);
}

// Radio groups, check box, tab and drop-down list: what the user chooses is notified, what the
// program sets is not, and the choice can be read from any thread.
TEST(ControlsTest, ChoicesByTheUserAreNotifiedAndByTheProgramAreNot)
{
    ControlsPage page;
    // A radio group exchanges its index, -1 for none; the next group is its own.
    page.m_log.clear();
    page.UpdateData(true);
    const int nNone = page.m_nChoice;
    page.m_nChoice = 2;
    page.UpdateData(false);
    const int nSet = page.GetRadioIndex(ID_RADIO_A), nOther = page.GetRadioIndex(ID_RADIO_X);
    QTest::mouseClick(ControlWidget(page, ID_RADIO_B), Qt::LeftButton, Qt::NoModifier, QPoint(6, 6));
    page.UpdateData(true);
    page.SetRadioIndex(ID_RADIO_X, 0);
    page.SetRadioIndex(ID_RADIO_A, -1);
    EXPECT_EQ((std::vector<int>{nNone, nSet, nOther, page.m_nChoice, page.GetRadioIndex(ID_RADIO_A),
                                page.GetRadioIndex(ID_RADIO_X)}),
              (std::vector<int>{-1, 2, -1, 1, -1, 0}));
    QTest::mouseClick(ControlWidget(page, ID_CHECK), Qt::LeftButton);
    page.m_check.SetCheck(0);
    for (const char* pName : {"Gain", "Shutter", "Resolution / FPS", "Video REC"})
        page.m_tab.InsertItem(page.m_tab.GetItemCount(), pName);
    page.m_tab.SetCurSel(3);
    QTabBar* pTabs = static_cast<QTabWidget*>(ControlWidget(page, ID_TAB))->tabBar();
    QTest::mouseClick(pTabs, Qt::LeftButton, Qt::NoModifier, pTabs->tabRect(1).center());
    // A drop-down list selects nothing until told, nor when told a wrong index.
    for (const char* pText : {"BMP (簡易Bayer変換)", "BMP (モノクロRAWデータ)", "JPG (簡易Bayer変換)"})
        page.m_combo.InsertString(-1, pText);
    const int nFirstSel = page.m_combo.GetCurSel();
    EXPECT_EQ(std::pair(nFirstSel, page.m_combo.SetCurSel(7)), std::pair(-1, -1));
    auto* pCombo = static_cast<QComboBox*>(ControlWidget(page, ID_COMBO));
    pCombo->setCurrentIndex(2);
    emit pCombo->activated(2); // what a choice from the list does
    EXPECT_EQ(page.m_log, (std::vector<std::string>{"radio B", "check", "tab 1", "combo 2"}));
    std::pair<int, int> checkAndTab;
    std::thread([&] { checkAndTab = {page.m_check.GetCheck(), page.m_tab.GetCurSel()}; }).join();
    EXPECT_EQ(checkAndTab, std::pair(0, 1));
}
