#pragma once

// What a viewer needs of the main dialog, so that the display code does not depend on the
// console: the tab control's current page, the Rec page's commands, and three controls of the
// resolution page that the live picture's guide line follows.
class ViewerOwner
{
  public:
    // The tab control's current selection (3: the Rec page; -1: none). Any thread, without
    // waiting for the user-interface thread.
    virtual int GetTabSelection() const = 0;
    // Posts the command of the Rec page's button nCommandId (IDC_REC_START, IDC_REC_SAVE,
    // IDC_REC_STOP); the page handles it later as a click. User-interface thread.
    virtual void PostRecCommand(int nCommandId) = 0;

    // The resolution page's controls, read by the drawing thread on every pass, so each must
    // answer without waiting for the user-interface thread.
    virtual int GetCursorCheck() const = 0;  // guide-line check box: 1 checked
    virtual int GetCenterCheck() const = 0;  // "Center" check box: 1 checked
    virtual int GetLinePosition() const = 0; // position of the line-scan position scroll bar

  protected:
    ~ViewerOwner() = default;
};
