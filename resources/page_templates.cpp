#include "resources/page_templates.h"

#include "resources/page_resource.h"

#include <utility>
#include <vector>

namespace
{
constexpr int NO_ID = -1; // labels and group boxes that no code touches

// The read-only buddy edit of a control triple, and the edits that take a whole number.
constexpr unsigned TRIPLE_EDIT = CTL_BORDER | CTL_TABSTOP | CTL_READONLY | CTL_NUMBER | CTL_RIGHT;
constexpr unsigned NUMBER_EDIT = CTL_BORDER | CTL_TABSTOP | CTL_NUMBER | CTL_RIGHT;
constexpr unsigned FIRST_RADIO = CTL_GROUP | CTL_TABSTOP;

ControlTemplate Ctl(int nId, ControlKind kind, const char* pText, int x, int y, int cx, int cy,
                    unsigned nStyle = 0)
{
    return ControlTemplate{nId, kind, pText, x, y, cx, cy, nStyle};
}
ControlTemplate Group(const char* pText, int x, int y, int cx, int cy)
{
    return Ctl(NO_ID, ControlKind::GroupBox, pText, x, y, cx, cy);
}
ControlTemplate Label(const char* pText, int x, int y, int cx, int cy, unsigned nStyle = 0)
{
    return Ctl(NO_ID, ControlKind::Static, pText, x, y, cx, cy, nStyle);
}
ControlTemplate Spin(int nId, int x, int y)
{
    return Ctl(nId, ControlKind::UpDown, "", x, y, 10, 14);
}
ControlTemplate Bar(int nId, int x, int y, int cx)
{
    return Ctl(nId, ControlKind::HScrollBar, "", x, y, cx, 14);
}

// Every page: a hidden child of 233 x 312 dialog units without caption; the main dialog shows it.
DialogTemplate Page(std::vector<ControlTemplate> controls)
{
    DialogTemplate t;
    t.cx = 233;
    t.cy = 312;
    t.caption = "";
    t.nStyle = DLG_CHILD;
    t.fontName = "MS UI Gothic";
    t.nPointSize = 9;
    t.controls = std::move(controls);
    return t;
}

DialogTemplate MakeGainTemplate()
{
    using K = ControlKind;
    return Page({
        Group("Gain Mode", 0, 0, 233, 45),
        Ctl(IDC_RADIO_GAIN_0DB, K::RadioButton, "0dB", 11, 17, 32, 14, FIRST_RADIO),
        Ctl(IDC_RADIO_GAIN_6DB, K::RadioButton, "+6dB", 80, 17, 32, 14),
        Ctl(IDC_RADIO_GAIN_12DB, K::RadioButton, "+12dB", 149, 17, 32, 14),
        Group("Manual Gain (※RGB Gainと併用不可)", 0, 57, 233, 45),
        Ctl(IDC_EDIT_MANUAL_GAIN, K::Edit, "", 11, 75, 40, 14, TRIPLE_EDIT),
        Spin(IDC_SPIN_MANUAL_GAIN, 42, 81),
        Bar(IDC_SCROLL_MANUAL_GAIN, 56, 75, 167),
        Group("RGB Gain", 0, 115, 233, 128),
        Label("R", 1, 135, 10, 14, CTL_CENTER),
        Ctl(IDC_EDIT_GAIN_R, K::Edit, "", 13, 135, 38, 14, TRIPLE_EDIT),
        Spin(IDC_SPIN_GAIN_R, 42, 141),
        Bar(IDC_SCROLL_GAIN_R, 56, 135, 167),
        Label("G", 1, 158, 10, 14, CTL_CENTER),
        Ctl(IDC_EDIT_GAIN_G, K::Edit, "", 13, 158, 38, 14, TRIPLE_EDIT),
        Spin(IDC_SPIN_GAIN_G, 42, 164),
        Bar(IDC_SCROLL_GAIN_G, 56, 158, 167),
        Label("B", 1, 181, 10, 14, CTL_CENTER),
        Ctl(IDC_EDIT_GAIN_B, K::Edit, "", 13, 181, 38, 14, TRIPLE_EDIT),
        Spin(IDC_SPIN_GAIN_B, 42, 187),
        Bar(IDC_SCROLL_GAIN_B, 56, 181, 167),
        Label("測光エリア：", 13, 214, 38, 14, CTL_CENTER),
        Ctl(IDC_COMBO_METERING, K::DropDownList, "", 56, 214, 84, 76, CTL_TABSTOP),
        Ctl(IDC_ONE_PUSH_WB, K::PushButton, "ワンプッシュWB", 173, 214, 50, 14, CTL_TABSTOP),
    });
}

DialogTemplate MakeShutterTemplate()
{
    using K = ControlKind;
    return Page({
        Group("Shutter", 0, 0, 233, 72),
        Ctl(IDC_COMBO_SHUTTER, K::DropDownList, "", 11, 17, 83, 257, CTL_TABSTOP),
        Ctl(IDC_EDIT_SHUTTER, K::Edit, "", 11, 44, 40, 14, TRIPLE_EDIT),
        Spin(IDC_SPIN_SHUTTER, 42, 50),
        Bar(IDC_SCROLL_SHUTTER, 56, 44, 167),
    });
}

DialogTemplate MakePartialTemplate()
{
    using K = ControlKind;
    return Page({
        Group("Resolution", 0, 0, 233, 45),
        Ctl(IDC_RADIO_FULL_SIZE, K::RadioButton, "フルサイズ", 11, 19, 65, 10, FIRST_RADIO),
        Ctl(IDC_RADIO_LINE_SCAN, K::RadioButton, "ラインスキャン", 82, 19, 51, 10),
        Ctl(IDC_RADIO_LINE_SCAN_FAST, K::RadioButton, "ラインスキャン(高速)", 155, 19, 70, 10),
        Group("Line Scan Position", 0, 56, 233, 62),
        Ctl(IDC_CHK_CENTER, K::CheckBox, "Center", 11, 72, 35, 10, CTL_TABSTOP),
        Ctl(IDC_EDIT_LINE_POS, K::Edit, "", 11, 90, 40, 14, TRIPLE_EDIT),
        Spin(IDC_SPIN_LINE_POS, 43, 96),
        Bar(IDC_SCROLL_LINE_POS, 56, 90, 169),
        Ctl(IDC_CHK_CURSOR, K::CheckBox, "カーソル", 155, 72, 70, 10, CTL_TABSTOP),
        Group("ラインレート計算", 0, 131, 233, 179),
        Ctl(IDC_RADIO_ENV_INPUT, K::RadioButton, "撮影環境入力モード", 11, 153, 73, 10, FIRST_RADIO),
        Ctl(IDC_RADIO_FPS_INPUT, K::RadioButton, "FPS入力モード", 143, 153, 58, 10),
        Label("実体寸法", 6, 188, 45, 14, CTL_RIGHT),
        Ctl(IDC_EDIT_SIZE, K::Edit, "", 56, 188, 40, 14, NUMBER_EDIT),
        Label("mm", 100, 188, 28, 14),
        Label("撮影ピクセル数", 6, 209, 45, 14, CTL_RIGHT),
        Ctl(IDC_EDIT_PIXEL, K::Edit, "", 56, 209, 40, 14, NUMBER_EDIT),
        Label("pix", 100, 209, 28, 14),
        Ctl(IDC_GET_FROM_DRAW_AREA, K::PushButton, "描画エリアから取得", 56, 230, 62, 14, CTL_TABSTOP),
        Label("通過速度", 6, 251, 45, 14, CTL_RIGHT),
        Ctl(IDC_EDIT_SPEED, K::Edit, "", 56, 251, 40, 14, NUMBER_EDIT),
        Label("km/h", 100, 251, 28, 14),
        Label("進入方向", 6, 273, 45, 14, CTL_RIGHT),
        Ctl(IDC_COMBO_DIRECTION, K::DropDownList, "", 56, 273, 62, 64, CTL_TABSTOP),
        Ctl(IDC_EDIT_FPS, K::Edit, "", 143, 188, 40, 14, CTL_BORDER | CTL_TABSTOP | CTL_CENTER),
        Label("FPS", 184, 188, 20, 14),
        Ctl(IDC_SET_LINE_RATE, K::PushButton, "設定", 138, 273, 90, 31, CTL_TABSTOP),
        Ctl(IDC_STATIC_KEY_HINT, K::Static, "※　< > キーで増減します", 143, 207, 81, 10),
    });
}

DialogTemplate MakeRecTemplate()
{
    using K = ControlKind;
    return Page({
        Ctl(IDC_REC_START, K::PushButton, "Rec Start\n\"R\"", 3, 7, 69, 54, CTL_TABSTOP),
        Ctl(IDC_REC_STOP, K::PushButton, "Rec Stop\n\"T\"", 79, 7, 69, 54, CTL_TABSTOP),
        Ctl(IDC_REC_SAVE, K::PushButton, "Save\n\"S\"", 164, 7, 69, 54, CTL_TABSTOP),
        Ctl(IDC_PROGRESS_REC, K::Progress, "", 3, 74, 230, 14, CTL_SMOOTH),
        Group("Rec Control", 0, 101, 233, 70),
        Ctl(IDC_RADIO_REC_MANUAL, K::RadioButton, "Manual", 15, 118, 37, 14, FIRST_RADIO),
        Ctl(IDC_RADIO_REC_STOP_AFTER, K::RadioButton, "Stop record after", 15, 141, 66, 14),
        Ctl(IDC_EDIT_HOUR, K::Edit, "", 83, 141, 29, 14, NUMBER_EDIT),
        Spin(IDC_SPIN_HOUR, 105, 145),
        Label("hour", 115, 141, 14, 14),
        Ctl(IDC_EDIT_MIN, K::Edit, "", 135, 141, 29, 14, NUMBER_EDIT),
        Spin(IDC_SPIN_MIN, 157, 145),
        Label("min", 167, 141, 14, 14),
        Ctl(IDC_EDIT_SEC, K::Edit, "", 187, 141, 29, 14, NUMBER_EDIT),
        Spin(IDC_SPIN_SEC, 209, 145),
        Label("sec", 219, 141, 11, 14),
        Group("File Option", 0, 181, 233, 130),
        Label("Path of folder where files are stored :", 10, 199, 144, 14),
        Ctl(IDC_EDIT_FOLDER, K::Edit, "", 15, 216, 155, 14, CTL_BORDER | CTL_TABSTOP),
        Ctl(IDC_BROWSE_FOLDER, K::PushButton, "...", 172, 216, 13, 14, CTL_TABSTOP),
        Ctl(IDC_CLEAR_FOLDER, K::PushButton, "Clear", 187, 216, 29, 14, CTL_TABSTOP),
        Label("File Name :", 10, 243, 144, 14),
        Ctl(IDC_RADIO_NAMING_MANUAL, K::RadioButton, "Manual", 15, 258, 36, 14, FIRST_RADIO),
        Ctl(IDC_RADIO_NAMING_TIMESTAMP, K::RadioButton, "Timestamp", 83, 258, 59, 14),
        Label("Image Format :", 10, 286, 46, 14),
        Ctl(IDC_COMBO_FORMAT, K::DropDownList, "", 61, 286, 90, 54, CTL_TABSTOP),
        Label("Quality :", 161, 286, 24, 14),
        Ctl(IDC_EDIT_QUALITY, K::Edit, "", 187, 286, 29, 14, NUMBER_EDIT),
        Spin(IDC_SPIN_QUALITY, 209, 290),
    });
}
} // namespace

const DialogTemplate& TabGUIGainTemplate()
{
    static const DialogTemplate s_template = MakeGainTemplate();
    return s_template;
}

const DialogTemplate& TabGUIShutterTemplate()
{
    static const DialogTemplate s_template = MakeShutterTemplate();
    return s_template;
}

const DialogTemplate& TabGUIPartialTemplate()
{
    static const DialogTemplate s_template = MakePartialTemplate();
    return s_template;
}

const DialogTemplate& TabGUIRecTemplate()
{
    static const DialogTemplate s_template = MakeRecTemplate();
    return s_template;
}
