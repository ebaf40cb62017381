#pragma once

#include "platform/ui/ui_types.h"

#include <string>

class ControlImpl;

// A wrapper around one control of a dialog, bound by id (DataExchange::BindControl). An unbound
// wrapper, or one whose window is gone, does nothing and reads as empty. User-interface thread
// unless a method says "any thread".
class Control
{
  public:
    Control() = default;
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // Binding the same control again (every UpdateData does) writes nothing, so that other threads
    // may read the wrapper's state meanwhile.
    void Attach(ControlImpl* pImpl)
    {
        if (m_pImpl != pImpl)
            m_pImpl = pImpl;
    }
    bool IsBound() const { return m_pImpl != nullptr; }
    int GetDlgCtrlID() const;

    void EnableWindow(bool bEnable);
    bool IsWindowEnabled() const;
    void ShowWindow(bool bShow);
    bool IsWindowVisible() const;
    void SetWindowText(const std::string& strText);
    std::string GetWindowText() const;
    void SetFocus();
    bool HasFocus() const;
    // The control's rectangle in screen coordinates.
    Rect GetWindowRect() const;
    Rect GetClientRect() const;
    // Moves the control within its dialog's client area.
    void MoveWindow(int x, int y, int cx, int cy);
    void RedrawWindow();

    ControlImpl* Impl() const { return m_pImpl; }

  protected:
    ControlImpl* m_pImpl = nullptr;
};

// A static text: the base operations are all it has.
class StaticText : public Control
{
};
