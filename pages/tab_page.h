#pragma once

#include "platform/ui/dialog.h"

class CameraDevice;
class EditBox;
class ScrollBar;
class UpDown;

// One control triple: a read-only buddy edit, its up-down control and a horizontal scroll bar, all
// with the same bounds, showing one camera register. The buddy shows the value either as text or
// through the up-down control's position.
struct TabTriple
{
    EditBox* pEdit;
    UpDown* pSpin;
    ScrollBar* pScroll;
    int nReg;          // the 16-bit register the value is written to
    bool bBuddyBySpin; // a scroll action shows the value by setting the up-down's position
};

// What the four control pages share: a modeless child dialog of the main dialog that turns the
// operator's actions into camera register writes at once, through the camera the main dialog hands
// over once it has opened it. Until then (or when no camera opened) the controls still move and
// show values, and no request is sent. User-interface thread only.
class TabPage : public Dialog
{
  public:
    explicit TabPage(const DialogTemplate& tmpl);

    // Enter, Esc, R, S, T, ',' and '.' never reach the page's own dialog keys (no default button,
    // no cancel): they are passed on to the main dialog's hot keys, unless the page acted on the key
    // itself (OnPageKey), in which case the key is consumed so that it acts once per press.
    bool PreTranslateMessage(const Message& msg) override;

    // Handed over by the main dialog after it has opened the camera; both set together.
    CameraDevice* m_pCamera = nullptr;
    int m_nCameraNo = -1; // the opened device index, 0 to 15; -1: no camera

  protected:
    // A key-down of one of the seven hot keys on this page; true when the page acted on it.
    virtual bool OnPageKey(unsigned nKey);

    // The value a scroll action leaves: line steps of nLineStep, page steps of 10, the thumb's
    // position for the thumb codes, the current value for any other code; bounded to the bar's range.
    static int ScrollValue(const ScrollBar& bar, int nSBCode, int nPos, int nLineStep);
    // The position an up-down control is about to move to, bounded to its range.
    static int DeltaPosValue(const UpDown& spin, const UpDownNotify& nm);

    // A scroll action on the triple's bar: bar, buddy and register take the stepped value. Runs for
    // every code, so the end of each gesture writes the value once more.
    void ScrollTriple(const TabTriple& triple, int nSBCode, int nPos, int nLineStep = 1);
    // An up-down step of the triple: bar and register take the new position; the step is allowed,
    // so the up-down control shows it in the buddy.
    void DeltaPosTriple(const TabTriple& triple, const UpDownNotify& nm, int* pResult);

    // Register writes to the handed-over camera; nothing without a camera, an index outside 0 to
    // 15 or a camera not present. Results are not examined.
    void WriteRegister8(int nReg, int nValue);
    void WriteRegister16(int nReg, int nValue);
};
