#pragma once

#include "platform/ui/dialog_template.h"
#include "platform/ui/ui_types.h"

#include <functional>
#include <memory>
#include <string>

class DataExchange;
class DialogImpl;
class DrawSurface;

// How a window is shown.
enum class ShowState
{
    Hide,
    Show,      // shown in its current state
    Normal,    // shown restored
    Maximized, // shown maximised
    Minimized,
};

// Where SetWindowPos puts a window among the others.
enum class ZOrder
{
    Top,        // above the ordinary windows
    TopMost,    // above every window that is not top-most itself
    NotTopMost, // an ordinary window (leaves the top-most layer)
};

enum class CursorShape
{
    Arrow,
    Cross,
};

// A dialog window built from a template. The program's windows derive from it, bind their
// control notifications in their constructors and override the hooks they handle. Everything
// here runs on the user-interface thread unless a method says "any thread".
//
// The window exists from Create / DoModal to DestroyWindow (or the end of the modal loop); the
// object outlives it and can create it again.
class Dialog
{
  public:
    explicit Dialog(const DialogTemplate& tmpl);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // --- Creation and ending ------------------------------------------------------------------
    // Modeless: creates the window (a child of pParent when the template has DLG_CHILD, else a
    // top-level window; nullptr stands for the desktop), runs OnInitDialog and shows the window when
    // the template has DLG_VISIBLE. False when the window already exists or a child has no parent.
    bool Create(Dialog* pParent);
    // Modal: creates and shows the window, runs its own event loop until EndDialog, destroys the
    // window and returns EndDialog's result. The parent, if any, is disabled meanwhile.
    int DoModal(Dialog* pParent = nullptr);
    // Modal: ends the loop with nResult. Modeless: hides the window.
    void EndDialog(int nResult);
    // Destroys the window (and its child dialogs' windows) now; the object stays.
    void DestroyWindow();
    bool IsWindow() const; // any thread
    Dialog* GetParent() const;
    const DialogTemplate& GetTemplate() const;

    // --- Hooks ---------------------------------------------------------------------------------
    // Called once the window and its controls exist; the base moves the data exchange towards
    // the controls (UpdateData(false)) and returns true.
    virtual bool OnInitDialog();
    // The IDOK and IDCANCEL commands when nothing is bound to them. Base: EndDialog(IDOK / IDCANCEL).
    // The close box produces OnCancel.
    virtual void OnOK();
    virtual void OnCancel();
    // Offered every key and mouse-button message for this window, its controls and (for the
    // main dialog) other windows before it is dispatched; true consumes it. The base turns Enter
    // into the IDOK command (or a click of the focused push button) and Esc into IDCANCEL, and
    // consumes them; every other message is left alone.
    virtual bool PreTranslateMessage(const Message& msg);
    // Binds controls and radio groups to members (see DataExchange).
    virtual void DoDataExchange(DataExchange& dx);

    virtual void OnPaint() {}
    virtual void OnSize(int nType, int cx, int cy);
    // Scroll actions of the window's own bars (nScrollBarId WINDOW_SCROLL_BAR) and of its
    // horizontal scroll-bar controls (their id). nPos carries the thumb position for
    // SB_THUMBTRACK and SB_THUMBPOSITION. SB_ENDSCROLL follows every gesture.
    virtual void OnHScroll(int nSBCode, int nPos, int nScrollBarId);
    virtual void OnVScroll(int nSBCode, int nPos, int nScrollBarId);
    // Mouse messages in client coordinates (negative or beyond the client while captured);
    // nFlags holds MK_ flags.
    virtual void OnLButtonDown(unsigned nFlags, Point pt);
    virtual void OnLButtonUp(unsigned nFlags, Point pt);
    virtual void OnLButtonDblClk(unsigned nFlags, Point pt);
    virtual void OnRButtonDown(unsigned nFlags, Point pt);
    virtual void OnMouseMove(unsigned nFlags, Point pt);
    // zDelta: 120 per notch away from the user. True when handled.
    virtual bool OnMouseWheel(unsigned nFlags, int zDelta, Point pt);
    virtual void OnTimer(int nIdEvent);
    // The window is about to be destroyed.
    virtual void OnDestroy() {}

    // --- Window --------------------------------------------------------------------------------
    void SetWindowText(const std::string& strText);
    std::string GetWindowText() const;
    // Moves the window's top-left corner to (x, y) (screen for top-level windows, the parent's
    // client area for child dialogs), keeping its size, and places it in z-order.
    void SetWindowPos(ZOrder order, int x, int y);
    // Moves and sizes the window; cx, cy is the size inside the frame.
    void MoveWindow(int x, int y, int cx, int cy);
    void ShowWindow(ShowState state);
    bool IsWindowVisible() const;
    bool IsZoomed() const;
    bool IsTopMost() const;
    void EnableWindow(bool bEnable);
    bool IsWindowEnabled() const;
    void SetFocus();
    bool HasFocus() const;
    // The client rectangle: (0, 0, width, height) without the window's own scroll bars. Any thread.
    Rect GetClientRect() const;
    // The window's outer rectangle in screen coordinates (the parent's client area for children).
    Rect GetWindowRect() const;
    Point ClientToScreen(Point pt) const;
    Point ScreenToClient(Point pt) const;
    // Asks for OnPaint later; RedrawWindow erases the client and runs OnPaint at once.
    void Invalidate();
    void RedrawWindow();

    // Dialog units to pixels with this dialog's font.
    Rect MapDialogRect(const Rect& rcDialogUnits) const;
    int BaseUnitX() const;
    int BaseUnitY() const;

    // --- The window's own scroll bars (SB_HORZ, SB_VERT) ----------------------------------------
    // The position is kept within nMin .. nMax - nPage + 1 (nMin .. nMax when nPage is 0); a bar
    // whose page covers the whole range is hidden.
    void SetScrollInfo(int nBar, int nMin, int nMax, int nPage, bool bRedraw);
    void GetScrollInfo(int nBar, int* pMin, int* pMax, int* pPage) const;
    // Returns the previous position.
    int SetScrollPos(int nBar, int nPos, bool bRedraw);
    int GetScrollPos(int nBar) const; // any thread

    // --- Mouse and keyboard --------------------------------------------------------------------
    void SetCapture();
    void ReleaseCapture();
    bool HasCapture() const;
    void SetCursor(CursorShape shape);
    // True while the key (VK_SHIFT, VK_CONTROL, VK_MENU) is held down.
    static bool IsKeyDown(unsigned nVirtualKey);

    // --- Commands and timers -------------------------------------------------------------------
    // Any thread: the command is handled later from the event loop exactly as a click on that
    // control, whether it is enabled or not. Dropped when the window no longer exists then.
    void PostCommand(int nId);
    // Handles the command now, as a click.
    void SendCommand(int nId);
    // Starts (or restarts) timer nId; OnTimer(nId) runs every nElapseMs until KillTimer.
    bool SetTimer(int nId, int nElapseMs);
    void KillTimer(int nId);

    // --- Controls ------------------------------------------------------------------------------
    bool HasControl(int nId) const;
    // Moves data between controls and members through DoDataExchange; bSaveAndValidate true reads
    // the controls.
    void UpdateData(bool bSaveAndValidate);
    // The checked index of the radio group that starts at nFirstId; -1 when none is checked.
    int GetRadioIndex(int nFirstId) const;
    void SetRadioIndex(int nFirstId, int nIndex);
    std::string GetDlgItemText(int nId) const;
    void SetDlgItemText(int nId, const std::string& strText);

    // The drawing surface of the client area, for a drawing thread.
    DrawSurface& GetDrawSurface();

    DialogImpl& Impl() { return *m_pImpl; }

    using CommandHandler = std::function<void()>;
    // A delta-position handler sets *pResult non-zero to refuse the step.
    using DeltaPosHandler = std::function<void(UpDownNotify*, int*)>;

  protected:
    // Message map: bind handlers to control notifications, usually in the constructor.
    void MapClicked(int nId, CommandHandler fn);      // button clicks and posted commands
    void MapSelChange(int nId, CommandHandler fn);    // drop-down list selection made by the user
    void MapTabSelChange(int nId, CommandHandler fn); // tab selection made by the user
    void MapDeltaPos(int nId, DeltaPosHandler fn);    // up-down step about to happen

    template <class T> void MapClicked(int nId, void (T::*fn)())
    {
        MapClicked(nId, [this, fn] { (static_cast<T*>(this)->*fn)(); });
    }
    template <class T> void MapSelChange(int nId, void (T::*fn)())
    {
        MapSelChange(nId, [this, fn] { (static_cast<T*>(this)->*fn)(); });
    }
    template <class T> void MapTabSelChange(int nId, void (T::*fn)())
    {
        MapTabSelChange(nId, [this, fn] { (static_cast<T*>(this)->*fn)(); });
    }
    template <class T> void MapDeltaPos(int nId, void (T::*fn)(UpDownNotify*, int*))
    {
        MapDeltaPos(nId, [this, fn](UpDownNotify* p, int* r) { (static_cast<T*>(this)->*fn)(p, r); });
    }

  private:
    std::unique_ptr<DialogImpl> m_pImpl;
};
