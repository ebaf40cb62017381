#include "platform/ui/dialog_services.h"
#include "test_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace
{
constexpr int ID_EDIT = 1059;
constexpr int ID_COMBO = 1058;

// The key-down messages a dialog's filter was offered (of one key, if given; modifiers come as keys too).
std::vector<Message> KeyDowns(const RecordingDialog& dlg, unsigned nKey = 0)
{
    std::vector<Message> downs;
    for (const Message& msg : dlg.m_filtered)
        if ((msg.nMessage == WM_KEYDOWN || msg.nMessage == WM_SYSKEYDOWN) && (nKey == 0 || msg.nKey == nKey))
            downs.push_back(msg);
    return downs;
}

// The program's shape: a main dialog with a child page, and a viewer of its own. No filter falls back
// on the base filter unless a test says so.
class RoutingTest : public ::testing::Test
{
  protected:
    RoutingTest()
        : m_main(MakeTemplate(200, 200, DLG_VISIBLE | DLG_CAPTION | DLG_SYSMENU)),
          m_page(MakeTemplate(
              150, 100, DLG_CHILD | DLG_VISIBLE,
              {ControlTemplate{ID_EDIT, ControlKind::Edit, "10.00", 5, 5, 60, 14, CTL_TABSTOP},
               ControlTemplate{ID_COMBO, ControlKind::DropDownList, "", 5, 25, 60, 40, CTL_TABSTOP}})),
          m_viewer(MakeTemplate(150, 100, DLG_VISIBLE | DLG_CAPTION | DLG_HSCROLL | DLG_VSCROLL))
    {
        m_main.Create(nullptr);
        m_page.Create(&m_main);
        m_viewer.Create(nullptr);
        UiApplication::Instance()->SetMainDialog(&m_main);
        for (RecordingDialog* p : All())
        {
            p->m_log.clear();
            p->m_bUseBase = false;
        }
        m_pEdit = ControlWidget(m_page, ID_EDIT);
    }
    ~RoutingTest() override { UiApplication::Instance()->SetMainDialog(nullptr); }

    std::vector<RecordingDialog*> All() { return {&m_main, &m_page, &m_viewer}; }
    void ClearFilters()
    {
        for (RecordingDialog* p : All())
            p->m_filtered.clear();
    }

    RecordingDialog m_main;
    RecordingDialog m_page;
    RecordingDialog m_viewer;
    QWidget* m_pEdit = nullptr;
};
} // namespace

TEST_F(RoutingTest, KeysAndMouseButtonsGoFromTheTargetUpToTheTopLevelThenTheMainDialogForAViewer)
{
    ASSERT_NE(m_pEdit, nullptr);
    struct Case
    {
        bool bViewer; // else the page's edit
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        unsigned nMessage, nKey;
    };
    const Case cases[] = {
        {false, Qt::Key_R, Qt::NoModifier, WM_KEYDOWN, 'R'},
        {true, Qt::Key_Comma, Qt::NoModifier, WM_KEYDOWN, VK_OEM_COMMA},
        {true, Qt::Key_Period, Qt::NoModifier, WM_KEYDOWN, VK_OEM_PERIOD},
        {true, Qt::Key_Period, Qt::KeypadModifier, WM_KEYDOWN, VK_DECIMAL}, // the keypad's is another key
        {true, Qt::Key_T, Qt::AltModifier, WM_SYSKEYDOWN, 'T'},             // with Alt, a system key
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.nKey);
        ClearFilters();
        RecordingDialog& target = c.bViewer ? m_viewer : m_page;
        QTest::keyClick(c.bViewer ? m_viewer.Impl().Client() : m_pEdit, c.key, c.mods);
        ASSERT_EQ(KeyDowns(target, c.nKey).size(), 1u);
        ASSERT_EQ(KeyDowns(m_main, c.nKey).size(), 1u);
        EXPECT_TRUE((c.bViewer ? m_page : m_viewer).m_filtered.empty());
        const Message msg = KeyDowns(m_main, c.nKey)[0];
        EXPECT_EQ(msg.nMessage, c.nMessage);
        EXPECT_EQ(msg.pDialog, &target);
        EXPECT_EQ(msg.nCtrlId, c.bViewer ? 0 : ID_EDIT);
    }
    // Nobody claimed the R: the edit got it.
    EXPECT_EQ(m_page.GetDlgItemText(ID_EDIT), "10.00r");
    // A mouse button on a control comes with the control's id.
    ClearFilters();
    QTest::mouseClick(m_pEdit, Qt::RightButton);
    ASSERT_FALSE(m_page.m_filtered.empty());
    EXPECT_TRUE(m_page.m_filtered[0].nMessage == WM_RBUTTONDOWN && m_page.m_filtered[0].nCtrlId == ID_EDIT);
}

TEST_F(RoutingTest, TheFirstFilterThatClaimsAKeyConsumesItAndTheBaseFilterTurnsEnterAndEscIntoOkAndCancel)
{
    m_page.m_nClaimKey = 'X';
    QTest::keyClick(m_pEdit, Qt::Key_X);
    EXPECT_EQ(KeyDowns(m_page).size(), 1u);
    EXPECT_TRUE(KeyDowns(m_main).empty());
    EXPECT_EQ(m_page.GetDlgItemText(ID_EDIT), "10.00"); // the edit never saw it

    // The base filter is the dialog manager: Enter is IDOK, Esc is IDCANCEL, and it claims them.
    // A claimed Enter reaches no OnOK and no later filter.
    m_viewer.m_bUseBase = true;
    m_viewer.m_nClaimKey = VK_RETURN;
    m_main.m_filtered.clear();
    QTest::keyClick(m_viewer.Impl().Client(), Qt::Key_Return);
    m_viewer.m_nClaimKey = 0;
    QTest::keyClick(m_viewer.Impl().Client(), Qt::Key_Return);
    QTest::keyClick(m_viewer.Impl().Client(), Qt::Key_Escape);
    EXPECT_EQ(m_viewer.m_log, (std::vector<std::string>{"ok", "cancel"}));
    EXPECT_TRUE(KeyDowns(m_main).empty());
}

namespace
{
// Runs pType on the toolkit's modal dialog once it shows (the dialog's own event loop is running).
void WhenModalShows(std::function<void(QWidget*)> pType)
{
    QTimer::singleShot(20,
                       [pType]()
                       {
                           if (QWidget* pModal = QApplication::activeModalWidget())
                               pType(pModal);
                           else
                               WhenModalShows(pType);
                       });
}
} // namespace

TEST_F(RoutingTest, KeysTypedIntoTheToolkitsOwnDialogsAndMenusActOnlyThere)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto typeRts = [](QWidget* pModal, Qt::Key end)
    {
        auto* pName = pModal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QWidget* pTarget = pName != nullptr ? pName : pModal;
        QTest::keyClicks(pTarget, QStringLiteral("rts"));
        QTest::keyClick(pTarget, end);
    };

    // A save dialog owned by the main dialog and one owned by a page: the name typed is the name saved.
    for (Dialog* pOwner : {static_cast<Dialog*>(nullptr), static_cast<Dialog*>(&m_page)})
    {
        ClearFilters();
        WhenModalShows([&](QWidget* pModal) { typeRts(pModal, Qt::Key_Return); });
        std::string strPath;
        const SaveFileRequest request{"BMP Files (*.bmp)|*.bmp||", "bmp", "", dir.path().toStdString()};
        ASSERT_TRUE(GetDialogServices().SaveFile(pOwner, request, &strPath));
        EXPECT_EQ(strPath, QDir(dir.path()).filePath(QStringLiteral("rts.bmp")).toStdString());
        for (RecordingDialog* p : All())
            EXPECT_TRUE(KeyDowns(*p).empty());
    }

    // A message box and the folder browser, owned by the page.
    ClearFilters();
    WhenModalShows([&](QWidget* pModal) { typeRts(pModal, Qt::Key_Return); });
    EXPECT_EQ(GetDialogServices().MessageBox(&m_page, "ラインスキャンモードに変更してください。", "", MB_OK),
              IDOK);
    WhenModalShows([&](QWidget* pModal) { typeRts(pModal, Qt::Key_Escape); });
    EXPECT_FALSE(GetDialogServices().BrowseForFolder(&m_page, "", nullptr));
    for (RecordingDialog* p : All())
        EXPECT_TRUE(KeyDowns(*p).empty());

    // So are the edit's own context menu and its keys; a combo box's open list is still the combo box.
    const auto typeIntoPopup = [](std::initializer_list<Qt::Key> keys)
    {
        for (Qt::Key key : keys)
            if (QWidget* pPopup = QApplication::activePopupWidget())
                QTest::keyClick(pPopup->focusWidget() != nullptr ? pPopup->focusWidget() : pPopup, key);
        ASSERT_NE(QApplication::activePopupWidget(), nullptr); // open all along
        QApplication::activePopupWidget()->close();
    };
    QContextMenuEvent menuAsked(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                m_pEdit->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(m_pEdit, &menuAsked);
    typeIntoPopup({Qt::Key_R, Qt::Key_S, Qt::Key_T});
    for (RecordingDialog* p : All())
        EXPECT_TRUE(KeyDowns(*p).empty());
    auto* pCombo = static_cast<QComboBox*>(ControlWidget(m_page, ID_COMBO));
    pCombo->addItems({QStringLiteral(" 右から左"), QStringLiteral(" 左から右")});
    pCombo->showPopup();
    typeIntoPopup({Qt::Key_R});
    ASSERT_EQ(KeyDowns(m_main, 'R').size(), 1u);
    EXPECT_EQ(KeyDowns(m_main, 'R')[0].nCtrlId, ID_COMBO);
}
