#pragma once

#include "pages/tab_page.h"
#include "platform/ui/button.h"
#include "platform/ui/combo_box.h"
#include "platform/ui/edit_box.h"
#include "platform/ui/scroll_bar.h"
#include "platform/ui/up_down.h"

constexpr int GAIN_MAX = 144; // upper bound of the manual and colour gains; the lower bound is 0

// One-push white balance.
constexpr double WB_BLACK_LEVEL = 9.0;    // subtracted from each channel mean
constexpr double WB_GAIN_STEP = 0.020833; // gain units per step of the colour gains
constexpr double WB_GAIN_OFFSET = 48.0;
constexpr int WB_CENTER_SIZE = 128; // side of the centre metering area

// The Gain page (tab 0 "Gain"): gain mode, manual gain and the red, green and blue gains, each
// written to its register at once, and the one-push white balance from the live picture.
class TabGUIGain : public TabPage
{
  public:
    TabGUIGain();

    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;
    void OnHScroll(int nSBCode, int nPos, int nScrollBarId) override;

    void OnBnClickedGainMode();
    void OnDeltaposSpinManualGain(UpDownNotify* pNMUpDown, int* pResult);
    void OnDeltaposSpinGainR(UpDownNotify* pNMUpDown, int* pResult);
    void OnDeltaposSpinGainB(UpDownNotify* pNMUpDown, int* pResult);
    void OnDeltaposSpinGainG(UpDownNotify* pNMUpDown, int* pResult);
    void OnBnClickedOnePushWb();

    int m_nGainMode = 0; // 0 "0dB", 1 "+6dB", 2 "+12dB"
    Button m_radioGain0dB;
    Button m_radioGain6dB;
    Button m_radioGain12dB;
    EditBox m_editManualGain;
    UpDown m_spinManualGain;
    ScrollBar m_scrollManualGain;
    EditBox m_editGainR;
    UpDown m_spinGainR;
    ScrollBar m_scrollGainR;
    EditBox m_editGainB;
    UpDown m_spinGainB;
    ScrollBar m_scrollGainB;
    EditBox m_editGainG;
    UpDown m_spinGainG;
    ScrollBar m_scrollGainG;
    ComboBox m_comboMetering; // 0 whole picture, 1 centre 128 x 128
    Button m_btnOnePushWb;

  private:
    // Manual, red, blue and green, in the order the page sets them up.
    const TabTriple m_triples[4];
};
