#include "console/tarnwick_dlg.h"

#include "buffers/recording_state.h"
#include "buffers/shared_buffers.h"
#include "console/settings_file.h"
#include "display/bmp_file.h"
#include "display/guide_settings.h"
#include "display/measure_rect.h"
#include "display/report_save_failure.h"
#include "display/time_stamp_path.h"
#include "pages/line_rate.h"
#include "platform/sys/clocks.h"
#include "platform/sys/current_dir.h"
#include "platform/ui/data_exchange.h"
#include "platform/ui/dialog_services.h"
#include "resources/dialog_templates.h"
#include "resources/page_resource.h"
#include "resources/resource.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace
{
constexpr const char* TITLE = "Tarnwick  (Ver. 0.01)";

// Where a page goes when the window's frame cannot be measured (before it is shown, or with no
// window manager): the client area's offset in a standard dialog frame, left frame across, top
// frame plus caption down.
constexpr int STANDARD_FRAME_X = 3;
constexpr int STANDARD_FRAME_Y = 3 + 23;

const char* const TAB_TEXTS[] = {"Gain", "Shutter", "Resolution / FPS", "Video REC"};

// The opening's failure texts for the results of camera access and of Open; any other failure
// gets the table's last text.
struct ResultText
{
    int nResult;
    const char* pszText;
};

const ResultText INIT_FAILURES[] = {
    {CAMERA_ERR_COM_INIT, "ライブラリの初期化に失敗しました"},
    {CAMERA_ERR_NO_DEVICE, "カメラを検出できませんでした"},
    {CAMERA_ERR_FAILED, "エラーが発生しました"},
};

const ResultText OPEN_FAILURES[] = {
    {CAMERA_ERR_BAD_INDEX, "カメラ番号が不正な値です"},
    {CAMERA_ERR_NOT_PRESENT, "指定した番号のカメラは存在しません"},
    {CAMERA_ERR_BUSY, "指定した番号のカメラは他で使用中です"},
    {CAMERA_ERR_FAILED, "カメラの接続に失敗しました"},
};

template <std::size_t N> const char* FailureText(const ResultText (&table)[N], int nResult)
{
    for (const ResultText& entry : table)
        if (entry.nResult == nResult)
            return entry.pszText;
    return table[N - 1].pszText;
}

bool IsCameraIndex(int nCamera)
{
    return nCamera >= 0 && nCamera < CAMERA_MAX;
}

// A fixed-length identity field up to its first zero byte.
std::string FieldText(const char* pField, std::size_t nLength)
{
    return std::string(pField, strnlen(pField, nLength));
}

// A spin and its scroll bar both showing a register value.
void ShowValue(UpDown& spin, ScrollBar& scroll, int nValue)
{
    spin.SetPos(nValue);
    scroll.SetScrollPos(nValue, true);
}
} // namespace

TarnwickDlg::TarnwickDlg() : Dialog(TarnwickDlgTemplate())
{
    MapTabSelChange(IDC_MAIN_TAB, &TarnwickDlg::OnTcnSelchangeTab);
    MapClicked(IDC_MAIN_START, &TarnwickDlg::OnBnClickedStart);
    MapClicked(IDC_MAIN_STOP, &TarnwickDlg::OnBnClickedStop);
    MapClicked(IDC_MAIN_SAVE_IMAGE, &TarnwickDlg::OnBnClickedSaveImage);
    MapClicked(IDC_MAIN_FACTORY_DEFAULT, &TarnwickDlg::OnBnClickedFactoryDefault);
    MapClicked(IDC_MAIN_CONFIG_SAVE, &TarnwickDlg::OnBnClickedConfigSave);
    MapClicked(IDCANCEL, &TarnwickDlg::OnBnClickedCancel);
}

TarnwickDlg::~TarnwickDlg()
{
    // The streaming thread reaches the Rec page and the live viewer, the drawing threads the tab
    // control and the resolution page: all of them must have stopped before those members go.
    m_camera.Close();
    for (TarnwickWnd* pViewer : {&m_wndLive, &m_wndLineScan})
    {
        pViewer->StopDrawThread();
        pViewer->m_pOwner = nullptr;
    }
}

void TarnwickDlg::DoDataExchange(DataExchange& dx)
{
    dx.BindControl(IDC_MAIN_TAB, m_tab);
    dx.BindControl(IDC_MAIN_MODEL, m_editModel);
    dx.BindControl(IDC_MAIN_SERIAL, m_editSerial);
    dx.BindControl(IDC_MAIN_RESOLUTION, m_editResolution);
    dx.BindControl(IDC_MAIN_FPS, m_editFps);
    dx.BindControl(IDC_MAIN_START, m_btnStart);
    dx.BindControl(IDC_MAIN_STOP, m_btnStop);
    dx.BindControl(IDC_MAIN_SAVE_IMAGE, m_btnSaveImage);
    dx.BindControl(IDC_MAIN_FOLDER_SELECT, m_chkFolderSelect);
    dx.BindControl(IDC_MAIN_FACTORY_DEFAULT, m_btnFactoryDefault);
    dx.BindControl(IDC_MAIN_CONFIG_SAVE, m_btnConfigSave);
}

std::int64_t TarnwickDlg::ReadCounter() const
{
    return GetCounterTicks();
}

// --- Opening and closing ------------------------------------------------------------------------

bool TarnwickDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    SetWindowText(TITLE);
    m_strCurDir = GetCurrentDir();
    if (m_strCurDir.empty())
        m_strCurDir = "."; // a removed directory: keep working where the process is

    // The settings go into the pages' members before the pages exist, so that they show them.
    const Settings s = SettingsFile(m_strCurDir).Read();
    m_nCameraNo = s.nCameraNo;
    m_tabPartial.m_nInputMode = s.nInputMode;
    m_tabPartial.m_dFps = s.dFps;
    m_tabPartial.m_nSize = s.nSize;
    m_tabPartial.m_nPixel = s.nPixel;
    m_tabPartial.m_nSpeed = s.nSpeed;
    m_tabPartial.m_nDirection = s.nDirection;
    g_nFpsStep = s.nFpsStep;
    g_crGuide = static_cast<ColorRef>(s.nGuideColor);
    g_nGuideWidth = s.nGuideWidth;
    g_nGuidePitch = s.nGuidePitch;
    g_nGuideDash = s.nGuideDash;
    m_tabRec.m_nRecControl = s.nRecControl;
    m_tabRec.m_nStopSec = s.nStopSec;
    m_tabRec.m_strFolder = s.strFolder;
    m_tabRec.m_nFileNaming = s.nFileNaming;
    m_tabRec.m_nImageFormat = s.nImageFormat;
    m_tabRec.m_nJpegQuality = s.nJpegQuality;

    InitTabPages();
    EnableConsoleControls(false);
    return OpenConsole(s.nTopMost, s.nMonoDecode, s.nColorDecode);
}

bool TarnwickDlg::OpenConsole(int nTopMost, int nMonoDecode, int nColorDecode)
{
    const int nFound = m_camera.Init();
    if (nFound < 0)
    {
        GetDialogServices().MessageBox(this, FailureText(INIT_FAILURES, nFound), "", MB_OK);
        return false;
    }
    if (m_nCameraNo == -1)
    {
        m_nCameraNo = m_camera.FindIdleCamera();
        if (m_nCameraNo == -1)
        {
            GetDialogServices().MessageBox(this, "アイドルカメラを検出できませんでした", "", MB_OK);
            return false;
        }
    }
    ShowIdentity();
    const int nMode = ReadReadoutMode();
    m_editResolution.SetWindowText(std::to_string(g_anFrameWidth[nMode]) + " x " +
                                   std::to_string(g_anFrameHeight[nMode]));

    if (!AllocateSharedBuffers())
    {
        GetDialogServices().MessageBox(this, "画像バッファを確保できませんでした", "", MB_OK);
        return false;
    }
    g_rcMeasure.Clear();
    PrepareViewers(nMode, nMonoDecode, nColorDecode);

    // Open takes a negative number for "the first idle camera"; a configured number outside the
    // sixteen indexes is reported as such instead.
    const int nResult = IsCameraIndex(m_nCameraNo)
                            ? m_camera.Open(m_nCameraNo, g_anFrameWidth[nMode], g_anFrameHeight[nMode],
                                            &TarnwickDlg::FrameCallback, this)
                            : CAMERA_ERR_BAD_INDEX;
    if (nResult != CAMERA_OK)
    {
        SetWindowText(FailureText(OPEN_FAILURES, nResult));
        m_camera.Close();
        return false;
    }

    m_nCameraNo = m_camera.m_nOpened;
    for (TabPage* pPage :
         std::initializer_list<TabPage*>{&m_tabGain, &m_tabShutter, &m_tabPartial, &m_tabRec})
    {
        pPage->m_pCamera = &m_camera;
        pPage->m_nCameraNo = m_nCameraNo;
    }
    m_tabPartial.m_pViewer = &m_wndLive;
    m_tabPartial.m_nResolution = std::max(nMode, 1) - 1;
    m_tabPartial.UpdateData(false);

    SetWindowPos(nTopMost != 0 ? ZOrder::TopMost : ZOrder::Top, 0, 0);
    EnableConsoleControls(true);
    m_btnStop.EnableWindow(false);

    m_liFrequency = GetCounterFrequency();
    m_liLastCount = ReadCounter();
    m_nFrameCount = 0;
    g_nRecMode = 0;
    SetTimer(TIMER_FPS, TIMER_FPS_MS);
    SetTimer(TIMER_INIT_FIRST, TIMER_INIT_MS);
    return true;
}

void TarnwickDlg::ShowIdentity()
{
    std::string strModel = "Model Name : ";
    std::string strSerial = "Serial No : ";
    // A number outside the sixteen records has no identity to show.
    if (IsCameraIndex(m_nCameraNo))
    {
        const CameraInfo& info = m_camera.m_info[m_nCameraNo];
        strModel += FieldText(info.szModel, sizeof info.szModel);
        strSerial += FieldText(info.szSerial, sizeof info.szSerial);
    }
    m_editModel.SetWindowText(strModel);
    m_editSerial.SetWindowText(strSerial);
}

int TarnwickDlg::ReadReadoutMode()
{
    // A mode that cannot be read, or lies outside the tables, opens as full frame.
    constexpr int FULL_FRAME = 1;
    if (!IsCameraIndex(m_nCameraNo))
        return FULL_FRAME;
    const int nRead = m_camera.ReadInfo(m_nCameraNo, INFO_MODE);
    const int nMode = nRead < 0 || (nRead & 0xFF) >= READOUT_MODE_COUNT ? FULL_FRAME : nRead & 0xFF;
    m_camera.m_info[m_nCameraNo].nMode = nMode;
    return nMode;
}

void TarnwickDlg::PrepareViewers(int nMode, int nMonoDecode, int nColorDecode)
{
    const bool bColor = IsCameraIndex(m_nCameraNo) && m_camera.m_info[m_nCameraNo].bColor != 0;
    m_wndLive.m_nWidth = g_anViewWidth[nMode];
    m_wndLive.m_nHeight = g_anFrameWidth[nMode];
    m_wndLive.m_nBayerPattern = BAYER_GRBG;
    m_wndLive.m_nSourceMode = bColor ? VIEW_SRC_BAYER : VIEW_SRC_RAW8;
    m_wndLive.m_nYuvMode = bColor ? nColorDecode : nMonoDecode;
    m_wndLive.m_bOverlay = 1;
    m_wndLive.m_nZoom = VIEW_ZOOM_1TO1;
    m_wndLineScan.m_bOverlay = 0;
    m_wndLineScan.m_nZoom = VIEW_ZOOM_FIT;
    for (TarnwickWnd* pViewer : {&m_wndLive, &m_wndLineScan})
    {
        pViewer->m_bRunning = 0;
        pViewer->m_bConverted = 1;
        pViewer->m_bTopDown = 0;
        pViewer->m_pOwner = this;
    }
}

void TarnwickDlg::EnableConsoleControls(bool bEnable)
{
    m_btnStart.EnableWindow(bEnable);
    m_btnStop.EnableWindow(bEnable);
    m_btnSaveImage.EnableWindow(bEnable);
    m_chkFolderSelect.EnableWindow(bEnable);
    m_tab.EnableWindow(bEnable);
    m_tabGain.EnableWindow(bEnable);
    m_btnFactoryDefault.EnableWindow(bEnable);
    m_btnConfigSave.EnableWindow(bEnable);
}

void TarnwickDlg::OnCancel()
{
    EndRecording();
    KillTimer(TIMER_FPS);
    // A chain step still pending would talk to a closed camera.
    for (int nId = TIMER_INIT_FIRST; nId <= TIMER_INIT_LAST; ++nId)
        KillTimer(nId);
    if (m_nCameraNo != -1)
    {
        m_camera.Stop();
        m_camera.Close();
    }
    // No drawing thread, conversion or composition may read a buffer once it is released.
    m_tabRec.CancelComposition();
    for (TarnwickWnd* pViewer : {&m_wndLive, &m_wndLineScan})
    {
        if (pViewer->m_bRunning != 0)
            pViewer->OnCancel();
        pViewer->StopDrawThread();
    }
    ReleaseSharedBuffers();
    WriteSettingsBack();
    EndDialog(IDCANCEL);
}

void TarnwickDlg::WriteSettingsBack()
{
    SettingsWriteBack back;
    m_tabPartial.UpdateData(true);
    back.nInputMode = m_tabPartial.m_nInputMode;
    back.strFps = m_tabPartial.m_editFps.GetWindowText();
    back.strSize = m_tabPartial.m_editSize.GetWindowText();
    back.strPixel = m_tabPartial.m_editPixel.GetWindowText();
    back.strSpeed = m_tabPartial.m_editSpeed.GetWindowText();
    back.nDirection = m_tabPartial.m_comboDirection.GetCurSel();
    m_tabRec.UpdateData(true);
    back.nRecControl = m_tabRec.m_nRecControl;
    back.strSec = m_tabRec.m_editSec.GetWindowText();
    back.strFolder = m_tabRec.m_strFolder;
    back.nFileNaming = m_tabRec.m_nFileNaming;
    back.nImageFormat = m_tabRec.m_nImageFormat;
    back.strQuality = m_tabRec.m_editQuality.GetWindowText();
    SettingsFile(m_strCurDir).Write(back);
}

// --- Tab pages ----------------------------------------------------------------------------------

void TarnwickDlg::InitTabPages()
{
    for (int i = 0; i < 4; ++i)
        m_tab.InsertItem(i, TAB_TEXTS[i]);
    m_tabGain.Create(this);
    m_tabShutter.Create(this);
    m_tabPartial.Create(this);
    m_tabRec.Create(this);
    PlaceTabPages();
    m_tabGain.ShowWindow(ShowState::Normal);
}

void TarnwickDlg::PlaceTabPages()
{
    // Each page's top-left corner goes to the tab control's, moved by the client area's offset in
    // the window frame: inside the tab control, below its tabs.
    const Rect rcTab = m_tab.GetWindowRect();
    const Point ptTab = ScreenToClient(Point{rcTab.left, rcTab.top});
    const Rect rcWindow = GetWindowRect();
    const Point ptClient = ClientToScreen(Point{0, 0});
    int dx = ptClient.x - rcWindow.left;
    int dy = ptClient.y - rcWindow.top;
    if (dx <= 0 && dy <= 0)
    {
        dx = STANDARD_FRAME_X;
        dy = STANDARD_FRAME_Y;
    }
    // A tab strip taller than the caption (large fonts) still keeps its tabs uncovered.
    dy = std::max(dy, m_tab.GetPageRect().top);
    for (Dialog* pPage : std::initializer_list<Dialog*>{&m_tabGain, &m_tabShutter, &m_tabPartial, &m_tabRec})
    {
        const Rect rcPage = pPage->GetClientRect();
        pPage->MoveWindow(ptTab.x + dx, ptTab.y + dy, rcPage.Width(), rcPage.Height());
    }
}

void TarnwickDlg::OnTcnSelchangeTab()
{
    const int nSel = m_tab.GetCurSel();
    int nIndex = 0;
    for (Dialog* pPage : std::initializer_list<Dialog*>{&m_tabGain, &m_tabShutter, &m_tabPartial, &m_tabRec})
        pPage->ShowWindow(nIndex++ == nSel ? ShowState::Show : ShowState::Hide);
}

// --- Commands -----------------------------------------------------------------------------------

void TarnwickDlg::OnBnClickedStart()
{
    if (m_wndLive.m_bRunning == 0)
        m_wndLive.Create(nullptr);
    m_nFrameCount = 0;
    m_btnStart.EnableWindow(false);
    m_camera.Run();
    m_tabPartial.PostCommand(IDC_SET_LINE_RATE);
    m_btnStop.EnableWindow(true);
}

void TarnwickDlg::OnBnClickedStop()
{
    m_btnStop.EnableWindow(false);
    m_camera.Stop();
    m_btnStart.EnableWindow(true);
}

void TarnwickDlg::OnBnClickedFactoryDefault()
{
    SendCameraCommand(CMD_FACTORY_DEFAULT);
}

void TarnwickDlg::OnBnClickedConfigSave()
{
    SendCameraCommand(CMD_CONFIG_SAVE);
}

void TarnwickDlg::SendCameraCommand(int nCommand)
{
    if (!IsCameraIndex(m_nCameraNo) || m_camera.m_info[m_nCameraNo].bPresent == 0)
        return;
    m_camera.XuSet(m_nCameraNo, XU_SEL_INFO_ADDR, INFO_COMMAND);
    m_camera.XuSet(m_nCameraNo, XU_SEL_INFO_DATA, nCommand);
}

void TarnwickDlg::OnBnClickedCancel()
{
    OnCancel();
}

void TarnwickDlg::OnBnClickedSaveImage()
{
    // Nothing to save before the live viewer's first opening: there is no picture header yet.
    BitmapInfo bmi;
    if (!m_wndLive.CopyDisplayHeader(&bmi))
        return;
    std::string strPath;
    if (m_chkFolderSelect.GetCheck() != 0)
    {
        const SaveFileRequest request{"BMP Files (*.bmp)|*.bmp||", "bmp", "", m_strCurDir};
        if (!GetDialogServices().SaveFile(nullptr, request, &strPath))
            return;
    }
    else
        strPath = TimeStampPath(m_strCurDir, GetUtcTime(), "bmp");

    // Header and pixels from the same moment: the frame store and the conversions wait meanwhile. A
    // picture that does not fit its buffer is copied not at all, and the writer says so.
    std::vector<unsigned char> pixels;
    {
        std::lock_guard<std::mutex> lock(LiveFrameLock());
        m_wndLive.CopyDisplayHeader(&bmi);
        BmpLayout layout;
        const bool bGrey = bmi.bmiHeader.biBitCount == 8;
        const unsigned char* pSource = bGrey ? g_pRawFrame : g_pBgrFrame;
        if (GetBmpLayout(bmi.bmiHeader, &layout) && pSource != nullptr &&
            layout.nImageBytes <= (bGrey ? RAW_FRAME_BYTES : BGR_FRAME_BYTES))
            pixels.assign(pSource, pSource + layout.nImageBytes);
    }
    std::string strError;
    if (!WriteBmpFile(strPath, bmi, pixels.data(), pixels.size(), &strError))
        ReportSaveFailure(this, strPath, strError);
}

// --- Timers -------------------------------------------------------------------------------------

void TarnwickDlg::OnTimer(int nIdEvent)
{
    if (nIdEvent >= TIMER_INIT_FIRST && nIdEvent <= TIMER_INIT_LAST)
    {
        KillTimer(nIdEvent);
        RunInitStep(nIdEvent);
        if (nIdEvent < TIMER_INIT_LAST)
            SetTimer(nIdEvent + 1, TIMER_INIT_MS);
    }
    else if (nIdEvent == TIMER_FPS)
        ShowFrameRate();
    Dialog::OnTimer(nIdEvent);
}

void TarnwickDlg::RunInitStep(int nStep)
{
    const int n = m_nCameraNo;
    const bool bMono = IsCameraIndex(n) && m_camera.m_info[n].bColor == 0;
    // The colour gains of steps 4 to 6: register, spin and scroll bar, disabled on a mono camera.
    const auto colourGain = [&](int nReg, UpDown& spin, ScrollBar& scroll)
    {
        ShowValue(spin, scroll, m_camera.ReadRegister16(n, nReg));
        if (bMono)
        {
            spin.EnableWindow(false);
            scroll.EnableWindow(false);
        }
    };
    switch (nStep)
    {
    case 1:
        m_camera.WriteRegister8(n, REG_SCAN_DIRECTION, 0);
        m_camera.WriteRegister8(n, REG_SHUTTER_PRESET, 0x0F);
        m_camera.WriteRegister16(n, REG_MANUAL_SHUTTER, 960);
        m_tabGain.m_nGainMode = m_camera.ReadRegister8(n, REG_GAIN_MODE);
        m_tabGain.UpdateData(false);
        break;
    case 2:
        ShowValue(m_tabGain.m_spinManualGain, m_tabGain.m_scrollManualGain,
                  m_camera.ReadRegister16(n, REG_MANUAL_GAIN));
        break;
    case 4:
        colourGain(REG_GAIN_R, m_tabGain.m_spinGainR, m_tabGain.m_scrollGainR);
        break;
    case 5:
        colourGain(REG_GAIN_B, m_tabGain.m_spinGainB, m_tabGain.m_scrollGainB);
        break;
    case 6:
        colourGain(REG_GAIN_G, m_tabGain.m_spinGainG, m_tabGain.m_scrollGainG);
        break;
    case 7:
        m_tabShutter.m_comboShutter.SetCurSel(m_camera.ReadRegister8(n, REG_SHUTTER_PRESET));
        break;
    case 8:
        ShowValue(m_tabShutter.m_spinShutter, m_tabShutter.m_scrollShutter,
                  m_camera.ReadRegister16(n, REG_MANUAL_SHUTTER));
        break;
    case 13:
    {
        const int nPos = m_camera.ReadRegister16(n, REG_LINE_POSITION);
        if (nPos == LINE_POS_CENTER)
            m_tabPartial.m_chkCenter.SetCheck(1);
        else
        {
            m_tabPartial.m_scrollLinePos.SetScrollPos(nPos, true);
            m_tabPartial.m_editLinePos.SetWindowText(std::to_string(nPos));
        }
        break;
    }
    default: // 3, 9 to 12 and 14 have no step
        break;
    }
}

void TarnwickDlg::ShowFrameRate()
{
    m_liNowCount = ReadCounter();
    const double dSeconds =
        static_cast<double>(m_liNowCount - m_liLastCount) / static_cast<double>(m_liFrequency);
    const int nFrames = m_nFrameCount.exchange(0);
    const double dFps = dSeconds > 0.0 ? nFrames / dSeconds : 0.0;
    m_editFps.SetWindowText(FormatRate(dFps) + " FPS");
    m_liLastCount = m_liNowCount;
}

// --- Frames -------------------------------------------------------------------------------------

void TarnwickDlg::FrameCallback(void* pArg)
{
    auto* pDlg = static_cast<TarnwickDlg*>(pArg);
    const std::uint32_t nFrames = StoreRecordingFrame(pDlg->m_wndLive.m_nHeight);
    if (nFrames != 0)
    {
        TabGUIRec& rec = pDlg->m_tabRec;
        // Timed recordings fill the bar in proportion; manual ones blink with a period of 512 frames.
        const bool bTimed = rec.m_radioRecStopAfter.GetCheck() == 1;
        rec.m_progressRec.PostPos(static_cast<int>(bTimed ? nFrames : nFrames & 0x180));
        if (nFrames >= g_nRecFrameLimit)
            pDlg->PostRecCommand(IDC_REC_STOP);
    }
    pDlg->m_nFrameCount.fetch_add(1, std::memory_order_relaxed);
    pDlg->m_wndLive.m_bConverted = 0;
    pDlg->m_wndLive.SignalDraw();
}

// --- Keys and mouse -----------------------------------------------------------------------------

bool TarnwickDlg::PreTranslateMessage(const Message& msg)
{
    const int nSel = m_tab.GetCurSel();
    if (msg.nMessage == WM_KEYDOWN)
    {
        int nRecCommand = 0;
        switch (msg.nKey)
        {
        case VK_RETURN:
        case VK_ESCAPE:
            return false;
        case 'R':
            nRecCommand = IDC_REC_START;
            break;
        case 'S':
            nRecCommand = IDC_REC_SAVE;
            break;
        case 'T':
            nRecCommand = IDC_REC_STOP;
            break;
        case VK_OEM_COMMA:
        case VK_OEM_PERIOD:
            // The resolution page's own filter has already stepped the entry for its controls.
            if (nSel == 2 && m_tabPartial.m_nInputMode == INPUT_MODE_FPS && msg.pDialog != &m_tabPartial)
                StepFpsEntry(msg.nKey == VK_OEM_PERIOD);
            return false;
        default:
            return Dialog::PreTranslateMessage(msg);
        }
        // The Rec page and the viewers post these commands themselves for their own keys.
        const bool bPostedByTarget =
            msg.pDialog == &m_tabRec || msg.pDialog == &m_wndLive || msg.pDialog == &m_wndLineScan;
        if (nSel == 3 && !bPostedByTarget)
            PostRecCommand(nRecCommand);
        return false;
    }
    if ((msg.nMessage == WM_LBUTTONDOWN || msg.nMessage == WM_RBUTTONDOWN) && msg.pDialog == this &&
        (msg.nCtrlId == IDC_MAIN_MODEL || msg.nCtrlId == IDC_MAIN_SERIAL ||
         msg.nCtrlId == IDC_MAIN_RESOLUTION || msg.nCtrlId == IDC_MAIN_FPS))
        return true; // a click neither focuses a display field nor moves its caret
    return Dialog::PreTranslateMessage(msg);
}

void TarnwickDlg::StepFpsEntry(bool bUp)
{
    m_tabPartial.m_editFps.SetWindowText(
        StepRateText(m_tabPartial.m_editFps.GetWindowText(), g_nFpsStep, bUp));
}
