#include "resources/dialog_templates.h"

namespace
{
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
