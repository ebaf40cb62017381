#pragma once

// Dialog template and control ids shared between windows. Command ids are unique within one
// dialog only: the same number can name different buttons of different dialogs.

// Dialog templates.
constexpr int IDD_TARNWICK_WND = 104; // the viewer window

// Buttons of the Rec page that other windows post as commands.
constexpr int IDC_REC_START = 1016;
constexpr int IDC_REC_STOP = 1025;
constexpr int IDC_REC_SAVE = 1055;

// Controls of the resolution page that the live viewer's drawing follows.
constexpr int IDC_SCROLL_LINE_POS = 1019; // line-scan position scroll bar
constexpr int IDC_CHK_CENTER = 1054;      // "Center" check box
constexpr int IDC_CHK_CURSOR = 1060;      // guide-line check box
