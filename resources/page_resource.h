#pragma once

#include "resources/resource.h"

// Template and control ids of the four control pages. Ids are unique within one page only: the same
// number names different controls on different pages.

// Page templates.
constexpr int IDD_TAB_GUI_GAIN = 103;
constexpr int IDD_TAB_GUI_SHUTTER = 105;
constexpr int IDD_TAB_GUI_PARTIAL = 106;
constexpr int IDD_TAB_GUI_REC = 107;

// Gain page.
constexpr int IDC_RADIO_GAIN_0DB = 1036; // first of the gain-mode group
constexpr int IDC_RADIO_GAIN_6DB = 1037;
constexpr int IDC_RADIO_GAIN_12DB = 1038;
constexpr int IDC_EDIT_MANUAL_GAIN = 1042;
constexpr int IDC_SPIN_MANUAL_GAIN = 1043;
constexpr int IDC_SCROLL_MANUAL_GAIN = 1044;
constexpr int IDC_EDIT_GAIN_R = 1026;
constexpr int IDC_SPIN_GAIN_R = 1027;
constexpr int IDC_SCROLL_GAIN_R = 1028;
constexpr int IDC_EDIT_GAIN_B = 1029;
constexpr int IDC_SPIN_GAIN_B = 1030;
constexpr int IDC_SCROLL_GAIN_B = 1031;
constexpr int IDC_EDIT_GAIN_G = 1032;
constexpr int IDC_SPIN_GAIN_G = 1033;
constexpr int IDC_SCROLL_GAIN_G = 1034;
constexpr int IDC_COMBO_METERING = 1035;
constexpr int IDC_ONE_PUSH_WB = 1016;

// Shutter page.
constexpr int IDC_COMBO_SHUTTER = 1035;
constexpr int IDC_EDIT_SHUTTER = 1017;
constexpr int IDC_SPIN_SHUTTER = 1018;
constexpr int IDC_SCROLL_SHUTTER = 1019;

// Resolution page (IDC_SCROLL_LINE_POS, IDC_CHK_CENTER and IDC_CHK_CURSOR are in resource.h).
constexpr int IDC_RADIO_FULL_SIZE = 1011; // first of the resolution group
constexpr int IDC_RADIO_LINE_SCAN = 1012;
constexpr int IDC_RADIO_LINE_SCAN_FAST = 1013;
constexpr int IDC_RADIO_ENV_INPUT = 1014; // first of the input-mode group
constexpr int IDC_RADIO_FPS_INPUT = 1015;
constexpr int IDC_SET_LINE_RATE = 1016;
constexpr int IDC_EDIT_LINE_POS = 1017;
constexpr int IDC_SPIN_LINE_POS = 1018;
constexpr int IDC_GET_FROM_DRAW_AREA = 1025;
constexpr int IDC_EDIT_SIZE = 1029;
constexpr int IDC_EDIT_PIXEL = 1032;
constexpr int IDC_EDIT_SPEED = 1057;
constexpr int IDC_COMBO_DIRECTION = 1058;
constexpr int IDC_EDIT_FPS = 1059;
constexpr int IDC_STATIC_KEY_HINT = 1062;

// Rec page (IDC_REC_START, IDC_REC_STOP and IDC_REC_SAVE are in resource.h).
constexpr int IDC_RADIO_REC_MANUAL = 1011; // first of the rec-control group
constexpr int IDC_RADIO_REC_STOP_AFTER = 1012;
constexpr int IDC_RADIO_NAMING_MANUAL = 1013; // first of the file-naming group
constexpr int IDC_RADIO_NAMING_TIMESTAMP = 1014;
constexpr int IDC_EDIT_HOUR = 1017;
constexpr int IDC_SPIN_HOUR = 1018;
constexpr int IDC_EDIT_MIN = 1026;
constexpr int IDC_SPIN_MIN = 1027;
constexpr int IDC_EDIT_SEC = 1029;
constexpr int IDC_SPIN_SEC = 1030;
constexpr int IDC_EDIT_FOLDER = 1032;
constexpr int IDC_SPIN_QUALITY = 1033;
constexpr int IDC_COMBO_FORMAT = 1035;
constexpr int IDC_PROGRESS_REC = 1049;
constexpr int IDC_BROWSE_FOLDER = 1050;
constexpr int IDC_CLEAR_FOLDER = 1051;
constexpr int IDC_EDIT_QUALITY = 1063;
