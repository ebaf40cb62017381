#include "pages/tab_gui_gain.h"

#include "buffers/shared_buffers.h"
#include "camera/camera_defs.h"
#include "pages/white_balance.h"
#include "platform/ui/data_exchange.h"
#include "resources/page_resource.h"
#include "resources/page_templates.h"

#include <mutex>

TabGUIGain::TabGUIGain()
    : TabPage(TabGUIGainTemplate()), m_triples{
                                         {&m_editManualGain, &m_spinManualGain, &m_scrollManualGain,
                                          REG_MANUAL_GAIN, true},
                                         {&m_editGainR, &m_spinGainR, &m_scrollGainR, REG_GAIN_R, false},
                                         {&m_editGainB, &m_spinGainB, &m_scrollGainB, REG_GAIN_B, false},
                                         {&m_editGainG, &m_spinGainG, &m_scrollGainG, REG_GAIN_G, false}}
{
    MapClicked(IDC_RADIO_GAIN_0DB, &TabGUIGain::OnBnClickedGainMode);
    MapClicked(IDC_RADIO_GAIN_6DB, &TabGUIGain::OnBnClickedGainMode);
    MapClicked(IDC_RADIO_GAIN_12DB, &TabGUIGain::OnBnClickedGainMode);
    MapDeltaPos(IDC_SPIN_MANUAL_GAIN, &TabGUIGain::OnDeltaposSpinManualGain);
    MapDeltaPos(IDC_SPIN_GAIN_R, &TabGUIGain::OnDeltaposSpinGainR);
    MapDeltaPos(IDC_SPIN_GAIN_B, &TabGUIGain::OnDeltaposSpinGainB);
    MapDeltaPos(IDC_SPIN_GAIN_G, &TabGUIGain::OnDeltaposSpinGainG);
    MapClicked(IDC_ONE_PUSH_WB, &TabGUIGain::OnBnClickedOnePushWb);
}

void TabGUIGain::DoDataExchange(DataExchange& dx)
{
    dx.Radio(IDC_RADIO_GAIN_0DB, m_nGainMode);
    dx.BindControl(IDC_RADIO_GAIN_0DB, m_radioGain0dB);
    dx.BindControl(IDC_RADIO_GAIN_6DB, m_radioGain6dB);
    dx.BindControl(IDC_RADIO_GAIN_12DB, m_radioGain12dB);
    dx.BindControl(IDC_EDIT_MANUAL_GAIN, m_editManualGain);
    dx.BindControl(IDC_SPIN_MANUAL_GAIN, m_spinManualGain);
    dx.BindControl(IDC_SCROLL_MANUAL_GAIN, m_scrollManualGain);
    dx.BindControl(IDC_EDIT_GAIN_R, m_editGainR);
    dx.BindControl(IDC_SPIN_GAIN_R, m_spinGainR);
    dx.BindControl(IDC_SCROLL_GAIN_R, m_scrollGainR);
    dx.BindControl(IDC_EDIT_GAIN_B, m_editGainB);
    dx.BindControl(IDC_SPIN_GAIN_B, m_spinGainB);
    dx.BindControl(IDC_SCROLL_GAIN_B, m_scrollGainB);
    dx.BindControl(IDC_EDIT_GAIN_G, m_editGainG);
    dx.BindControl(IDC_SPIN_GAIN_G, m_spinGainG);
    dx.BindControl(IDC_SCROLL_GAIN_G, m_scrollGainG);
    dx.BindControl(IDC_COMBO_METERING, m_comboMetering);
    dx.BindControl(IDC_ONE_PUSH_WB, m_btnOnePushWb);
}

bool TabGUIGain::OnInitDialog()
{
    TabPage::OnInitDialog();
    // Positions stay where they are: the start-up chain shows the camera's values.
    for (const TabTriple& triple : m_triples)
    {
        triple.pSpin->SetRange(0, GAIN_MAX);
        triple.pScroll->SetScrollRange(0, GAIN_MAX, false);
    }
    m_comboMetering.InsertString(0, "１．全画面");
    m_comboMetering.InsertString(1, "２．中央 128 x 128");
    m_comboMetering.SetCurSel(0);
    return true;
}

void TabGUIGain::OnHScroll(int nSBCode, int nPos, int nScrollBarId)
{
    for (const TabTriple& triple : m_triples)
        if (triple.pScroll->GetDlgCtrlID() == nScrollBarId)
            ScrollTriple(triple, nSBCode, nPos);
    TabPage::OnHScroll(nSBCode, nPos, nScrollBarId);
}

void TabGUIGain::OnBnClickedGainMode()
{
    UpdateData(true);
    WriteRegister8(REG_GAIN_MODE, m_nGainMode);
}

void TabGUIGain::OnDeltaposSpinManualGain(UpDownNotify* pNMUpDown, int* pResult)
{
    DeltaPosTriple(m_triples[0], *pNMUpDown, pResult);
}

void TabGUIGain::OnDeltaposSpinGainR(UpDownNotify* pNMUpDown, int* pResult)
{
    DeltaPosTriple(m_triples[1], *pNMUpDown, pResult);
}

void TabGUIGain::OnDeltaposSpinGainB(UpDownNotify* pNMUpDown, int* pResult)
{
    DeltaPosTriple(m_triples[2], *pNMUpDown, pResult);
}

void TabGUIGain::OnDeltaposSpinGainG(UpDownNotify* pNMUpDown, int* pResult)
{
    DeltaPosTriple(m_triples[3], *pNMUpDown, pResult);
}

void TabGUIGain::OnBnClickedOnePushWb()
{
    WbSums sums;
    {
        // The live viewer converts the next frame into g_pBgrFrame under this lock, so the sums
        // come from one frame.
        std::lock_guard<std::mutex> lock(LiveFrameLock());
        if (g_pBgrFrame == nullptr || !MeterWhiteBalance(g_pBgrFrame, m_comboMetering.GetCurSel(), &sums))
            return;
    }
    int nGainR = m_spinGainR.GetPos();
    int nGainB = m_spinGainB.GetPos();
    BalanceGains(sums, &nGainR, &nGainB);
    m_scrollGainR.SetScrollPos(nGainR, true);
    m_scrollGainB.SetScrollPos(nGainB, true);
    m_spinGainR.SetPos32(nGainR);
    m_spinGainB.SetPos32(nGainB);
    WriteRegister16(REG_GAIN_R, nGainR);
    WriteRegister16(REG_GAIN_B, nGainB);
}
