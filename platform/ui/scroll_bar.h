#pragma once

#include "platform/ui/control.h"

// A horizontal scroll-bar control. It moves only when the program sets its position; the user's
// actions arrive at the dialog's OnHScroll with this control's id. The position stays within the
// range.
class ScrollBar : public Control
{
  public:
    void SetScrollRange(int nMin, int nMax, bool bRedraw);
    void GetScrollRange(int* pMin, int* pMax) const; // any thread
    // Returns the previous position.
    int SetScrollPos(int nPos, bool bRedraw);
    int GetScrollPos() const; // any thread
    void SetPage(int nPage);
};
