#pragma once

#include "platform/ui/control.h"

#include <string>

// A drop-down list. Setting the selection from the program sends no notification.
class ComboBox : public Control
{
  public:
    // Inserts at nIndex (-1: at the end); returns the index, or -1 when the control is not bound.
    int InsertString(int nIndex, const std::string& strText);
    int AddString(const std::string& strText) { return InsertString(-1, strText); }
    void ResetContent();
    int GetCount() const;
    std::string GetLBText(int nIndex) const;
    // The selected index, -1 for none. Any thread.
    int GetCurSel() const;
    // Returns nIndex, or -1 when it is out of range (the selection is then cleared).
    int SetCurSel(int nIndex);
};
