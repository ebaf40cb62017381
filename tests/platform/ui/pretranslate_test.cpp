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

namespace
{
constexpr int ID_EDIT = 1059, ID_COMBO = 1058;

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
          m_page(MakeTemplate(150, 100, DLG_CHILD | DLG_VISIBLE,
                              {{ID_EDIT, ControlKind::Edit, "10.00", 5, 5, 60, 14, CTL_TABSTOP},
                               {ID_COMBO, ControlKind::DropDownList, "", 5, 25, 60, 40, CTL_TABSTOP}})),
          m_viewer(MakeTemplate(150, 100, DLG_VISIBLE | DLG_CAPTION | DLG_HSCROLL | DLG_VSCROLL))
    {
        m_main.Create(nullptr);
        m_page.Create(&m_main);
        m_viewer.Create(nullptr);
        UiApplication::Instance()->SetMainDialog(&m_main);
        for (RecordingDialog* p : {&m_main, &m_page, &m_viewer})
            p->m_bUseBase = false;
        m_pEdit = ControlWidget(m_page, ID_EDIT);
    }
    ~RoutingTest() override { UiApplication::Instance()->SetMainDialog(nullptr); }
    void ClearFilters()
    {
        for (RecordingDialog* p : {&m_main, &m_page, &m_viewer})
            p->m_filtered.clear();
    }
    RecordingDialog m_main;
    RecordingDialog m_page;
    RecordingDialog m_viewer;
    QWidget* m_pEdit = nullptr;
};
} // namespace

TEST_F(RoutingTest, KeysAndMouseButtonsGoUpToTheTopLevelThenTheMainDialogUntilAFilterClaimsThem)
{
    ASSERT_NE(m_pEdit, nullptr);
    // Into the viewer (else the page's edit): the key, its modifiers; the message and code filters see.
    const std::tuple<bool, Qt::Key, Qt::KeyboardModifiers, unsigned, unsigned> cases[] = {
        {false, Qt::Key_R, Qt::NoModifier, WM_KEYDOWN, 'R'},
        {true, Qt::Key_Period, Qt::NoModifier, WM_KEYDOWN, VK_OEM_PERIOD},
        {true, Qt::Key_Period, Qt::KeypadModifier, WM_KEYDOWN, VK_DECIMAL}, // the keypad's is another key
        {true, Qt::Key_T, Qt::AltModifier, WM_SYSKEYDOWN, 'T'},             // with Alt, a system key
    };
    for (const auto& [bViewer, key, mods, nMessage, nKey] : cases)
    {
        SCOPED_TRACE(nKey);
        ClearFilters();
        RecordingDialog& target = bViewer ? m_viewer : m_page;
        QTest::keyClick(bViewer ? m_viewer.Impl().Client() : m_pEdit, key, mods);
        const std::vector<Message> seen = KeyDowns(m_main, nKey);
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(std::tuple(KeyDowns(target, nKey).size(), (bViewer ? m_page : m_viewer).m_filtered.size(),
                             seen[0].nMessage, seen[0].nCtrlId),
                  std::tuple(std::size_t{1}, std::size_t{0}, nMessage, bViewer ? 0 : ID_EDIT));
        EXPECT_EQ(seen[0].pDialog, &target);
    }
    // A mouse button on a control comes with the control's id.
    QTest::mouseClick(m_pEdit, Qt::RightButton);
    ASSERT_FALSE(m_page.m_filtered.empty());
    EXPECT_TRUE(m_page.m_filtered[0].nMessage == WM_RBUTTONDOWN && m_page.m_filtered[0].nCtrlId == ID_EDIT);
    // The first filter that claims a key consumes it: the edit got the R nobody claimed, not the X.
    ClearFilters();
    m_page.m_nClaimKey = 'X';
    QTest::keyClick(m_pEdit, Qt::Key_X);
    EXPECT_EQ(std::tuple(KeyDowns(m_page).size(), KeyDowns(m_main).size(), m_page.GetDlgItemText(ID_EDIT)),
              std::tuple(std::size_t{1}, std::size_t{0}, std::string("10.00r")));
    // The base filter is the dialog manager: Enter is IDOK, Esc is IDCANCEL, and it claims them.
    // A claimed Enter reaches no OnOK and no later filter.
    m_viewer.m_bUseBase = true;
    m_viewer.m_nClaimKey = VK_RETURN;
    m_viewer.m_log.clear();
    QTest::keyClick(m_viewer.Impl().Client(), Qt::Key_Return);
    m_viewer.m_nClaimKey = 0;
    QTest::keyClick(m_viewer.Impl().Client(), Qt::Key_Return);
    QTest::keyClick(m_viewer.Impl().Client(), Qt::Key_Escape);
    EXPECT_EQ(m_viewer.m_log, (std::vector<std::string>{"ok", "cancel"}));
    EXPECT_TRUE(KeyDowns(m_main).empty());
}

namespace
{
// Types "rts" and then the end key into the toolkit's modal dialog once it shows and runs its own
// event loop: into its file name, where it has one.
void TypeIntoModalOnceItShows(Qt::Key end)
{
    QTimer::singleShot(20,
                       [end]()
                       {
                           QWidget* pModal = QApplication::activeModalWidget();
                           if (pModal == nullptr)
                               return TypeIntoModalOnceItShows(end);
                           auto* pName = pModal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                           QTest::keyClicks(pName != nullptr ? pName : pModal, QStringLiteral("rts"));
                           QTest::keyClick(pName != nullptr ? pName : pModal, end);
                       });
}
} // namespace

TEST_F(RoutingTest, KeysTypedIntoTheToolkitsOwnDialogsAndMenusActOnlyThere)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Keys typed into a save dialog (the name typed is the name saved), a message box and the folder
    // browser, owned by the page, act only there.
    TypeIntoModalOnceItShows(Qt::Key_Return);
    std::string strPath;
    const SaveFileRequest request{"BMP Files (*.bmp)|*.bmp||", "bmp", "", dir.path().toStdString()};
    ASSERT_TRUE(GetDialogServices().SaveFile(&m_page, request, &strPath));
    EXPECT_EQ(strPath, QDir(dir.path()).filePath(QStringLiteral("rts.bmp")).toStdString());
    TypeIntoModalOnceItShows(Qt::Key_Return);
    EXPECT_EQ(GetDialogServices().MessageBox(&m_page, "ラインスキャンモードに変更してください。", "", MB_OK),
              IDOK);
    TypeIntoModalOnceItShows(Qt::Key_Escape);
    EXPECT_FALSE(GetDialogServices().BrowseForFolder(&m_page, "", nullptr));
    // So do keys typed into the edit's own context menu; the open list of a combo box is still the
    // combo box's.
    const auto typeIntoPopup = [](std::initializer_list<Qt::Key> keys)
    {
        for (Qt::Key key : keys)
            if (QWidget* pPopup = QApplication::activePopupWidget())
                QTest::keyClick(pPopup->focusWidget() != nullptr ? pPopup->focusWidget() : pPopup, key);
        ASSERT_NE(QApplication::activePopupWidget(), nullptr); // open all along
        QApplication::activePopupWidget()->close();
    };
    QContextMenuEvent menuAsked(QContextMenuEvent::Keyboard, QPoint(5, 5), QPoint(5, 5));
    QApplication::sendEvent(m_pEdit, &menuAsked);
    typeIntoPopup({Qt::Key_R, Qt::Key_S, Qt::Key_T});
    EXPECT_TRUE(KeyDowns(m_main).empty()); // the main dialog is offered every key routed
    auto* pCombo = static_cast<QComboBox*>(ControlWidget(m_page, ID_COMBO));
    pCombo->addItems({QStringLiteral(" 右から左"), QStringLiteral(" 左から右")});
    pCombo->showPopup();
    typeIntoPopup({Qt::Key_R});
    ASSERT_EQ(KeyDowns(m_main, 'R').size(), 1u);
    EXPECT_EQ(KeyDowns(m_main, 'R')[0].nCtrlId, ID_COMBO);
}
