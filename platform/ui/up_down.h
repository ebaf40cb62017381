#pragma once

#include "platform/ui/control.h"

// An up-down control with its buddy edit (the edit before it in the template). The up arrow moves
// towards the upper bound, one step a click, without wrapping; before each step the dialog's
// delta-position handler may refuse it. The position is bounded by the range; the buddy shows it as
// a decimal number, and the next step starts from the buddy's text.
class UpDown : public Control
{
  public:
    // 16-bit range and position (values are taken as 16-bit signed numbers).
    void SetRange(int nLower, int nUpper);
    int GetPos() const;
    int SetPos(int nPos); // returns the previous position
    // 32-bit range and position.
    void SetRange32(int nLower, int nUpper);
    void GetRange32(int* pLower, int* pUpper) const;
    // pError (optional) is set when the buddy's text is no number; the last position is returned.
    int GetPos32(bool* pError = nullptr) const;
    int SetPos32(int nPos);
    // Steps as a click on an arrow does (the delta-position handler runs first).
    void Step(bool bUp);
};
