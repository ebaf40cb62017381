#pragma once

#include "platform/ui/control.h"

// A single-line edit. Text is read and written with the base's window-text operations.
class EditBox : public Control
{
  public:
    void SetReadOnly(bool bReadOnly);
    bool IsReadOnly() const;
    // At most nChars characters from the keyboard (0: the default limit).
    void SetLimitText(int nChars);
    // The colour of the text (0x00BBGGRR).
    void SetTextColor(ColorRef color);
};
