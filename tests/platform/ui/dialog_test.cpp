#include "platform/ui/dialog_impl.h"
#include "platform/ui/dialog_units.h"
#include "test_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <thread>

namespace
{
constexpr unsigned VIEWER_STYLE = DLG_VISIBLE | DLG_CAPTION | DLG_SYSMENU | DLG_THICKFRAME | DLG_MINIMIZEBOX |
                                  DLG_MAXIMIZEBOX | DLG_HSCROLL | DLG_VSCROLL;

QScrollBar* WindowBar(Dialog& dlg, Qt::Orientation orientation)
{
    for (QScrollBar* p : dlg.Impl().Window()->findChildren<QScrollBar*>())
        if (p->orientation() == orientation && p->parentWidget() == dlg.Impl().Window())
            return p;
    return nullptr;
}

void SendMouse(QWidget* pWidget, QEvent::Type type, QPoint pt, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QMouseEvent e(type, QPointF(pt), QPointF(pWidget->mapToGlobal(pt)), button, buttons, mods);
    QApplication::sendEvent(pWidget, &e);
}
} // namespace

TEST(DialogUnits, ConvertWithTheFontsBaseUnitsRoundingToNearest)
{
    // Base units 6 x 12: the main dialog's 255 x 474 units, a control at (7, 10, 160 x 14).
    EXPECT_EQ(DialogUnitsToPixelsX(255, 6), 383); // 382.5 rounds up
    EXPECT_EQ(DialogUnitsToPixelsY(474, 12), 711);
    const Rect rc = DialogRectToPixels(Rect{7, 10, 167, 24}, 6, 12);
    EXPECT_EQ(rc.left, 11); // 10.5
    EXPECT_EQ(rc.top, 15);
    EXPECT_EQ(rc.right, 251); // 250.5
    EXPECT_EQ(rc.bottom, 36);
    EXPECT_EQ(DialogFontPixelSize(9), 12);

    RecordingDialog dlg(MakeTemplate(100, 40, DLG_VISIBLE | DLG_CAPTION));
    ASSERT_TRUE(dlg.Create(nullptr));
    EXPECT_GT(dlg.BaseUnitX(), 2);
    EXPECT_GT(dlg.BaseUnitY(), 8);
    const Rect rcClient = dlg.GetClientRect();
    EXPECT_EQ(rcClient.Width(), DialogUnitsToPixelsX(100, dlg.BaseUnitX()));
    EXPECT_EQ(rcClient.Height(), DialogUnitsToPixelsY(40, dlg.BaseUnitY()));
}

TEST(DialogUnits, JapaneseGothicNamesMapToAnInstalledFont)
{
    const std::string strFamily = ResolveDialogFontFamily("MS UI Gothic");
    EXPECT_FALSE(strFamily.empty());
    if (QFontDatabase::families().contains(QStringLiteral("IPAGothic")))
    {
        EXPECT_EQ(strFamily, "IPAGothic");
    }
    EXPECT_EQ(ResolveDialogFontFamily("No Such Face Anywhere"),
              QFontDatabase::systemFont(QFontDatabase::GeneralFont).family().toStdString());
}

TEST(Dialog, ModelessWindowLivesFromCreateToDestroyAndCanBeCreatedAgain)
{
    RecordingDialog dlg(MakeTemplate(120, 80, VIEWER_STYLE));
    EXPECT_FALSE(dlg.IsWindow());
    ASSERT_TRUE(dlg.Create(nullptr));
    EXPECT_FALSE(dlg.Create(nullptr)); // already there
    EXPECT_TRUE(dlg.IsWindow());
    EXPECT_TRUE(dlg.IsWindowVisible());
    ASSERT_FALSE(dlg.m_log.empty());
    EXPECT_EQ(dlg.m_log.front(), "init");
    dlg.SetWindowText("[ Fit ]");
    EXPECT_EQ(dlg.GetWindowText(), "[ Fit ]");

    dlg.SetWindowPos(ZOrder::TopMost, 0, 0);
    EXPECT_TRUE(dlg.IsTopMost());
    EXPECT_TRUE(dlg.IsWindowVisible());
    dlg.SetWindowPos(ZOrder::NotTopMost, 0, 0);
    EXPECT_FALSE(dlg.IsTopMost());
    dlg.ShowWindow(ShowState::Maximized);
    UiApplication::PumpEvents(20);
    EXPECT_TRUE(dlg.IsZoomed());

    dlg.DestroyWindow();
    EXPECT_FALSE(dlg.IsWindow());
    UiApplication::PumpEvents();
    dlg.m_log.clear();
    ASSERT_TRUE(dlg.Create(nullptr));
    EXPECT_EQ(dlg.m_log.front(), "init");
}

TEST(Dialog, CloseBoxAsksOnCancelWhichDecides)
{
    RecordingDialog dlg(MakeTemplate(60, 40, VIEWER_STYLE));
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.Impl().Window()->close();
    EXPECT_EQ(dlg.m_log.back(), "cancel");
    EXPECT_TRUE(dlg.IsWindow()); // this OnCancel keeps it
    dlg.m_bCancelDestroys = true;
    dlg.Impl().Window()->close();
    EXPECT_FALSE(dlg.IsWindow());
}

TEST(Dialog, WindowScrollBarsKeepThePositionInRangeAndHideWhenNothingScrolls)
{
    RecordingDialog dlg(MakeTemplate(120, 80, VIEWER_STYLE));
    ASSERT_TRUE(dlg.Create(nullptr));
    // 1:1 over a 960-wide picture in a 400-wide client: range 0..960, page 401.
    dlg.SetScrollInfo(SB_HORZ, 0, 960, 401, false);
    EXPECT_EQ(dlg.SetScrollPos(SB_HORZ, 5000, true), 0);
    EXPECT_EQ(dlg.GetScrollPos(SB_HORZ), 560);
    dlg.SetScrollPos(SB_HORZ, -3, true);
    EXPECT_EQ(dlg.GetScrollPos(SB_HORZ), 0);
    EXPECT_TRUE(WindowBar(dlg, Qt::Horizontal)->isVisibleTo(dlg.Impl().Window()));

    // Fit: maximum 0, page the client width: nothing to scroll, the bar goes, the position is 0.
    dlg.SetScrollPos(SB_VERT, 30, true);
    dlg.SetScrollInfo(SB_VERT, 0, 0, 300, false);
    EXPECT_EQ(dlg.GetScrollPos(SB_VERT), 0);
    EXPECT_FALSE(WindowBar(dlg, Qt::Vertical)->isVisibleTo(dlg.Impl().Window()));
    int nMin = -1, nMax = -1, nPage = -1;
    dlg.GetScrollInfo(SB_VERT, &nMin, &nMax, &nPage);
    EXPECT_EQ(nMin, 0);
    EXPECT_EQ(nMax, 0);
    EXPECT_EQ(nPage, 1); // a page is never larger than the range

    // Readable from another thread without the user-interface thread.
    std::atomic<int> nSeen{-1};
    std::thread([&] { nSeen = dlg.GetScrollPos(SB_HORZ); }).join();
    EXPECT_EQ(nSeen, 0);
}

TEST(Dialog, WindowScrollBarReportsItsArrowAndTheEndOfTheGesture)
{
    RecordingDialog dlg(MakeTemplate(200, 120, VIEWER_STYLE));
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.SetScrollInfo(SB_HORZ, 0, 960, 101, false);
    dlg.SetScrollPos(SB_HORZ, 50, false);
    UiApplication::PumpEvents(20);
    QScrollBar* pBar = WindowBar(dlg, Qt::Horizontal);
    ASSERT_NE(pBar, nullptr);
    const QPoint ptRightArrow(pBar->width() - 4, pBar->height() / 2);
    QTest::mousePress(pBar, Qt::LeftButton, Qt::NoModifier, ptRightArrow);
    QTest::mouseRelease(pBar, Qt::LeftButton, Qt::NoModifier, ptRightArrow);
    UiApplication::PumpEvents(20);
    ASSERT_EQ(dlg.m_scroll.size(), 2u);
    EXPECT_EQ(dlg.m_scroll[0].nCode, SB_LINERIGHT);
    EXPECT_EQ(dlg.m_scroll[0].nBar, WINDOW_SCROLL_BAR);
    EXPECT_EQ(dlg.m_scroll[1].nCode, SB_ENDSCROLL);
    // The bar does not move by itself: the program sets it.
    EXPECT_EQ(dlg.GetScrollPos(SB_HORZ), 50);
    EXPECT_EQ(pBar->value(), 50);
}

TEST(Dialog, MouseMessagesArriveInClientCoordinatesAndFollowTheCapture)
{
    RecordingDialog dlg(MakeTemplate(120, 80, VIEWER_STYLE));
    ASSERT_TRUE(dlg.Create(nullptr));
    QWidget* pClient = dlg.Impl().Client();
    dlg.m_log.clear();
    SendMouse(pClient, QEvent::MouseButtonPress, QPoint(10, 20), Qt::LeftButton, Qt::LeftButton);
    dlg.SetCapture();
    EXPECT_TRUE(dlg.HasCapture());
    SendMouse(pClient, QEvent::MouseMove, QPoint(-7, -9), Qt::NoButton, Qt::LeftButton);
    SendMouse(pClient, QEvent::MouseButtonRelease, QPoint(-7, -9), Qt::LeftButton, Qt::NoButton);
    dlg.ReleaseCapture();
    EXPECT_FALSE(dlg.HasCapture());
    SendMouse(pClient, QEvent::MouseButtonDblClick, QPoint(3, 4), Qt::LeftButton, Qt::LeftButton);
    SendMouse(pClient, QEvent::MouseButtonPress, QPoint(5, 6), Qt::RightButton, Qt::RightButton);
    QWheelEvent wheel(QPointF(5, 5), QPointF(pClient->mapToGlobal(QPoint(5, 5))), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::ShiftModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(pClient, &wheel);
    const std::vector<std::string> expected = {"ldown 10,20", "move -7,-9", "lup -7,-9", "ldbl 3,4", "rdown 5,6",
                                               "wheel -120 shift"};
    EXPECT_EQ(dlg.m_log, expected);

    dlg.SetCursor(CursorShape::Cross);
    EXPECT_EQ(pClient->cursor().shape(), Qt::CrossCursor);
    dlg.SetCursor(CursorShape::Arrow);
    EXPECT_EQ(pClient->cursor().shape(), Qt::ArrowCursor);
}

TEST(Dialog, SizeChangesReachOnSizeAndTheClientRectangle)
{
    RecordingDialog dlg(MakeTemplate(120, 80, DLG_VISIBLE | DLG_CAPTION | DLG_THICKFRAME));
    ASSERT_TRUE(dlg.Create(nullptr));
    UiApplication::PumpEvents(10);
    dlg.m_log.clear();
    dlg.MoveWindow(0, 0, 321, 123);
    UiApplication::PumpEvents(10);
    ASSERT_FALSE(dlg.m_log.empty());
    EXPECT_EQ(dlg.m_log.back(), "size 0 321x123");
    std::atomic<int> nWidth{0};
    std::thread([&] { nWidth = dlg.GetClientRect().Width(); }).join();
    EXPECT_EQ(nWidth, 321);
}

TEST(Dialog, TimersRunByIdUntilKilled)
{
    RecordingDialog dlg(MakeTemplate(60, 40, DLG_VISIBLE | DLG_CAPTION));
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.m_bOneShot = true;
    ASSERT_TRUE(dlg.SetTimer(7, 1));
    ASSERT_TRUE(dlg.SetTimer(9, 1));
    UiApplication::PumpEvents(60);
    std::sort(dlg.m_timers.begin(), dlg.m_timers.end());
    EXPECT_EQ(dlg.m_timers, (std::vector<int>{7, 9})); // each ran once: its handler killed it

    dlg.m_bOneShot = false;
    dlg.m_timers.clear();
    dlg.SetTimer(3, 5);
    UiApplication::PumpEvents(60);
    EXPECT_GE(dlg.m_timers.size(), 2u);
    dlg.KillTimer(3);
    dlg.m_timers.clear();
    UiApplication::PumpEvents(30);
    EXPECT_TRUE(dlg.m_timers.empty());

    // A destroyed window's timers stop.
    dlg.SetTimer(4, 1);
    dlg.DestroyWindow();
    UiApplication::PumpEvents(30);
    EXPECT_TRUE(dlg.m_timers.empty());
    EXPECT_FALSE(dlg.SetTimer(5, 1));
}

TEST(Dialog, PostedCommandIsHandledLaterAsAClickEvenOnADisabledButton)
{
    const int ID_START = 1016;
    RecordingDialog dlg(MakeTemplate(100, 60, DLG_VISIBLE | DLG_CAPTION,
                                     {ControlTemplate{ID_START, ControlKind::PushButton, "Rec Start", 5, 5, 50, 14,
                                                      CTL_TABSTOP | CTL_DISABLED}}));
    int nClicks = 0;
    dlg.MapClicked(ID_START, [&] { ++nClicks; });
    ASSERT_TRUE(dlg.Create(nullptr));
    // Posted from another thread, as the frame handler does.
    std::thread([&] { dlg.PostCommand(ID_START); }).join();
    EXPECT_EQ(nClicks, 0);
    UiApplication::PumpEvents(10);
    EXPECT_EQ(nClicks, 1);

    // Without a handler, IDOK and IDCANCEL reach OnOK and OnCancel.
    dlg.PostCommand(IDCANCEL);
    UiApplication::PumpEvents(10);
    EXPECT_EQ(dlg.m_log.back(), "cancel");

    // A command that arrives after the window has gone is dropped.
    dlg.PostCommand(ID_START);
    dlg.DestroyWindow();
    UiApplication::PumpEvents(10);
    EXPECT_EQ(nClicks, 1);
}

TEST(Dialog, ModalLoopReturnsTheEndDialogResultAndDisablesTheParent)
{
    RecordingDialog parent(MakeTemplate(60, 40, DLG_VISIBLE | DLG_CAPTION));
    ASSERT_TRUE(parent.Create(nullptr));
    RecordingDialog modal(MakeTemplate(60, 40, DLG_CAPTION));
    bool bParentEnabledInside = true;
    QTimer::singleShot(10, [&] {
        bParentEnabledInside = parent.IsWindowEnabled();
        modal.EndDialog(7);
    });
    EXPECT_EQ(modal.DoModal(&parent), 7);
    EXPECT_FALSE(bParentEnabledInside);
    EXPECT_TRUE(parent.IsWindowEnabled());
    EXPECT_FALSE(modal.IsWindow());

    // Ended during its own initialisation: no loop at all.
    class EndsAtOnce : public RecordingDialog
    {
    public:
        using RecordingDialog::RecordingDialog;
        bool OnInitDialog() override
        {
            EndDialog(IDCANCEL);
            return true;
        }
    } quick(MakeTemplate(60, 40, DLG_CAPTION));
    EXPECT_EQ(quick.DoModal(), IDCANCEL);
}
