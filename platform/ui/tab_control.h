#pragma once

#include "platform/ui/control.h"

#include <string>

// A tab control (the tabs only; the pages are separate child dialogs the program shows and hides).
// A selection the user makes is notified to the dialog; one the program sets is not.
class TabControl : public Control
{
  public:
    // Returns the index, or -1 when the control is not bound.
    int InsertItem(int nIndex, const std::string& strText);
    int GetItemCount() const;
    // The selected tab, -1 for none. Any thread.
    int GetCurSel() const;
    // Returns the previous selection.
    int SetCurSel(int nIndex);
    // The area below the tabs where pages go, in the tab control's own coordinates.
    Rect GetPageRect() const;
};
