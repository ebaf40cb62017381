#include "platform/ui/dialog.h"

#include "platform/ui/control_impl.h"
#include "platform/ui/data_exchange.h"
#include "platform/ui/dialog_impl.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/draw_surface_impl.h"
#include "platform/ui/scroll_bar_logic.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <atomic>

namespace
{
const QEvent::Type COMMAND_EVENT = static_cast<QEvent::Type>(QEvent::User + 100);

// Posted from any thread. The id is handed over through an atomic: the toolkit's own queue lock
// is invisible to the thread checker, and this way the hand-over is seen as synchronised.
class CommandEvent : public QEvent
{
  public:
    explicit CommandEvent(int nId) : QEvent(COMMAND_EVENT) { m_nId.store(nId, std::memory_order_release); }
    int Id() const { return m_nId.load(std::memory_order_acquire); }

  private:
    std::atomic<int> m_nId{0};
};

// Commands are posted from any thread (the frame handler posts Rec Stop). Qt's queue hands the
// event over under a lock the thread sanitizer cannot see; this count makes the hand-over seen:
// released after the event is made, acquired before any event is looked at.
std::atomic<unsigned> g_nCommandsPosted{0};

Point ToPoint(const QPointF& pt)
{
    return Point{static_cast<int>(std::floor(pt.x())), static_cast<int>(std::floor(pt.y()))};
}

Qt::WindowFlags TopLevelFlags(unsigned nStyle)
{
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
    if (nStyle & DLG_CAPTION)
        flags |= Qt::WindowTitleHint;
    else
        flags |= Qt::FramelessWindowHint;
    if (nStyle & DLG_SYSMENU)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (nStyle & DLG_MINIMIZEBOX)
        flags |= Qt::WindowMinimizeButtonHint;
    if (nStyle & DLG_MAXIMIZEBOX)
        flags |= Qt::WindowMaximizeButtonHint;
    return flags;
}
} // namespace

// --- DialogWidget / ClientWidget ------------------------------------------------------------------

DialogWidget::DialogWidget(DialogImpl* pOwner, QWidget* pParent, Qt::WindowFlags flags)
    : QWidget(pParent, flags), m_pOwner(pOwner)
{
}

DialogWidget::~DialogWidget()
{
    // Deleted along with a parent window that went without asking this dialog first.
    if (m_pOwner != nullptr)
    {
        m_pOwner->m_bAlive = false;
        m_pOwner->m_surface.Impl().DetachClient();
    }
}

void DialogWidget::closeEvent(QCloseEvent* pEvent)
{
    // The close box is the cancel command; the program decides whether the window goes.
    pEvent->ignore();
    if (m_pOwner != nullptr && m_pOwner->m_bAlive)
        m_pOwner->m_owner.OnCancel();
}

void DialogWidget::changeEvent(QEvent* pEvent)
{
    QWidget::changeEvent(pEvent);
}

ClientWidget::ClientWidget(DialogImpl* pOwner, QWidget* pParent) : QWidget(pParent), m_pOwner(pOwner)
{
    setMouseTracking(true);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
}

void ClientWidget::paintEvent(QPaintEvent* pEvent)
{
    if (m_pOwner == nullptr)
        return;
    DrawSurfaceImpl& surface = m_pOwner->m_surface.Impl();
    // Showing a picture the drawing thread finished is no request to draw one.
    if (!surface.IsShowingPicture() && m_pOwner->m_bAlive)
        m_pOwner->m_owner.OnPaint();
    if (m_pOwner != nullptr)
        surface.Paint(this, pEvent->rect());
}

void ClientWidget::resizeEvent(QResizeEvent* pEvent)
{
    QWidget::resizeEvent(pEvent);
    if (m_pOwner != nullptr)
        m_pOwner->OnClientResized(width(), height());
}

void ClientWidget::mousePressEvent(QMouseEvent* pEvent)
{
    pEvent->accept();
    if (m_pOwner == nullptr || !m_pOwner->m_bAlive)
        return;
    const unsigned nFlags = m_pOwner->MouseFlags(pEvent->buttons(), pEvent->modifiers());
    if (pEvent->button() == Qt::LeftButton)
        m_pOwner->m_owner.OnLButtonDown(nFlags, ToPoint(pEvent->position()));
    else if (pEvent->button() == Qt::RightButton)
        m_pOwner->m_owner.OnRButtonDown(nFlags, ToPoint(pEvent->position()));
}

void ClientWidget::mouseReleaseEvent(QMouseEvent* pEvent)
{
    pEvent->accept();
    if (m_pOwner == nullptr || !m_pOwner->m_bAlive)
        return;
    if (pEvent->button() == Qt::LeftButton)
        m_pOwner->m_owner.OnLButtonUp(m_pOwner->MouseFlags(pEvent->buttons(), pEvent->modifiers()),
                                      ToPoint(pEvent->position()));
}

void ClientWidget::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    pEvent->accept();
    if (m_pOwner == nullptr || !m_pOwner->m_bAlive)
        return;
    const unsigned nFlags = m_pOwner->MouseFlags(pEvent->buttons(), pEvent->modifiers());
    if (pEvent->button() == Qt::LeftButton)
        m_pOwner->m_owner.OnLButtonDblClk(nFlags, ToPoint(pEvent->position()));
    else if (pEvent->button() == Qt::RightButton)
        m_pOwner->m_owner.OnRButtonDown(nFlags, ToPoint(pEvent->position()));
}

void ClientWidget::mouseMoveEvent(QMouseEvent* pEvent)
{
    pEvent->accept();
    if (m_pOwner == nullptr || !m_pOwner->m_bAlive)
        return;
    m_pOwner->m_owner.OnMouseMove(m_pOwner->MouseFlags(pEvent->buttons(), pEvent->modifiers()),
                                  ToPoint(pEvent->position()));
}

void ClientWidget::wheelEvent(QWheelEvent* pEvent)
{
    pEvent->accept();
    if (m_pOwner == nullptr || !m_pOwner->m_bAlive)
        return;
    // Some platforms turn a wheel turned with Shift into a horizontal one; the notches are the same.
    const QPoint delta = pEvent->angleDelta();
    const int nDelta = delta.y() != 0 ? delta.y() : delta.x();
    m_pOwner->m_owner.OnMouseWheel(m_pOwner->MouseFlags(pEvent->buttons(), pEvent->modifiers()), nDelta,
                                   ToPoint(pEvent->globalPosition()));
}

void ClientWidget::keyPressEvent(QKeyEvent* pEvent)
{
    // Keys that reach the client area end here; nothing is passed on to the frame.
    pEvent->accept();
}

// --- DialogImpl -------------------------------------------------------------------------------------

DialogImpl::DialogImpl(Dialog& owner, const DialogTemplate& tmpl) : m_owner(owner), m_template(tmpl)
{
    // A window with scroll-bar styles starts with the default range 0 to 100.
    m_pBars[0] = std::make_unique<ScrollBarLogic>(true, (tmpl.nStyle & DLG_HSCROLL) ? 100 : 0);
    m_pBars[1] = std::make_unique<ScrollBarLogic>(true, (tmpl.nStyle & DLG_VSCROLL) ? 100 : 0);

    m_font.setFamily(QString::fromStdString(ResolveDialogFontFamily(tmpl.fontName)));
    m_font.setPixelSize(DialogFontPixelSize(tmpl.nPointSize > 0 ? tmpl.nPointSize : 9));
    const QFontMetrics metrics(m_font);
    const int nAlphabet =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_nBaseX = std::max(1, (nAlphabet / 26 + 1) / 2);
    m_nBaseY = std::max(1, metrics.height());
    // The units are the face's at its full width; a stand-in then draws condensed.
    m_font.setStretch(DialogFontStretch(tmpl.fontName));
}

DialogImpl::~DialogImpl()
{
    DestroyWindowNow();
}

unsigned DialogImpl::MouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) const
{
    unsigned n = 0;
    if (buttons & Qt::LeftButton)
        n |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        n |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton)
        n |= MK_MBUTTON;
    if (mods & Qt::ShiftModifier)
        n |= MK_SHIFT;
    if (mods & Qt::ControlModifier)
        n |= MK_CONTROL;
    return n;
}

bool DialogImpl::CreateWindow(Dialog* pParent, bool bModal)
{
    if (m_pWidget != nullptr)
        return false;
    const bool bChild = (m_template.nStyle & DLG_CHILD) != 0;
    if (bChild && (pParent == nullptr || !pParent->IsWindow()))
        return false;
    m_pParent = pParent;
    m_bModal = bModal;
    m_bEnded = false;
    m_nResult = 0;

    QWidget* pParentWidget = bChild ? pParent->Impl().Client() : nullptr;
    m_pWidget = new DialogWidget(this, pParentWidget, bChild ? Qt::Widget : TopLevelFlags(m_template.nStyle));
    m_pWidget->setFont(m_font);
    m_pWidget->setWindowTitle(QString::fromStdString(m_template.caption));
    QPalette palette = m_pWidget->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(DrawSurfaceImpl::BACKGROUND));
    m_pWidget->setPalette(palette);
    m_pWidget->setAutoFillBackground(true);

    auto* pLayout = new QGridLayout(m_pWidget);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->setSpacing(0);
    m_pClient = new ClientWidget(this, m_pWidget);
    pLayout->addWidget(m_pClient, 0, 0);
    if (m_template.nStyle & DLG_HSCROLL)
    {
        auto* pBar = new QScrollBar(Qt::Horizontal, m_pWidget);
        pLayout->addWidget(pBar, 1, 0);
        m_pBars[0]->Attach(pBar, [this](int nCode, int nPos)
                           { NotifyScroll(true, nCode, nPos, WINDOW_SCROLL_BAR); });
    }
    if (m_template.nStyle & DLG_VSCROLL)
    {
        auto* pBar = new QScrollBar(Qt::Vertical, m_pWidget);
        pLayout->addWidget(pBar, 0, 1);
        m_pBars[1]->Attach(pBar, [this](int nCode, int nPos)
                           { NotifyScroll(false, nCode, nPos, WINDOW_SCROLL_BAR); });
    }

    const Rect rc = DialogRectToPixels(
        Rect{m_template.x, m_template.y, m_template.x + m_template.cx, m_template.y + m_template.cy},
        m_nBaseX, m_nBaseY);
    m_pWidget->move(rc.left, rc.top);
    m_pWidget->resize(rc.Width(), rc.Height());
    if (!bChild && !(m_template.nStyle & DLG_THICKFRAME))
        m_pWidget->setFixedSize(rc.Width(), rc.Height());
    m_nClientWidth = rc.Width();
    m_nClientHeight = rc.Height();
    m_surface.Impl().SetClientSize(rc.Width(), rc.Height());
    m_surface.Impl().AttachClient(m_pClient);
    m_bAlive = true;
    BuildControls();
    // A child not visible by its template stays hidden when its parent is shown later.
    if (bChild && !(m_template.nStyle & DLG_VISIBLE))
        m_pWidget->hide();
    return true;
}

void DialogImpl::BuildControls()
{
    m_controls.clear();
    ControlImpl* pPrevious = nullptr;
    for (const ControlTemplate& ct : m_template.controls)
    {
        const Rect rc = DialogRectToPixels(Rect{ct.x, ct.y, ct.x + ct.cx, ct.y + ct.cy}, m_nBaseX, m_nBaseY);
        m_controls.push_back(ControlImpl::Build(*this, ct, QRect(rc.left, rc.top, rc.Width(), rc.Height()),
                                                pPrevious, m_pClient));
        pPrevious = m_controls.back().get();
    }
}

void DialogImpl::DestroyWindowNow()
{
    if (m_pWidget == nullptr)
        return;
    if (m_bAlive)
        m_owner.OnDestroy();
    if (m_pWidget == nullptr)
        return;
    // Child dialogs go first. (The widget classes carry no meta-object, so a cast by meta-object
    // would match any widget.)
    for (QWidget* p : m_pWidget->findChildren<QWidget*>())
        if (auto* pChild = dynamic_cast<DialogWidget*>(p); pChild != nullptr && pChild->m_pOwner != nullptr)
            pChild->m_pOwner->DestroyWindowNow();
    for (auto& [nId, pTimer] : m_timers)
        pTimer->stop();
    if (m_pClient != nullptr && QWidget::mouseGrabber() == m_pClient)
        m_pClient->releaseMouse();
    m_pBars[0]->Detach();
    m_pBars[1]->Detach();
    m_bAlive = false;
    m_surface.Impl().DetachClient();
    if (m_pLoop != nullptr)
        m_pLoop->exit(m_nResult);

    DialogWidget* pWidget = m_pWidget;
    pWidget->m_pOwner = nullptr;
    if (m_pClient != nullptr)
        m_pClient->m_pOwner = nullptr;
    m_pWidget = nullptr;
    m_pClient = nullptr;
    pWidget->hide();
    pWidget->deleteLater();
}

ControlImpl* DialogImpl::FindControl(int nId) const
{
    for (const auto& pControl : m_controls)
        if (pControl->m_nId == nId)
            return pControl.get();
    return nullptr;
}

void DialogImpl::DispatchCommand(int nId)
{
    if (!m_bAlive)
        return;
    const auto it = m_clicked.find(nId);
    if (it != m_clicked.end())
    {
        const Dialog::CommandHandler fn = it->second;
        fn();
    }
    else if (nId == IDOK)
        m_owner.OnOK();
    else if (nId == IDCANCEL)
        m_owner.OnCancel();
}

void DialogImpl::NotifySelChange(int nId)
{
    const auto it = m_selChange.find(nId);
    if (m_bAlive && it != m_selChange.end())
    {
        const Dialog::CommandHandler fn = it->second;
        fn();
    }
}

void DialogImpl::NotifyTabSelChange(int nId)
{
    const auto it = m_tabSelChange.find(nId);
    if (m_bAlive && it != m_tabSelChange.end())
    {
        const Dialog::CommandHandler fn = it->second;
        fn();
    }
}

bool DialogImpl::NotifyDeltaPos(int nId, UpDownNotify& nm)
{
    const auto it = m_deltaPos.find(nId);
    if (!m_bAlive || it == m_deltaPos.end())
        return true;
    int nResult = 0;
    const Dialog::DeltaPosHandler fn = it->second;
    fn(&nm, &nResult);
    return nResult == 0;
}

void DialogImpl::NotifyScroll(bool bHorz, int nSBCode, int nPos, int nBarId)
{
    if (!m_bAlive)
        return;
    if (bHorz)
        m_owner.OnHScroll(nSBCode, nPos, nBarId);
    else
        m_owner.OnVScroll(nSBCode, nPos, nBarId);
}

bool DialogImpl::HandleDialogKey(const Message& msg)
{
    if (msg.nMessage != WM_KEYDOWN || (msg.nKey != VK_RETURN && msg.nKey != VK_ESCAPE))
        return false;
    if (msg.nKey == VK_ESCAPE)
    {
        DispatchCommand(IDCANCEL);
        return true;
    }
    // Enter presses the focused push button of this dialog, else the default command.
    int nId = IDOK;
    if (QWidget* pFocus = QApplication::focusWidget(); pFocus != nullptr && m_pClient != nullptr &&
                                                       pFocus->parentWidget() == m_pClient &&
                                                       qobject_cast<QPushButton*>(pFocus) != nullptr)
        nId = pFocus->property("twCtrlId").toInt();
    DispatchCommand(nId);
    return true;
}

void DialogImpl::OnClientResized(int cx, int cy)
{
    m_nClientWidth = cx;
    m_nClientHeight = cy;
    m_surface.Impl().SetClientSize(cx, cy);
    if (!m_bAlive || m_pWidget == nullptr)
        return;
    const int nType = m_pWidget->isMaximized()   ? SIZE_MAXIMIZED
                      : m_pWidget->isMinimized() ? SIZE_MINIMIZED
                                                 : SIZE_RESTORED;
    m_owner.OnSize(nType, cx, cy);
}

bool DialogImpl::event(QEvent* pEvent)
{
    g_nCommandsPosted.load(std::memory_order_acquire);
    if (pEvent->type() != COMMAND_EVENT)
        return QObject::event(pEvent);
    DispatchCommand(static_cast<CommandEvent*>(pEvent)->Id());
    return true;
}

// --- Dialog ---------------------------------------------------------------------------------------

Dialog::Dialog(const DialogTemplate& tmpl) : m_pImpl(std::make_unique<DialogImpl>(*this, tmpl)) {}

Dialog::~Dialog()
{
    m_pImpl->DestroyWindowNow();
}

bool Dialog::Create(Dialog* pParent)
{
    if (!m_pImpl->CreateWindow(pParent, false))
        return false;
    OnInitDialog();
    if (IsWindow() && (m_pImpl->m_template.nStyle & DLG_VISIBLE) && !m_pImpl->m_pWidget->isVisible() &&
        !m_pImpl->m_pWidget->testAttribute(Qt::WA_WState_ExplicitShowHide))
        ShowWindow(ShowState::Show);
    return true;
}

int Dialog::DoModal(Dialog* pParent)
{
    if (!m_pImpl->CreateWindow(pParent, true))
        return -1;
    const bool bDisableParent = pParent != nullptr && pParent->IsWindow() && pParent->IsWindowEnabled();
    if (bDisableParent)
        pParent->EnableWindow(false);
    OnInitDialog();
    if (!m_pImpl->m_bEnded && IsWindow())
    {
        if (!m_pImpl->m_pWidget->isVisible())
            ShowWindow(ShowState::Show);
        QEventLoop loop;
        m_pImpl->m_pLoop = &loop;
        loop.exec();
        m_pImpl->m_pLoop = nullptr;
    }
    if (bDisableParent && pParent->IsWindow())
        pParent->EnableWindow(true);
    m_pImpl->DestroyWindowNow();
    m_pImpl->m_bModal = false;
    return m_pImpl->m_nResult;
}

void Dialog::EndDialog(int nResult)
{
    m_pImpl->m_nResult = nResult;
    m_pImpl->m_bEnded = true;
    if (m_pImpl->m_bModal)
    {
        if (m_pImpl->m_pLoop != nullptr)
            m_pImpl->m_pLoop->exit(nResult);
    }
    else if (IsWindow())
        ShowWindow(ShowState::Hide);
}

void Dialog::DestroyWindow()
{
    m_pImpl->DestroyWindowNow();
}

bool Dialog::IsWindow() const
{
    return m_pImpl->m_bAlive;
}

Dialog* Dialog::GetParent() const
{
    return m_pImpl->m_pParent;
}

const DialogTemplate& Dialog::GetTemplate() const
{
    return m_pImpl->m_template;
}

bool Dialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

void Dialog::OnOK()
{
    EndDialog(IDOK);
}

void Dialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

bool Dialog::PreTranslateMessage(const Message& msg)
{
    return m_pImpl->HandleDialogKey(msg);
}

void Dialog::DoDataExchange(DataExchange&) {}
void Dialog::OnSize(int, int, int) {}
void Dialog::OnHScroll(int, int, int) {}
void Dialog::OnVScroll(int, int, int) {}
void Dialog::OnLButtonDown(unsigned, Point) {}
void Dialog::OnLButtonUp(unsigned, Point) {}
void Dialog::OnLButtonDblClk(unsigned, Point) {}
void Dialog::OnRButtonDown(unsigned, Point) {}
void Dialog::OnMouseMove(unsigned, Point) {}
bool Dialog::OnMouseWheel(unsigned, int, Point)
{
    return false;
}
void Dialog::OnTimer(int) {}

void Dialog::SetWindowText(const std::string& strText)
{
    if (m_pImpl->m_pWidget != nullptr)
        m_pImpl->m_pWidget->setWindowTitle(QString::fromStdString(strText));
}

std::string Dialog::GetWindowText() const
{
    return m_pImpl->m_pWidget != nullptr ? m_pImpl->m_pWidget->windowTitle().toStdString() : std::string();
}

void Dialog::SetWindowPos(ZOrder order, int x, int y)
{
    QWidget* pWidget = m_pImpl->m_pWidget;
    if (pWidget == nullptr)
        return;
    pWidget->move(x, y);
    if (pWidget->isWindow() && order != ZOrder::Top)
    {
        const bool bTopMost = order == ZOrder::TopMost;
        if (pWidget->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != bTopMost)
        {
            // Changing the flag re-creates the native window, which hides it.
            const bool bVisible = pWidget->isVisible();
            pWidget->setWindowFlag(Qt::WindowStaysOnTopHint, bTopMost);
            if (bVisible)
                pWidget->show();
        }
    }
    pWidget->raise();
}

void Dialog::MoveWindow(int x, int y, int cx, int cy)
{
    if (QWidget* pWidget = m_pImpl->m_pWidget)
    {
        pWidget->move(x, y);
        pWidget->resize(cx, cy);
    }
}

void Dialog::ShowWindow(ShowState state)
{
    QWidget* pWidget = m_pImpl->m_pWidget;
    if (pWidget == nullptr)
        return;
    switch (state)
    {
    case ShowState::Hide:
        pWidget->hide();
        break;
    case ShowState::Show:
        pWidget->show();
        break;
    case ShowState::Normal:
        pWidget->isWindow() ? pWidget->showNormal() : pWidget->show();
        break;
    case ShowState::Maximized:
        pWidget->isWindow() ? pWidget->showMaximized() : pWidget->show();
        break;
    case ShowState::Minimized:
        pWidget->isWindow() ? pWidget->showMinimized() : pWidget->hide();
        break;
    }
}

bool Dialog::IsWindowVisible() const
{
    return m_pImpl->m_pWidget != nullptr && m_pImpl->m_pWidget->isVisible();
}

bool Dialog::IsZoomed() const
{
    return m_pImpl->m_pWidget != nullptr && m_pImpl->m_pWidget->isMaximized();
}

bool Dialog::IsTopMost() const
{
    return m_pImpl->m_pWidget != nullptr &&
           m_pImpl->m_pWidget->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void Dialog::EnableWindow(bool bEnable)
{
    if (m_pImpl->m_pWidget != nullptr)
        m_pImpl->m_pWidget->setEnabled(bEnable);
}

bool Dialog::IsWindowEnabled() const
{
    return m_pImpl->m_pWidget != nullptr && m_pImpl->m_pWidget->isEnabled();
}

void Dialog::SetFocus()
{
    if (m_pImpl->m_pClient == nullptr)
        return;
    if (m_pImpl->m_pWidget->isWindow())
        m_pImpl->m_pWidget->activateWindow();
    m_pImpl->m_pClient->setFocus(Qt::OtherFocusReason);
}

bool Dialog::HasFocus() const
{
    return m_pImpl->m_pClient != nullptr && m_pImpl->m_pClient->hasFocus();
}

Rect Dialog::GetClientRect() const
{
    return Rect{0, 0, m_pImpl->m_nClientWidth, m_pImpl->m_nClientHeight};
}

Rect Dialog::GetWindowRect() const
{
    QWidget* pWidget = m_pImpl->m_pWidget;
    if (pWidget == nullptr)
        return Rect{};
    QRect rc = pWidget->isWindow() ? pWidget->frameGeometry() : pWidget->geometry();
    if (!pWidget->isWindow())
        rc.moveTopLeft(pWidget->parentWidget()->mapToGlobal(rc.topLeft()));
    return Rect{rc.left(), rc.top(), rc.left() + rc.width(), rc.top() + rc.height()};
}

Point Dialog::ClientToScreen(Point pt) const
{
    if (m_pImpl->m_pClient == nullptr)
        return pt;
    const QPoint p = m_pImpl->m_pClient->mapToGlobal(QPoint(pt.x, pt.y));
    return Point{p.x(), p.y()};
}

Point Dialog::ScreenToClient(Point pt) const
{
    if (m_pImpl->m_pClient == nullptr)
        return pt;
    const QPoint p = m_pImpl->m_pClient->mapFromGlobal(QPoint(pt.x, pt.y));
    return Point{p.x(), p.y()};
}

void Dialog::Invalidate()
{
    if (m_pImpl->m_pClient != nullptr)
        m_pImpl->m_pClient->update();
}

void Dialog::RedrawWindow()
{
    m_pImpl->m_surface.Impl().RequestErase();
    if (m_pImpl->m_pClient != nullptr && m_pImpl->m_pClient->isVisible())
        m_pImpl->m_pClient->repaint();
}

Rect Dialog::MapDialogRect(const Rect& rc) const
{
    return DialogRectToPixels(rc, m_pImpl->m_nBaseX, m_pImpl->m_nBaseY);
}

int Dialog::BaseUnitX() const
{
    return m_pImpl->m_nBaseX;
}

int Dialog::BaseUnitY() const
{
    return m_pImpl->m_nBaseY;
}

void Dialog::SetScrollInfo(int nBar, int nMin, int nMax, int nPage, bool bRedraw)
{
    m_pImpl->Bar(nBar).SetInfo(nMin, nMax, nPage, bRedraw);
}

void Dialog::GetScrollInfo(int nBar, int* pMin, int* pMax, int* pPage) const
{
    ScrollBarLogic& bar = m_pImpl->Bar(nBar);
    if (pMin != nullptr)
        *pMin = bar.GetMin();
    if (pMax != nullptr)
        *pMax = bar.GetMax();
    if (pPage != nullptr)
        *pPage = bar.GetPage();
}

int Dialog::SetScrollPos(int nBar, int nPos, bool bRedraw)
{
    return m_pImpl->Bar(nBar).SetPos(nPos, bRedraw);
}

int Dialog::GetScrollPos(int nBar) const
{
    return m_pImpl->Bar(nBar).GetPos();
}

void Dialog::SetCapture()
{
    if (m_pImpl->m_pClient != nullptr)
        m_pImpl->m_pClient->grabMouse();
}

void Dialog::ReleaseCapture()
{
    if (m_pImpl->m_pClient != nullptr && QWidget::mouseGrabber() == m_pImpl->m_pClient)
        m_pImpl->m_pClient->releaseMouse();
}

bool Dialog::HasCapture() const
{
    return m_pImpl->m_pClient != nullptr && QWidget::mouseGrabber() == m_pImpl->m_pClient;
}

void Dialog::SetCursor(CursorShape shape)
{
    if (m_pImpl->m_pClient != nullptr)
        m_pImpl->m_pClient->setCursor(shape == CursorShape::Cross ? Qt::CrossCursor : Qt::ArrowCursor);
}

bool Dialog::IsKeyDown(unsigned nVirtualKey)
{
    const Qt::KeyboardModifiers mods = QGuiApplication::queryKeyboardModifiers();
    switch (nVirtualKey)
    {
    case VK_SHIFT:
        return mods.testFlag(Qt::ShiftModifier);
    case VK_CONTROL:
        return mods.testFlag(Qt::ControlModifier);
    case VK_MENU:
        return mods.testFlag(Qt::AltModifier);
    default:
        return false;
    }
}

void Dialog::PostCommand(int nId)
{
    auto* pEvent = new CommandEvent(nId);
    g_nCommandsPosted.fetch_add(1, std::memory_order_release);
    QCoreApplication::postEvent(m_pImpl.get(), pEvent);
}

void Dialog::SendCommand(int nId)
{
    m_pImpl->DispatchCommand(nId);
}

bool Dialog::SetTimer(int nId, int nElapseMs)
{
    if (!IsWindow())
        return false;
    QTimer*& pTimer = m_pImpl->m_timers[nId];
    if (pTimer == nullptr)
    {
        pTimer = new QTimer(m_pImpl.get());
        QObject::connect(pTimer, &QTimer::timeout, m_pImpl.get(),
                         [this, nId]
                         {
                             if (IsWindow())
                                 OnTimer(nId);
                         });
    }
    pTimer->start(std::max(0, nElapseMs));
    return true;
}

void Dialog::KillTimer(int nId)
{
    const auto it = m_pImpl->m_timers.find(nId);
    if (it != m_pImpl->m_timers.end())
        it->second->stop();
}

bool Dialog::HasControl(int nId) const
{
    return m_pImpl->FindControl(nId) != nullptr;
}

void Dialog::UpdateData(bool bSaveAndValidate)
{
    DataExchange dx(*this, bSaveAndValidate);
    DoDataExchange(dx);
}

int Dialog::GetRadioIndex(int nFirstId) const
{
    int nIndex = 0;
    for (const auto& pControl : m_pImpl->m_controls)
    {
        if (pControl->m_kind != ControlKind::RadioButton || pControl->m_nRadioFirstId != nFirstId)
            continue;
        if (pControl->m_nCheck != 0)
            return nIndex;
        ++nIndex;
    }
    return -1;
}

void Dialog::SetRadioIndex(int nFirstId, int nIndex)
{
    int n = 0;
    for (const auto& pControl : m_pImpl->m_controls)
    {
        if (pControl->m_kind != ControlKind::RadioButton || pControl->m_nRadioFirstId != nFirstId)
            continue;
        pControl->SetCheck(n == nIndex ? 1 : 0);
        ++n;
    }
}

std::string Dialog::GetDlgItemText(int nId) const
{
    const ControlImpl* pControl = m_pImpl->FindControl(nId);
    return pControl != nullptr ? pControl->GetText() : std::string();
}

void Dialog::SetDlgItemText(int nId, const std::string& strText)
{
    if (ControlImpl* pControl = m_pImpl->FindControl(nId))
        pControl->SetText(strText);
}

DrawSurface& Dialog::GetDrawSurface()
{
    return m_pImpl->m_surface;
}

void Dialog::MapClicked(int nId, CommandHandler fn)
{
    m_pImpl->m_clicked[nId] = std::move(fn);
}

void Dialog::MapSelChange(int nId, CommandHandler fn)
{
    m_pImpl->m_selChange[nId] = std::move(fn);
}

void Dialog::MapTabSelChange(int nId, CommandHandler fn)
{
    m_pImpl->m_tabSelChange[nId] = std::move(fn);
}

void Dialog::MapDeltaPos(int nId, DeltaPosHandler fn)
{
    m_pImpl->m_deltaPos[nId] = std::move(fn);
}
