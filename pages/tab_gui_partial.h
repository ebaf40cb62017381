#pragma once

#include "pages/tab_page.h"
#include "platform/ui/button.h"
#include "platform/ui/combo_box.h"
#include "platform/ui/edit_box.h"
#include "platform/ui/scroll_bar.h"
#include "platform/ui/up_down.h"

#include <string>

class TarnwickWnd;

// Resolution choice; choice r selects the camera's readout mode r + 1.
constexpr int RES_FULL_SIZE = 0;
constexpr int RES_LINE_SCAN = 1;
constexpr int RES_LINE_SCAN_FAST = 2;

// How the line rate is given.
constexpr int INPUT_MODE_ENVIRONMENT = 0; // computed from object size, pixel count and speed
constexpr int INPUT_MODE_FPS = 1;         // typed

constexpr int LINE_POS_MAX = 958; // highest line-scan position

// The resolution page (tab 2 "Resolution / FPS"): readout mode, line-scan position with "Center",
// the live viewer's guide line, and the line rate from the shooting environment or typed.
class TabGUIPartial : public TabPage
{
  public:
    TabGUIPartial();

    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;
    void OnHScroll(int nSBCode, int nPos, int nScrollBarId) override;

    void OnCtlColor();
    void OnDeltaposSpinLinePos(UpDownNotify* pNMUpDown, int* pResult);
    void OnBnClickedCenter();
    void OnBnClickedSetLineRate();
    void OnCbnSelchangeDirection();
    void OnBnClickedResolution();
    void OnBnClickedGetFromDrawArea();
    void OnBnClickedInputMode();
    // The rate entry's text as the line-rate command leaves it: the typed rate, or in environment
    // input the rate worked out from the entries as they are now.
    std::string LineRateText() const;

    TarnwickWnd* m_pViewer = nullptr; // the live viewer, handed over with the camera
    EditBox m_editLinePos;
    UpDown m_spinLinePos;
    ScrollBar m_scrollLinePos;
    Button m_chkCenter;
    EditBox m_editSize;
    EditBox m_editPixel;
    EditBox m_editSpeed;
    Button m_btnGetFromDrawArea;
    ComboBox m_comboDirection; // 0 " 右から左", 1 " 左から右"
    EditBox m_editFps;         // the line rate: the only place that holds the current rate
    StaticText m_staticKeyHint;
    Button m_btnSetLineRate;
    // Shown at creation; the main dialog sets them from the settings file first.
    double m_dFps = 0.0;
    int m_nSize = 0;
    int m_nPixel = 0;
    int m_nSpeed = 0;
    int m_nDirection = 0;
    int m_bRateClamped = 0; // 1 when the last line period was raised to its minimum
    int m_nResolution = RES_FULL_SIZE;
    Button m_radioFullSize;
    Button m_radioLineScan;
    Button m_radioLineScanFast;
    Button m_chkCursor; // the live viewer draws its guide line while this is checked
    int m_nInputMode = INPUT_MODE_ENVIRONMENT;
    Button m_radioEnvInput;
    Button m_radioFpsInput;

  protected:
    // ',' and '.' step the typed rate; every key goes on to the main dialog.
    bool OnPageKey(unsigned nKey) override;

  private:
    // Lines per second for the object's size, pixel count and speed entries.
    double EnvironmentRate() const;
    // Environment entries usable and the rate read-only, or the other way round in FPS input.
    void EnableInputModeControls();
    // Whether the opened camera's graph is running now.
    bool IsStreaming() const;
    // The opened camera's capture format and the frame callback's size for readout mode nMode.
    void SetCaptureFormat(int nMode);

    const TabTriple m_triple; // the line-scan position
};
