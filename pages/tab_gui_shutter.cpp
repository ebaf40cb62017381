#include "pages/tab_gui_shutter.h"

#include "camera/camera_defs.h"
#include "platform/ui/data_exchange.h"
#include "resources/page_resource.h"
#include "resources/page_templates.h"

namespace
{
const char* const SHUTTER_PRESETS[] = {
    " Data : 00", " Data : 01", " Data : 02", " Data : 03",          " Data : 04", " Data : 05",
    " Data : 06", " Data : 07", " Data : 08", " Data : 09",          " Data : 0A", " Data : 0B",
    " Data : 0C", " Data : 0D", " Data : 0E", " Data : 0F : Manual",
};
} // namespace

TabGUIShutter::TabGUIShutter()
    : TabPage(TabGUIShutterTemplate()), m_triple{&m_editShutter, &m_spinShutter, &m_scrollShutter,
                                                 REG_MANUAL_SHUTTER, false}
{
    MapSelChange(IDC_COMBO_SHUTTER, &TabGUIShutter::OnCbnSelchangeShutter);
    MapDeltaPos(IDC_SPIN_SHUTTER, &TabGUIShutter::OnDeltaposSpinShutter);
}

void TabGUIShutter::DoDataExchange(DataExchange& dx)
{
    dx.BindControl(IDC_COMBO_SHUTTER, m_comboShutter);
    dx.BindControl(IDC_EDIT_SHUTTER, m_editShutter);
    dx.BindControl(IDC_SPIN_SHUTTER, m_spinShutter);
    dx.BindControl(IDC_SCROLL_SHUTTER, m_scrollShutter);
}

bool TabGUIShutter::OnInitDialog()
{
    TabPage::OnInitDialog();
    // Nothing selected and positions left as they are: the start-up chain shows the camera's values.
    int nIndex = 0;
    for (const char* pText : SHUTTER_PRESETS)
        m_comboShutter.InsertString(nIndex++, pText);
    m_spinShutter.SetRange(SHUTTER_MIN, SHUTTER_MAX);
    m_scrollShutter.SetScrollRange(SHUTTER_MIN, SHUTTER_MAX, false);
    return true;
}

void TabGUIShutter::OnHScroll(int nSBCode, int nPos, int nScrollBarId)
{
    if (nScrollBarId == IDC_SCROLL_SHUTTER)
        ScrollTriple(m_triple, nSBCode, nPos);
    TabPage::OnHScroll(nSBCode, nPos, nScrollBarId);
}

void TabGUIShutter::OnCbnSelchangeShutter()
{
    // The manual triple stays usable whatever the preset.
    WriteRegister8(REG_SHUTTER_PRESET, m_comboShutter.GetCurSel());
}

void TabGUIShutter::OnDeltaposSpinShutter(UpDownNotify* pNMUpDown, int* pResult)
{
    DeltaPosTriple(m_triple, *pNMUpDown, pResult);
}
