#pragma once

// Internal to platform/ui: the Qt side of Dialog.

#include "platform/ui/dialog.h"
#include "platform/ui/draw_surface.h"

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <map>
#include <memory>
#include <vector>

class ControlImpl;
class DialogImpl;
class ScrollBarLogic;
class QEventLoop;
class QScrollBar;
class QTimer;

// The window: a frame holding the client area and, when the template asks for them, the window's
// own scroll bars beside it.
class DialogWidget : public QWidget
{
  public:
    DialogWidget(DialogImpl* pOwner, QWidget* pParent, Qt::WindowFlags flags);
    ~DialogWidget() override;
    DialogImpl* m_pOwner;

  protected:
    void closeEvent(QCloseEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;
};

// The client area: the controls' parent, the drawing surface's target and the receiver of the
// window's mouse messages.
class ClientWidget : public QWidget
{
  public:
    ClientWidget(DialogImpl* pOwner, QWidget* pParent);
    DialogImpl* m_pOwner;

  protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void wheelEvent(QWheelEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
};

class DialogImpl : public QObject
{
  public:
    DialogImpl(Dialog& owner, const DialogTemplate& tmpl);
    ~DialogImpl() override;

    bool CreateWindow(Dialog* pParent, bool bModal);
    void DestroyWindowNow();
    ControlImpl* FindControl(int nId) const;
    QWidget* Client() const { return m_pClient; }
    QWidget* Window() const { return m_pWidget; }
    ScrollBarLogic& Bar(int nBar) { return *m_pBars[nBar == SB_VERT ? 1 : 0]; }

    // Notifications from the controls, dispatched through the message map.
    void DispatchCommand(int nId);
    void NotifySelChange(int nId);
    void NotifyTabSelChange(int nId);
    bool NotifyDeltaPos(int nId, UpDownNotify& nm); // false: the handler refused the step
    void NotifyScroll(bool bHorz, int nSBCode, int nPos, int nBarId);
    // The dialog-manager part of the base pre-translation.
    bool HandleDialogKey(const Message& msg);
    void OnClientResized(int cx, int cy);
    unsigned MouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) const;

    Dialog& m_owner;
    const DialogTemplate m_template;
    Dialog* m_pParent = nullptr;
    QPointer<DialogWidget> m_pWidget;
    QPointer<ClientWidget> m_pClient;
    std::atomic<bool> m_bAlive{false};
    std::atomic<int> m_nClientWidth{0};
    std::atomic<int> m_nClientHeight{0};
    bool m_bModal = false;
    QEventLoop* m_pLoop = nullptr;
    int m_nResult = 0;
    bool m_bEnded = false;
    QFont m_font;
    int m_nBaseX = 0;
    int m_nBaseY = 0;
    std::unique_ptr<ScrollBarLogic> m_pBars[2];
    std::vector<std::unique_ptr<ControlImpl>> m_controls;
    std::map<int, QTimer*> m_timers;
    std::map<int, Dialog::CommandHandler> m_clicked;
    std::map<int, Dialog::CommandHandler> m_selChange;
    std::map<int, Dialog::CommandHandler> m_tabSelChange;
    std::map<int, Dialog::DeltaPosHandler> m_deltaPos;
    DrawSurface m_surface;

  protected:
    bool event(QEvent* pEvent) override;

  private:
    void BuildControls();
    QWidget* BuildControl(const ControlTemplate& ct, QRect rc);
};
