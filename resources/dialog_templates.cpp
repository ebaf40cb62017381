#include "resources/dialog_templates.h"

#include "platform/ui/ui_types.h"
#include "resources/resource.h"

namespace
{
DialogTemplate MakeTarnwickDlgTemplate()
{
    // The four read-only fields: centred text in a border, not reached by the Tab key.
    constexpr unsigned FIELD = CTL_READONLY | CTL_CENTER | CTL_BORDER;
    DialogTemplate t{
        .x = 0,
        .y = 0,
        .cx = 255,
        .cy = 474,
        .caption = "Tarnwick",
        .nStyle = DLG_CAPTION | DLG_SYSMENU | DLG_MINIMIZEBOX | DLG_APPWINDOW,
        .fontName = "MS UI Gothic",
        .nPointSize = 9,
        .controls = {
            {IDC_MAIN_MODEL, ControlKind::Edit, "", 7, 10, 160, 14, FIELD},
            {IDC_MAIN_SERIAL, ControlKind::Edit, "", 171, 10, 77, 14, FIELD},
            {IDC_MAIN_RESOLUTION, ControlKind::Edit, "", 7, 33, 77, 14, FIELD},
            {IDC_MAIN_FPS, ControlKind::Edit, "", 89, 33, 77, 14, FIELD},
            {IDC_MAIN_FOLDER_SELECT, ControlKind::CheckBox, "Folder Select", 173, 33, 75, 14, CTL_TABSTOP},
            {IDC_MAIN_START, ControlKind::PushButton, "Start", 7, 57, 77, 25, CTL_TABSTOP},
            {IDC_MAIN_STOP, ControlKind::PushButton, "Stop", 89, 57, 77, 25, CTL_TABSTOP},
            {IDC_MAIN_SAVE_IMAGE, ControlKind::PushButton, "Save Image", 171, 57, 77, 25, CTL_TABSTOP},
            {IDC_MAIN_TAB, ControlKind::Tab, "", 7, 98, 242, 337, 0},
            {IDC_MAIN_FACTORY_DEFAULT, ControlKind::PushButton, "Factry Default", 55, 446, 50, 14,
             CTL_TABSTOP},
            {IDC_MAIN_CONFIG_SAVE, ControlKind::PushButton, "Config Save", 109, 446, 50, 14, CTL_TABSTOP},
            {IDCANCEL, ControlKind::PushButton, "Exit", 171, 440, 77, 25, CTL_TABSTOP},
        }};
    return t;
}

DialogTemplate MakeTarnwickWndTemplate()
{
    DialogTemplate t;
    t.x = 0;
    t.y = 0;
    t.cx = 744;
    t.cy = 642;
    t.caption = "";
    t.nStyle = DLG_VISIBLE | DLG_CAPTION | DLG_SYSMENU | DLG_THICKFRAME | DLG_MINIMIZEBOX | DLG_MAXIMIZEBOX |
               DLG_HSCROLL | DLG_VSCROLL;
    t.fontName = "MS UI Gothic";
    t.nPointSize = 9;
    return t;
}
} // namespace

const DialogTemplate& TarnwickWndTemplate()
{
    static const DialogTemplate s_template = MakeTarnwickWndTemplate();
    return s_template;
}

const DialogTemplate& TarnwickDlgTemplate()
{
    static const DialogTemplate s_template = MakeTarnwickDlgTemplate();
    return s_template;
}
