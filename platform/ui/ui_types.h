#pragma once

#include <cstdint>

// Plain values shared by the dialog framework and the program's windows. The numbers are the ones
// the program's logic is written against (message ids, key codes, scroll codes, results), so that
// handlers compare against the same values whatever toolkit sits underneath.

struct Point
{
    int x = 0;
    int y = 0;
};

struct Rect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// Colours as 0x00BBGGRR.
using ColorRef = std::uint32_t;
constexpr ColorRef Rgb(int r, int g, int b)
{
    return static_cast<ColorRef>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

// Messages offered to the pre-translation filters.
constexpr unsigned WM_KEYDOWN = 0x0100;
constexpr unsigned WM_KEYUP = 0x0101;
constexpr unsigned WM_SYSKEYDOWN = 0x0104;
constexpr unsigned WM_SYSKEYUP = 0x0105;
constexpr unsigned WM_LBUTTONDOWN = 0x0201;
constexpr unsigned WM_LBUTTONUP = 0x0202;
constexpr unsigned WM_LBUTTONDBLCLK = 0x0203;
constexpr unsigned WM_RBUTTONDOWN = 0x0204;
constexpr unsigned WM_RBUTTONUP = 0x0205;
constexpr unsigned WM_RBUTTONDBLCLK = 0x0206;

// Virtual-key codes. Letters and digits are their upper-case ASCII codes.
constexpr unsigned VK_BACK = 0x08;
constexpr unsigned VK_TAB = 0x09;
constexpr unsigned VK_RETURN = 0x0D;
constexpr unsigned VK_SHIFT = 0x10;
constexpr unsigned VK_CONTROL = 0x11;
constexpr unsigned VK_MENU = 0x12;
constexpr unsigned VK_ESCAPE = 0x1B;
constexpr unsigned VK_SPACE = 0x20;
constexpr unsigned VK_PRIOR = 0x21;
constexpr unsigned VK_NEXT = 0x22;
constexpr unsigned VK_END = 0x23;
constexpr unsigned VK_HOME = 0x24;
constexpr unsigned VK_LEFT = 0x25;
constexpr unsigned VK_UP = 0x26;
constexpr unsigned VK_RIGHT = 0x27;
constexpr unsigned VK_DOWN = 0x28;
constexpr unsigned VK_INSERT = 0x2D;
constexpr unsigned VK_DELETE = 0x2E;
constexpr unsigned VK_NUMPAD0 = 0x60;
constexpr unsigned VK_MULTIPLY = 0x6A;
constexpr unsigned VK_ADD = 0x6B;
constexpr unsigned VK_SUBTRACT = 0x6D;
constexpr unsigned VK_DECIMAL = 0x6E;
constexpr unsigned VK_DIVIDE = 0x6F;
constexpr unsigned VK_F1 = 0x70;
constexpr unsigned VK_OEM_1 = 0xBA;
constexpr unsigned VK_OEM_PLUS = 0xBB;
constexpr unsigned VK_OEM_COMMA = 0xBC;
constexpr unsigned VK_OEM_MINUS = 0xBD;
constexpr unsigned VK_OEM_PERIOD = 0xBE;
constexpr unsigned VK_OEM_2 = 0xBF;

// Key and button state carried by mouse messages.
constexpr unsigned MK_LBUTTON = 0x0001;
constexpr unsigned MK_RBUTTON = 0x0002;
constexpr unsigned MK_SHIFT = 0x0004;
constexpr unsigned MK_CONTROL = 0x0008;
constexpr unsigned MK_MBUTTON = 0x0010;

// Scroll codes of OnHScroll / OnVScroll. SB_ENDSCROLL follows every gesture.
constexpr int SB_LINELEFT = 0;
constexpr int SB_LINEUP = 0;
constexpr int SB_LINERIGHT = 1;
constexpr int SB_LINEDOWN = 1;
constexpr int SB_PAGELEFT = 2;
constexpr int SB_PAGEUP = 2;
constexpr int SB_PAGERIGHT = 3;
constexpr int SB_PAGEDOWN = 3;
constexpr int SB_THUMBPOSITION = 4;
constexpr int SB_THUMBTRACK = 5;
constexpr int SB_LEFT = 6;
constexpr int SB_TOP = 6;
constexpr int SB_RIGHT = 7;
constexpr int SB_BOTTOM = 7;
constexpr int SB_ENDSCROLL = 8;

// The window's own scroll bars.
constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;

// The control id under which a window's own scroll bar reports in OnHScroll / OnVScroll.
constexpr int WINDOW_SCROLL_BAR = 0;

// OnSize types.
constexpr int SIZE_RESTORED = 0;
constexpr int SIZE_MINIMIZED = 1;
constexpr int SIZE_MAXIMIZED = 2;

// Dialog results and the two standard command ids.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// A keyboard or mouse-button message as the pre-translation filters see it, before it is
// dispatched.
class Dialog;
struct Message
{
    unsigned nMessage = 0;     // WM_KEYDOWN, WM_LBUTTONDOWN, ...
    unsigned nKey = 0;         // virtual-key code for key messages; MK_ flags for mouse messages
    bool bRepeat = false;      // key messages: an auto-repeated key-down
    Point pt;                  // mouse messages: position in the target window's client coordinates
    Dialog* pDialog = nullptr; // the dialog whose client area or control the message is for
    int nCtrlId = 0;           // the target control's id; 0 when it is the dialog's client area
};

// The record an up-down control hands to its delta-position handler before it moves.
struct UpDownNotify
{
    int iPos = 0;   // position before the step
    int iDelta = 0; // change about to be applied
};
