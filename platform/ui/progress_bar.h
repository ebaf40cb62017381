#pragma once

#include "platform/ui/control.h"

// A progress bar. The position is bounded by the range.
class ProgressBar : public Control
{
  public:
    void SetRange(int nLower, int nUpper);
    // User-interface thread: sets the position now.
    void SetPos(int nPos);
    int GetPos() const;
    // Any thread, without waiting: the bar takes the latest position asked for on its next turn of
    // the event loop. However often it is called, at most one request is queued at a time.
    void PostPos(int nPos);
    // How many positions the bar has actually taken (any thread).
    int AppliedCount() const;
};
