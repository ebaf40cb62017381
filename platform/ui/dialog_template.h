#pragma once

#include <string>
#include <vector>

// A dialog described as data: its size and its controls' rectangles in dialog units, its caption,
// style and font. Dialog units are converted to pixels from the dialog font's metrics.

enum class ControlKind
{
    PushButton,
    CheckBox,    // toggles itself on a click
    RadioButton, // checks itself and unchecks the rest of its group on a click
    Edit,
    Static,
    GroupBox,
    DropDownList,
    HScrollBar,
    UpDown, // takes the control before it as its buddy edit
    Progress,
    Tab,
};

// Control style flags.
constexpr unsigned CTL_HIDDEN = 0x0001;
constexpr unsigned CTL_DISABLED = 0x0002;
constexpr unsigned CTL_GROUP = 0x0004; // starts a new group (radio groups end at the next one)
constexpr unsigned CTL_TABSTOP = 0x0008;
constexpr unsigned CTL_READONLY = 0x0010;
constexpr unsigned CTL_NUMBER = 0x0020; // edit accepts digits only
constexpr unsigned CTL_CENTER = 0x0040; // text alignment
constexpr unsigned CTL_RIGHT = 0x0080;
constexpr unsigned CTL_BORDER = 0x0100;
constexpr unsigned CTL_DEFAULT = 0x0200; // the default push button
constexpr unsigned CTL_SMOOTH = 0x0400;  // progress bar without segments
constexpr unsigned CTL_NOBUDDY = 0x0800; // up-down without a buddy edit

struct ControlTemplate
{
    int nId = 0;
    ControlKind kind = ControlKind::Static;
    std::string text;
    int x = 0, y = 0, cx = 0, cy = 0; // dialog units, in the dialog's client area
    unsigned nStyle = 0;
};

// Dialog style flags.
constexpr unsigned DLG_CHILD = 0x0001; // a child of its parent dialog; otherwise a top-level window
constexpr unsigned DLG_VISIBLE = 0x0002;
constexpr unsigned DLG_CAPTION = 0x0004;
constexpr unsigned DLG_SYSMENU = 0x0008;
constexpr unsigned DLG_THICKFRAME = 0x0010; // resizable
constexpr unsigned DLG_MINIMIZEBOX = 0x0020;
constexpr unsigned DLG_MAXIMIZEBOX = 0x0040;
constexpr unsigned DLG_HSCROLL = 0x0080; // the window has its own horizontal scroll bar
constexpr unsigned DLG_VSCROLL = 0x0100; // ... and vertical
constexpr unsigned DLG_APPWINDOW = 0x0200;

struct DialogTemplate
{
    int x = 0, y = 0, cx = 0, cy = 0; // position and client size in dialog units
    std::string caption;
    unsigned nStyle = DLG_CAPTION | DLG_SYSMENU;
    std::string fontName = "MS UI Gothic";
    int nPointSize = 9;
    std::vector<ControlTemplate> controls; // in tab order
};
