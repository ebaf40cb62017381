#pragma once

#include "platform/ui/control.h"

// A push button, check box or radio button.
class Button : public Control
{
  public:
    // 1 checked, 0 unchecked. Any thread.
    int GetCheck() const;
    // Changes the state without a click notification.
    void SetCheck(int nCheck);
};
