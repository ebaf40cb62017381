#pragma once

#include "pages/tab_page.h"
#include "platform/ui/combo_box.h"
#include "platform/ui/edit_box.h"
#include "platform/ui/scroll_bar.h"
#include "platform/ui/up_down.h"

// Bounds of the manual shutter.
constexpr int SHUTTER_MIN = 960;
constexpr int SHUTTER_MAX = 984;

// The Shutter page (tab 1 "Shutter"): a preset from a list of sixteen and a manual shutter value,
// each written to its register at once.
class TabGUIShutter : public TabPage
{
  public:
    TabGUIShutter();

    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;
    void OnHScroll(int nSBCode, int nPos, int nScrollBarId) override;

    void OnCbnSelchangeShutter();
    void OnDeltaposSpinShutter(UpDownNotify* pNMUpDown, int* pResult);

    ComboBox m_comboShutter; // the entry's index is the preset written
    EditBox m_editShutter;
    UpDown m_spinShutter;
    ScrollBar m_scrollShutter;

  private:
    const TabTriple m_triple;
};
