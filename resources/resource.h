#pragma once

// Dialog template and control ids shared between windows. Command ids are unique within one
// dialog only: the same number can name different buttons of different dialogs.

// Dialog templates.
constexpr int IDD_TARNWICK_DIALOG = 102; // the main dialog
constexpr int IDD_TARNWICK_WND = 104;    // the viewer window

// Controls of the main dialog.
constexpr int IDC_MAIN_RESOLUTION = 1002;      // frame size "%d x %d" (read-only)
constexpr int IDC_MAIN_START = 1003;           // "Start"
constexpr int IDC_MAIN_STOP = 1004;            // "Stop"
constexpr int IDC_MAIN_SAVE_IMAGE = 1005;      // "Save Image"
constexpr int IDC_MAIN_TAB = 1006;             // the tab control over the four pages
constexpr int IDC_MAIN_FOLDER_SELECT = 1007;   // "Folder Select" check box
constexpr int IDC_MAIN_FPS = 1008;             // frame rate "%0.02f FPS" (read-only)
constexpr int IDC_MAIN_MODEL = 1009;           // "Model Name : " (read-only)
constexpr int IDC_MAIN_SERIAL = 1010;          // "Serial No : " (read-only)
constexpr int IDC_MAIN_FACTORY_DEFAULT = 1016; // "Factry Default"
constexpr int IDC_MAIN_CONFIG_SAVE = 1025;     // "Config Save"

// Buttons of the Rec page that other windows post as commands.
constexpr int IDC_REC_START = 1016;
constexpr int IDC_REC_STOP = 1025;
constexpr int IDC_REC_SAVE = 1055;

// Controls of the resolution page that the live viewer's drawing follows.
constexpr int IDC_SCROLL_LINE_POS = 1019; // line-scan position scroll bar
constexpr int IDC_CHK_CENTER = 1054;      // "Center" check box
constexpr int IDC_CHK_CURSOR = 1060;      // guide-line check box
