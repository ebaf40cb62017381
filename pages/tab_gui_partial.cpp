#include "pages/tab_gui_partial.h"

#include "buffers/shared_buffers.h"
#include "camera/camera_device.h"
#include "display/measure_rect.h"
#include "display/tarnwick_wnd.h"
#include "pages/line_rate.h"
#include "pages/number_text.h"
#include "pages/page_owner.h"
#include "pages/tab_gui_shutter.h"
#include "platform/capture/capture_graph_builder.h"
#include "platform/capture/filter_graph.h"
#include "platform/ui/data_exchange.h"
#include "resources/page_resource.h"
#include "resources/page_templates.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

namespace
{
constexpr int LINE_POS_LINE_STEP = 2; // a scroll-bar arrow moves the line-scan position two lines
constexpr ColorRef RATE_CLAMPED_COLOR = Rgb(255, 0, 0);
constexpr ColorRef RATE_COLOR = Rgb(0, 0, 0);
} // namespace

TabGUIPartial::TabGUIPartial()
    : TabPage(TabGUIPartialTemplate()), m_triple{&m_editLinePos, &m_spinLinePos, &m_scrollLinePos,
                                                 REG_LINE_POSITION, false}
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

    m_bRateClamped = 0;
    EnableInputModeControls();
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
    OnCtlColor();
}

void TabGUIPartial::OnHScroll(int nSBCode, int nPos, int nScrollBarId)
{
    if (nScrollBarId == IDC_SCROLL_LINE_POS)
    {
        m_chkCenter.SetCheck(0); // a position chosen by hand is no longer the centre line
        ScrollTriple(m_triple, nSBCode, nPos, LINE_POS_LINE_STEP);
    }
    TabPage::OnHScroll(nSBCode, nPos, nScrollBarId);
}

void TabGUIPartial::OnCtlColor()
{
    // Red only while the entry shows the computed rate (read-only); a typed rate keeps the normal
    // colour whatever the last command did.
    const bool bRed = m_bRateClamped == 1 && m_editFps.IsReadOnly();
    m_editFps.SetTextColor(bRed ? RATE_CLAMPED_COLOR : RATE_COLOR);
}

void TabGUIPartial::OnDeltaposSpinLinePos(UpDownNotify* pNMUpDown, int* pResult)
{
    m_chkCenter.SetCheck(0);
    DeltaPosTriple(m_triple, *pNMUpDown, pResult);
}

void TabGUIPartial::OnBnClickedCenter()
{
    // The box has toggled itself. Unchecking leaves the controls showing 0 and sends 0 to match.
    if (m_chkCenter.GetCheck() == 1)
    {
        m_scrollLinePos.SetScrollPos(0, true);
        m_editLinePos.SetWindowText("0");
        WriteRegister16(REG_LINE_POSITION, LINE_POS_CENTER);
    }
    else
    {
        WriteRegister16(REG_LINE_POSITION, 0);
    }
}

void TabGUIPartial::OnBnClickedSetLineRate()
{
    UpdateData(true);
    double dRate = 0.0;
    if (m_nInputMode != INPUT_MODE_ENVIRONMENT)
    {
        dRate = TextToDouble(m_editFps.GetWindowText());
    }
    else
    {
        dRate = EnvironmentRate();
        m_editFps.SetWindowText(FormatRate(dRate));
    }
    const LinePeriod period = LinePeriodFromRate(dRate);
    m_bRateClamped = period.bClamped;
    WriteRegister16(REG_LINE_PERIOD, period.nCount);
    OnCtlColor();
}

double TabGUIPartial::EnvironmentRate() const
{
    const int nSize = TextToInt(m_editSize.GetWindowText());
    const int nPixel = TextToInt(m_editPixel.GetWindowText());
    const int nSpeed = TextToInt(m_editSpeed.GetWindowText());
    return RateFromEnvironment(nSize, nPixel, nSpeed);
}

std::string TabGUIPartial::LineRateText() const
{
    if (m_nInputMode != INPUT_MODE_ENVIRONMENT)
        return m_editFps.GetWindowText();
    return FormatRate(EnvironmentRate());
}

void TabGUIPartial::OnCbnSelchangeDirection()
{
    // The direction is read when a recording starts and stops; choosing one writes nothing.
}

bool TabGUIPartial::IsStreaming() const
{
    if (m_pCamera == nullptr || m_pCamera->m_nOpened < 0 || !m_pCamera->m_pGraph)
        return false;
    const std::shared_ptr<MediaControl> pControl = m_pCamera->m_pGraph->QueryMediaControl();
    int nState = GRAPH_STATE_STOPPED;
    return pControl && pControl->GetState(0, nState) && nState == GRAPH_STATE_RUNNING;
}

void TabGUIPartial::SetCaptureFormat(int nMode)
{
    if (m_pCamera == nullptr || m_pCamera->m_nOpened < 0 || m_pCamera->m_nOpened >= CAMERA_MAX ||
        !m_pCamera->m_pBuilder)
        return;
    const std::shared_ptr<StreamConfig> pConfig =
        m_pCamera->m_pBuilder->FindStreamConfig(m_pCamera->m_pCapture[m_pCamera->m_nOpened]);
    VideoFormat format;
    if (!pConfig || !pConfig->GetFormat(format))
        return; // no format to change
    format.nWidth = g_anFrameWidth[nMode];
    format.nHeight = g_anFrameHeight[nMode];
    // A refused format leaves the camera sending frames of the old size: the callback keeps that
    // size, so that it goes on taking them.
    if (!pConfig->SetFormat(format) || !m_pCamera->m_pCallback)
        return;
    m_pCamera->m_pCallback->m_nWidth = format.nWidth;
    m_pCamera->m_pCallback->m_nHeight = format.nHeight;
}

void TabGUIPartial::OnBnClickedResolution()
{
    PageOwner* pOwner = GetPageOwner();
    UpdateData(true);
    const int nMode = m_nResolution + 1;
    if (nMode < 0 || nMode >= READOUT_MODE_COUNT)
        return;

    // The graph runs again afterwards only if it ran before, so that it keeps agreeing with the
    // main dialog's Start and Stop.
    const bool bStreaming = IsStreaming();
    if (m_pCamera != nullptr)
        m_pCamera->Stop();
    if (m_pViewer != nullptr)
    {
        m_pViewer->m_nWidth = g_anViewWidth[nMode];
        m_pViewer->m_nHeight = g_anFrameWidth[nMode];
    }
    if (pOwner != nullptr)
    {
        TabGUIShutter& shutter = pOwner->GetShutterPage();
        shutter.m_spinShutter.SetRange(g_anShutterMin[nMode], SHUTTER_MAX);
        shutter.m_scrollShutter.SetScrollRange(g_anShutterMin[nMode], SHUTTER_MAX, false);
    }
    {
        // The live frames' lock: the viewer's conversion reads the raw frame and writes the
        // converted one under it. The picture stays black until a frame of the new size arrives.
        std::lock_guard<std::mutex> lock(LiveFrameLock());
        if (g_pRawFrame != nullptr)
            std::memset(g_pRawFrame, 0, RAW_FRAME_BYTES);
        if (g_pBgrFrame != nullptr)
            std::memset(g_pBgrFrame, 0, BGR_FRAME_BYTES);
    }
    SetCaptureFormat(nMode);
    if (m_pViewer != nullptr)
        m_pViewer->RedrawWindow();
    if (bStreaming)
        m_pCamera->Run();

    if (pOwner != nullptr)
    {
        char szSize[32];
        std::snprintf(szSize, sizeof szSize, "%d x %d", g_anFrameWidth[nMode], g_anFrameHeight[nMode]);
        pOwner->GetResolutionEdit().SetWindowText(szSize);
    }
}

void TabGUIPartial::OnBnClickedGetFromDrawArea()
{
    // The longer side of the measured rectangle; the measurement is used once.
    const MeasureRect rc = g_rcMeasure.Get();
    if (!rc.IsSet())
        return;
    const int nHeight = rc.bottom - rc.top;
    const int nWidth = rc.right - rc.left;
    m_editPixel.SetWindowText(std::to_string(nHeight > nWidth ? nHeight : nWidth));
    g_rcMeasure.Clear();
}

void TabGUIPartial::OnBnClickedInputMode()
{
    // The rate is not worked out again: the operator sets it next.
    UpdateData(true);
    EnableInputModeControls();
}

bool TabGUIPartial::OnPageKey(unsigned nKey)
{
    if ((nKey == VK_OEM_COMMA || nKey == VK_OEM_PERIOD) && m_nInputMode == INPUT_MODE_FPS)
        m_editFps.SetWindowText(StepRateText(m_editFps.GetWindowText(), g_nFpsStep, nKey == VK_OEM_PERIOD));
    return false;
}
