#include "pages/tab_gui_partial.h"

#include "platform/ui/data_exchange.h"
#include "resources/page_resource.h"
#include "resources/page_templates.h"

#include <cstdio>
#include <string>

TabGUIPartial::TabGUIPartial() : TabPage(TabGUIPartialTemplate())
{
    MapDeltaPos(IDC_SPIN_LINE_POS, &TabGUIPartial::OnDeltaposSpinLinePos);
    MapClicked(IDC_CHK_CENTER, &TabGUIPartial::OnBnClickedCenter);
    MapClicked(IDC_SET_LINE_RATE, &TabGUIPartial::OnBnClickedSetLineRate);
    MapSelChange(IDC_COMBO_DIRECTION, &TabGUIPartial::OnCbnSelchangeDirection);
    MapClicked(IDC_RADIO_FULL_SIZE, &TabGUIPartial::OnBnClickedResolution);
    MapClicked(IDC_RADIO_LINE_SCAN, &TabGUIPartial::OnBnClickedResolution);
    MapClicked(IDC_RADIO_LINE_SCAN_FAST, &TabGUIPartial::OnBnClickedResolution);
    MapClicked(IDC_GET_FROM_DRAW_AREA, &TabGUIPartial::OnBnClickedGetFromDrawArea);
    MapClicked(IDC_RADIO_ENV_INPUT, &TabGUIPartial::OnBnClickedInputMode);
    MapClicked(IDC_RADIO_FPS_INPUT, &TabGUIPartial::OnBnClickedInputMode);
}

void TabGUIPartial::DoDataExchange(DataExchange& dx)
{
    dx.Radio(IDC_RADIO_FULL_SIZE, m_nResolution);
    dx.Radio(IDC_RADIO_ENV_INPUT, m_nInputMode);
    dx.BindControl(IDC_EDIT_LINE_POS, m_editLinePos);
    dx.BindControl(IDC_SPIN_LINE_POS, m_spinLinePos);
    dx.BindControl(IDC_SCROLL_LINE_POS, m_scrollLinePos);
    dx.BindControl(IDC_CHK_CENTER, m_chkCenter);
    dx.BindControl(IDC_EDIT_SIZE, m_editSize);
    dx.BindControl(IDC_EDIT_PIXEL, m_editPixel);
    dx.BindControl(IDC_EDIT_SPEED, m_editSpeed);
    dx.BindControl(IDC_COMBO_DIRECTION, m_comboDirection);
    dx.BindControl(IDC_EDIT_FPS, m_editFps);
    dx.BindControl(IDC_SET_LINE_RATE, m_btnSetLineRate);
    dx.BindControl(IDC_RADIO_FULL_SIZE, m_radioFullSize);
    dx.BindControl(IDC_RADIO_LINE_SCAN, m_radioLineScan);
    dx.BindControl(IDC_RADIO_LINE_SCAN_FAST, m_radioLineScanFast);
    dx.BindControl(IDC_CHK_CURSOR, m_chkCursor);
    dx.BindControl(IDC_GET_FROM_DRAW_AREA, m_btnGetFromDrawArea);
    dx.BindControl(IDC_RADIO_ENV_INPUT, m_radioEnvInput);
    dx.BindControl(IDC_RADIO_FPS_INPUT, m_radioFpsInput);
    dx.BindControl(IDC_STATIC_KEY_HINT, m_staticKeyHint);
}

bool TabGUIPartial::OnInitDialog()
{
    TabPage::OnInitDialog();
    m_spinLinePos.SetRange32(0, LINE_POS_MAX);
    m_scrollLinePos.SetScrollRange(0, LINE_POS_MAX, false);

    char szText[64];
    std::snprintf(szText, sizeof szText, "%0.02f", m_dFps);
    m_editFps.SetWindowText(szText);
    m_editSize.SetWindowText(std::to_string(m_nSize));
    m_editPixel.SetWindowText(std::to_string(m_nPixel));
    m_editSpeed.SetWindowText(std::to_string(m_nSpeed));

    // A direction outside the list leaves it without a selection.
    m_comboDirection.InsertString(0, " 右から左");
    m_comboDirection.InsertString(1, " 左から右");
    m_comboDirection.SetCurSel(m_nDirection);

    EnableInputModeControls();
    m_bRateClamped = 0;
    return true;
}

void TabGUIPartial::EnableInputModeControls()
{
    const bool bEnvironment = m_nInputMode == INPUT_MODE_ENVIRONMENT;
    m_editSize.EnableWindow(bEnvironment);
    m_editPixel.EnableWindow(bEnvironment);
    m_editSpeed.EnableWindow(bEnvironment);
    m_btnGetFromDrawArea.EnableWindow(bEnvironment);
    m_editFps.SetReadOnly(bEnvironment);
    m_staticKeyHint.ShowWindow(!bEnvironment);
}

void TabGUIPartial::OnHScroll(int nSBCode, int nPos, int nScrollBarId)
{
    // Moves the line-scan position by its scroll bar and writes it to the camera.
    TabPage::OnHScroll(nSBCode, nPos, nScrollBarId);
}

void TabGUIPartial::OnCtlColor()
{
    // Shows the rate entry's text in red while the last line period was raised to its minimum.
}

void TabGUIPartial::OnDeltaposSpinLinePos(UpDownNotify*, int*)
{
    // Moves the line-scan position by its up-down control and writes it to the camera.
}

void TabGUIPartial::OnBnClickedCenter()
{
    // Switches the line-scan position between the centre line and the position shown.
}

void TabGUIPartial::OnBnClickedSetLineRate()
{
    // Works out the line period from the rate and writes it to the camera.
}

void TabGUIPartial::OnCbnSelchangeDirection()
{
    // The direction is read when a recording starts and stops; choosing one writes nothing.
}

void TabGUIPartial::OnBnClickedResolution()
{
    // Switches the camera's readout mode: stop, clear the live buffers, new capture format, run.
}

void TabGUIPartial::OnBnClickedGetFromDrawArea()
{
    // Takes the pixel count from the rectangle measured in the live viewer.
}

void TabGUIPartial::OnBnClickedInputMode()
{
    // Switches between the rate from the shooting environment and the typed rate.
}
