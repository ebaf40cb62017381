#include "platform/ui/dialog_impl.h"
#include "test_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

namespace
{
constexpr int ID_EDIT = 1059;
constexpr int ID_FIELD = 1009;

// The key-down messages a dialog's filter was offered.
std::vector<Message> KeyDowns(const RecordingDialog& dlg)
{
    std::vector<Message> downs;
    for (const Message& msg : dlg.m_filtered)
        if (msg.nMessage == WM_KEYDOWN || msg.nMessage == WM_SYSKEYDOWN)
            downs.push_back(msg);
    return downs;
}

QWidget* ControlWidget(Dialog& dlg, int nId)
{
    for (QWidget* p : dlg.Impl().Client()->findChildren<QWidget*>())
        if (p->property("twCtrlId").toInt() == nId)
            return p;
    return nullptr;
}

// The program's shape: a main dialog with a child page, and a viewer of its own.
class RoutingTest : public ::testing::Test
{
protected:
    RoutingTest()
        : m_main(MakeTemplate(200, 200, DLG_VISIBLE | DLG_CAPTION | DLG_SYSMENU,
                              {ControlTemplate{ID_FIELD, ControlKind::Edit, "", 5, 5, 60, 14, CTL_READONLY}})),
          m_page(MakeTemplate(150, 100, DLG_CHILD | DLG_VISIBLE,
                              {ControlTemplate{ID_EDIT, ControlKind::Edit, "10.00", 5, 5, 60, 14, CTL_TABSTOP}})),
          m_viewer(MakeTemplate(150, 100, DLG_VISIBLE | DLG_CAPTION | DLG_HSCROLL | DLG_VSCROLL))
    {
        m_main.Create(nullptr);
        m_page.Create(&m_main);
        m_viewer.Create(nullptr);
        UiApplication::Instance()->SetMainDialog(&m_main);
        for (RecordingDialog* p : {&m_main, &m_page, &m_viewer})
            p->m_log.clear();
    }
    ~RoutingTest() override { UiApplication::Instance()->SetMainDialog(nullptr); }

    RecordingDialog m_main;
    RecordingDialog m_page;
    RecordingDialog m_viewer;
};

} // namespace

TEST_F(RoutingTest, KeysGoFromTheTargetUpToTheTopLevelThenTheMainDialogForAViewer)
{
    for (RecordingDialog* p : {&m_main, &m_page, &m_viewer})
        p->m_bUseBase = false;
    QWidget* pEdit = ControlWidget(m_page, ID_EDIT);
    ASSERT_NE(pEdit, nullptr);
    QTest::keyClick(pEdit, Qt::Key_R);
    ASSERT_EQ(KeyDowns(m_page).size(), 1u);
    ASSERT_EQ(KeyDowns(m_main).size(), 1u);
    EXPECT_TRUE(m_viewer.m_filtered.empty());
    EXPECT_EQ(KeyDowns(m_page)[0].nKey, unsigned('R'));
    EXPECT_EQ(KeyDowns(m_page)[0].nCtrlId, ID_EDIT);
    EXPECT_EQ(KeyDowns(m_main)[0].pDialog, &m_page);
    // Not claimed: the edit got the key.
    EXPECT_EQ(m_page.GetDlgItemText(ID_EDIT), "10.00r");

    // A viewer's key: the viewer first, the main dialog last, nobody else.
    m_page.m_filtered.clear();
    m_main.m_filtered.clear();
    QTest::keyClick(m_viewer.Impl().Client(), Qt::Key_Comma);
    ASSERT_EQ(KeyDowns(m_viewer).size(), 1u);
    ASSERT_EQ(KeyDowns(m_main).size(), 1u);
    EXPECT_TRUE(m_page.m_filtered.empty());
    EXPECT_EQ(KeyDowns(m_viewer)[0].nKey, VK_OEM_COMMA);
    EXPECT_EQ(KeyDowns(m_viewer)[0].nCtrlId, 0);
    QTest::keyClick(m_viewer.Impl().Client(), Qt::Key_Period);
    EXPECT_EQ(KeyDowns(m_main).back().nKey, VK_OEM_PERIOD);
    // The keypad's decimal key is another key.
    QTest::keyClick(m_viewer.Impl().Client(), Qt::Key_Period, Qt::KeypadModifier);
    EXPECT_EQ(KeyDowns(m_main).back().nKey, VK_DECIMAL);
    // With Alt the key arrives as a system key.
    QTest::keyClick(m_viewer.Impl().Client(), Qt::Key_T, Qt::AltModifier);
    EXPECT_EQ(KeyDowns(m_main).back().nMessage, WM_SYSKEYDOWN);
    EXPECT_EQ(KeyDowns(m_main).back().nKey, unsigned('T'));
}

TEST_F(RoutingTest, TheFirstFilterThatClaimsTheMessageConsumesIt)
{
    for (RecordingDialog* p : {&m_main, &m_page, &m_viewer})
        p->m_bUseBase = false;
    m_page.m_nClaimKey = 'X';
    QWidget* pEdit = ControlWidget(m_page, ID_EDIT);
    QTest::keyClick(pEdit, Qt::Key_X);
    EXPECT_EQ(KeyDowns(m_page).size(), 1u);
    EXPECT_TRUE(KeyDowns(m_main).empty());
    EXPECT_EQ(m_page.GetDlgItemText(ID_EDIT), "10.00"); // the edit never saw it

    // A claimed Enter reaches no OnOK and no later filter.
    m_viewer.m_nClaimKey = VK_RETURN;
    QTest::keyClick(m_viewer.Impl().Client(), Qt::Key_Return);
    EXPECT_TRUE(m_viewer.m_log.empty());
    EXPECT_TRUE(KeyDowns(m_main).empty());
}

TEST_F(RoutingTest, EnterAndEscReachOnOkAndOnCancelOnlyThroughTheBaseFilter)
{
    // Filters that let Enter and Esc pass without the base: nothing is pressed or closed.
    for (RecordingDialog* p : {&m_main, &m_page, &m_viewer})
        p->m_bUseBase = false;
    QWidget* pEdit = ControlWidget(m_page, ID_EDIT);
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
    {
        QTest::keyClick(pEdit, key);
        QTest::keyClick(m_viewer.Impl().Client(), key);
    }
    UiApplication::PumpEvents(10);
    for (RecordingDialog* p : {&m_main, &m_page, &m_viewer})
    {
        EXPECT_TRUE(p->m_log.empty());
        EXPECT_TRUE(p->IsWindow());
        EXPECT_TRUE(p->IsWindowVisible());
    }

    // The base filter is the dialog manager: Enter is IDOK, Esc is IDCANCEL, and it claims them.
    m_viewer.m_bUseBase = true;
    m_main.m_filtered.clear();
    QTest::keyClick(m_viewer.Impl().Client(), Qt::Key_Return);
    QTest::keyClick(m_viewer.Impl().Client(), Qt::Key_Escape);
    EXPECT_EQ(m_viewer.m_log, (std::vector<std::string>{"ok", "cancel"}));
    EXPECT_TRUE(KeyDowns(m_main).empty());
}

TEST_F(RoutingTest, MouseButtonsAreOfferedWithTheControlAndItsCoordinates)
{
    m_main.m_bUseBase = false;
    QWidget* pField = ControlWidget(m_main, ID_FIELD);
    ASSERT_NE(pField, nullptr);
    QTest::mouseClick(pField, Qt::LeftButton, Qt::NoModifier, QPoint(4, 5));
    ASSERT_GE(m_main.m_filtered.size(), 2u);
    const Message& down = m_main.m_filtered[0];
    EXPECT_EQ(down.nMessage, WM_LBUTTONDOWN);
    EXPECT_EQ(down.nCtrlId, ID_FIELD);
    EXPECT_EQ(down.pt.x, 4);
    EXPECT_EQ(down.pt.y, 5);
    EXPECT_EQ(m_main.m_filtered[1].nMessage, WM_LBUTTONUP);

    // Right button in a viewer's client: viewer, then main dialog.
    QTest::mouseClick(m_viewer.Impl().Client(), Qt::RightButton, Qt::NoModifier, QPoint(7, 8));
    ASSERT_FALSE(m_viewer.m_filtered.empty());
    EXPECT_EQ(m_viewer.m_filtered[0].nMessage, WM_RBUTTONDOWN);
    EXPECT_EQ(m_main.m_filtered.back().nMessage, WM_RBUTTONUP);
    EXPECT_EQ(m_viewer.m_log.front(), "rdown 7,8"); // unclaimed, so dispatched
}
