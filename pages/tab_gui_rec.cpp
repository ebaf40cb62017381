#include "pages/tab_gui_rec.h"

#include "buffers/recording_state.h"
#include "buffers/shared_buffers.h"
#include "camera/camera_defs.h"
#include "display/bmp_file.h"
#include "display/report_save_failure.h"
#include "display/tarnwick_wnd.h"
#include "display/time_stamp_path.h"
#include "pages/jpeg_file.h"
#include "pages/line_scan_composer.h"
#include "pages/page_owner.h"
#include "pages/rec_frame_limit.h"
#include "pages/tab_gui_partial.h"
#include "platform/sys/clocks.h"
#include "platform/ui/data_exchange.h"
#include "platform/ui/dialog_services.h"
#include "platform/ui/tab_control.h"
#include "resources/page_resource.h"
#include "resources/page_templates.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace
{
constexpr int STOP_HOUR_MAX = 99;
constexpr int STOP_MIN_MAX = 59;
constexpr int STOP_SEC_MAX = 59;
constexpr int JPEG_QUALITY_MAX = 100;
// Posted by the composition's thread when it is done; no control has this id.
constexpr int CMD_COMPOSED = 0x7E01;

// What the folder field shows while no folder is chosen.
const char* const DEFAULT_FOLDER_TEXT = "Same location as the EXE file";

// How long Save waits for the line-scan viewer to finish converting a newly composed image: far
// beyond the largest image's conversion, and only reached when the drawing thread cannot run.
constexpr auto PICTURE_WAIT = std::chrono::seconds(5);
constexpr auto PICTURE_POLL = std::chrono::milliseconds(1);

// The picture the line-scan viewer shows, once it has drawn it: its display header (geometry and
// bit count of the last pass) and, for a colour picture, the conversion done. Rec Stop opens the
// viewer anew with the picture unconverted, so a Save pressed right after Rec Stop waits here
// instead of writing a picture still being converted. The drawing thread never waits for this
// thread, so the wait ends. A viewer closed meanwhile has its picture made here, as its pass would.
bool WaitForLineScanPicture(TarnwickWnd& viewer, BitmapInfo* pBmi)
{
    if (viewer.m_bRunning == 0 && !viewer.PrepareClosedPicture())
        return false;
    const auto deadline = std::chrono::steady_clock::now() + PICTURE_WAIT;
    for (;;)
    {
        if (!viewer.CopyDisplayHeader(pBmi))
            return false;
        const BitmapInfoHeader& h = pBmi->bmiHeader;
        const int nWidth = viewer.m_nWidth;
        const bool bDrawn = h.biWidth == nWidth && std::abs(h.biHeight) == viewer.m_nHeight;
        const bool bConverted = viewer.m_nSourceMode != VIEW_SRC_LINESCAN_BAYER || nWidth == 0 ||
                                (viewer.m_bConverted == 1 && h.biBitCount == 24);
        if (bDrawn && bConverted)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(PICTURE_POLL);
    }
}
} // namespace

TabGUIRec::TabGUIRec() : TabPage(TabGUIRecTemplate())
{
    MapClicked(IDC_REC_START, &TabGUIRec::OnBnClickedRecStart);
    MapClicked(IDC_REC_STOP, &TabGUIRec::OnBnClickedRecStop);
    MapClicked(IDC_RADIO_REC_MANUAL, &TabGUIRec::OnBnClickedRecControl);
    MapClicked(IDC_RADIO_REC_STOP_AFTER, &TabGUIRec::OnBnClickedRecControl);
    MapClicked(IDC_BROWSE_FOLDER, &TabGUIRec::OnBnClickedBrowseFolder);
    MapClicked(IDC_CLEAR_FOLDER, &TabGUIRec::OnBnClickedClearFolder);
    MapClicked(IDC_RADIO_NAMING_MANUAL, &TabGUIRec::OnBnClickedFileNaming);
    MapClicked(IDC_REC_SAVE, &TabGUIRec::OnBnClickedSave);
    MapSelChange(IDC_COMBO_FORMAT, &TabGUIRec::OnCbnSelchangeImageFormat);
    MapClicked(CMD_COMPOSED, &TabGUIRec::OnComposed);
}

void TabGUIRec::DoDataExchange(DataExchange& dx)
{
    dx.Radio(IDC_RADIO_REC_MANUAL, m_nRecControl);
    dx.Radio(IDC_RADIO_NAMING_MANUAL, m_nFileNaming);
    dx.BindControl(IDC_REC_START, m_btnRecStart);
    dx.BindControl(IDC_REC_STOP, m_btnRecStop);
    dx.BindControl(IDC_REC_SAVE, m_btnSave);
    dx.BindControl(IDC_PROGRESS_REC, m_progressRec);
    dx.BindControl(IDC_RADIO_REC_MANUAL, m_radioRecManual);
    dx.BindControl(IDC_RADIO_REC_STOP_AFTER, m_radioRecStopAfter);
    dx.BindControl(IDC_EDIT_HOUR, m_editHour);
    dx.BindControl(IDC_SPIN_HOUR, m_spinHour);
    dx.BindControl(IDC_EDIT_MIN, m_editMin);
    dx.BindControl(IDC_SPIN_MIN, m_spinMin);
    dx.BindControl(IDC_EDIT_SEC, m_editSec);
    dx.BindControl(IDC_SPIN_SEC, m_spinSec);
    dx.BindControl(IDC_EDIT_FOLDER, m_editFolder);
    dx.BindControl(IDC_BROWSE_FOLDER, m_btnBrowseFolder);
    dx.BindControl(IDC_CLEAR_FOLDER, m_btnClearFolder);
    dx.BindControl(IDC_RADIO_NAMING_MANUAL, m_radioNamingManual);
    dx.BindControl(IDC_RADIO_NAMING_TIMESTAMP, m_radioNamingTimestamp);
    dx.BindControl(IDC_COMBO_FORMAT, m_comboFormat);
    dx.BindControl(IDC_EDIT_QUALITY, m_editQuality);
    dx.BindControl(IDC_SPIN_QUALITY, m_spinQuality);
}

bool TabGUIRec::OnInitDialog()
{
    TabPage::OnInitDialog();
    m_btnRecStop.EnableWindow(false);

    m_editHour.SetLimitText(2);
    m_editMin.SetLimitText(2);
    m_editSec.SetLimitText(2);
    m_spinHour.SetRange(0, STOP_HOUR_MAX);
    m_spinMin.SetRange(0, STOP_MIN_MAX);
    m_spinSec.SetRange(0, STOP_SEC_MAX);
    m_spinHour.SetPos(0);
    m_spinMin.SetPos(0);
    m_spinSec.SetPos(m_nStopSec); // its low 16 bits
    EnableStopTimeControls();
    g_nRecMode = 0;

    m_editFolder.SetWindowText(m_strFolder.empty() ? DEFAULT_FOLDER_TEXT : m_strFolder);

    m_comboFormat.InsertString(IMAGE_FORMAT_BMP_BAYER, "BMP (簡易Bayer変換)");
    m_comboFormat.InsertString(IMAGE_FORMAT_BMP_RAW, "BMP (モノクロRAWデータ)");
    m_comboFormat.InsertString(IMAGE_FORMAT_JPEG, "JPG (簡易Bayer変換)");
    m_editQuality.EnableWindow(m_nImageFormat == IMAGE_FORMAT_JPEG);
    m_spinQuality.EnableWindow(m_nImageFormat == IMAGE_FORMAT_JPEG);
    m_comboFormat.SetCurSel(m_nImageFormat);

    m_editQuality.SetLimitText(3);
    m_spinQuality.SetRange(0, JPEG_QUALITY_MAX);
    m_spinQuality.SetPos(m_nJpegQuality);
    return true;
}

void TabGUIRec::EnableStopTimeControls()
{
    m_editHour.EnableWindow(false);
    m_spinHour.EnableWindow(false);
    m_editMin.EnableWindow(false);
    m_spinMin.EnableWindow(false);
    m_editSec.EnableWindow(m_nRecControl != 0);
    m_spinSec.EnableWindow(m_nRecControl != 0);
}

bool TabGUIRec::OnPageKey(unsigned nKey)
{
    switch (nKey)
    {
    case 'R':
        PostCommand(IDC_REC_START);
        return true;
    case 'S':
        PostCommand(IDC_REC_SAVE);
        return true;
    case 'T':
        PostCommand(IDC_REC_STOP);
        return true;
    default:
        return false;
    }
}

void TabGUIRec::OnBnClickedRecStart()
{
    PageOwner* pOwner = GetPageOwner();
    if (g_nRecMode != 0 || pOwner == nullptr || pOwner->GetLiveViewer().m_bRunning == 0)
        return;
    TabGUIPartial& partial = pOwner->GetPartialPage();
    const int nMode = partial.m_nResolution;
    if (nMode != RES_LINE_SCAN && nMode != RES_LINE_SCAN_FAST)
    {
        // No recording starts, so a picture still being composed is kept: shown, and saveable.
        FinishComposition();
        GetDialogServices().MessageBox(this, "ラインスキャンモードに変更してください。", "", MB_OK);
        return;
    }
    CancelComposition();
    m_bRecorded = false; // the previous picture is discarded from here
    partial.PostCommand(IDC_SET_LINE_RATE);
    const int nDirection = partial.m_comboDirection.GetCurSel();
    WriteRegister8(REG_SCAN_DIRECTION, nDirection != 0 ? 1 : 0);

    TarnwickWnd& viewer = pOwner->GetLineScanViewer();
    if (viewer.m_bRunning == 1)
        viewer.OnCancel();
    // A pass still converting the previous image would read the store the recording writes.
    viewer.StopDrawThread();

    g_nRecFrames = 0;
    // The rate the line-rate command posted above gives the camera.
    const RecFrameLimit limit =
        ComputeRecFrameLimit(nMode, m_nRecControl, m_editSec.GetWindowText(), partial.LineRateText());
    if (limit.bSecondsRewritten)
        m_editSec.SetWindowText(std::to_string(limit.nSeconds));
    g_nRecFrameLimit = limit.nFrameLimit;
    m_progressRec.SetRange(0, static_cast<int>(limit.nProgressMax));
    m_progressRec.SetPos(0);

    m_btnRecStart.EnableWindow(false);
    m_btnRecStop.EnableWindow(true);
    pOwner->GetTabControl().EnableWindow(false); // the page cannot be left while recording
    // Last: the frame handler starts storing only once the counters are set.
    g_nRecMode = nMode;
}

void TabGUIRec::OnBnClickedRecStop()
{
    const int nMode = g_nRecMode;
    if (nMode == 0)
        return;
    // A frame being stored as the mode clears is finished and counted, so no recorded line is lost.
    EndRecording();
    const int nWidth = RecImageWidth(g_nRecFrames, nMode);

    m_btnRecStart.EnableWindow(true);
    m_btnRecStop.EnableWindow(false);
    m_progressRec.SetPos(0);
    PageOwner* pOwner = GetPageOwner();
    if (pOwner != nullptr)
        pOwner->GetTabControl().EnableWindow(true);
    WriteRegister8(REG_SCAN_DIRECTION, 0);
    if (pOwner == nullptr)
        return;
    // Rec Start closed the viewer; it opens anew on the new image. Its drawing thread must be gone
    // before its converted buffer serves as the composition's scratch memory.
    TarnwickWnd& viewer = pOwner->GetLineScanViewer();
    if (viewer.m_bRunning == 1)
        viewer.OnCancel();
    viewer.StopDrawThread();
    m_nComposeWidth = nWidth;
    m_nComposeDirection = pOwner->GetPartialPage().m_comboDirection.GetCurSel();
    m_bComposing = true;
    const bool bStarted = m_composer.Start(
        [this, nWidth, nDirection = m_nComposeDirection]
        {
            Compose(nWidth, nDirection);
            PostCommand(CMD_COMPOSED);
        });
    if (!bStarted)
    {
        Compose(nWidth, m_nComposeDirection);
        OnComposed();
    }
}

void TabGUIRec::OnComposed()
{
    m_composer.Join();
    if (!m_bComposing)
        return;
    m_bComposing = false;
    PageOwner* pOwner = GetPageOwner();
    if (pOwner == nullptr)
        return;
    ShowComposed(pOwner->GetLineScanViewer(), m_nComposeWidth, m_nComposeDirection);
    m_bRecorded = true;
}

void TabGUIRec::FinishComposition()
{
    OnComposed();
}

void TabGUIRec::CancelComposition()
{
    m_composer.Join();
    m_bComposing = false;
}

void TabGUIRec::Compose(int nWidth, int nDirection)
{
    if (g_pLineScan == nullptr)
        return;
    ComposeLineScan(g_pLineScan, nWidth, nDirection, g_pLineScanBgr,
                    g_pLineScanBgr != nullptr ? LINE_SCAN_BGR_BYTES : 0);
    // The conversion leaves the picture's first and last rows as they are: black, not scratch.
    if (g_pLineScanBgr != nullptr && nWidth > 0)
    {
        const std::size_t nRowBytes = static_cast<std::size_t>(nWidth) * 3;
        std::memset(g_pLineScanBgr, 0, nRowBytes);
        std::memset(g_pLineScanBgr + (SENSOR_WIDTH - 1) * nRowBytes, 0, nRowBytes);
    }
}

void TabGUIRec::ShowComposed(TarnwickWnd& viewer, int nWidth, int nDirection)
{
    viewer.m_nSourceMode = VIEW_SRC_LINESCAN_BAYER;
    viewer.m_nWidth = nWidth;
    viewer.m_nHeight = static_cast<int>(SENSOR_WIDTH);
    viewer.m_nBayerPattern = LineScanBayerPhase(nDirection);
    viewer.Create(nullptr);
    // Converted once by the drawing thread, then only drawn.
    viewer.m_bConverted = 0;
    viewer.SignalDraw();
}

void TabGUIRec::OnBnClickedRecControl()
{
    UpdateData(true);
    EnableStopTimeControls();
}

void TabGUIRec::OnBnClickedBrowseFolder()
{
    std::string strFolder;
    if (!GetDialogServices().BrowseForFolder(this, "", &strFolder))
        return;
    if (!strFolder.empty())
        m_strFolder = strFolder;
    m_editFolder.SetWindowText(m_strFolder);
}

void TabGUIRec::OnBnClickedClearFolder()
{
    m_strFolder.clear();
    m_editFolder.SetWindowText(DEFAULT_FOLDER_TEXT);
}

void TabGUIRec::OnBnClickedFileNaming()
{
    // Save reads the radios again itself.
    UpdateData(true);
}

void TabGUIRec::OnCbnSelchangeImageFormat()
{
    m_nImageFormat = m_comboFormat.GetCurSel();
    m_editQuality.EnableWindow(m_nImageFormat == IMAGE_FORMAT_JPEG);
    m_spinQuality.EnableWindow(m_nImageFormat == IMAGE_FORMAT_JPEG);
}

void TabGUIRec::OnBnClickedSave()
{
    PageOwner* pOwner = GetPageOwner();
    if (pOwner == nullptr)
        return;
    FinishComposition();
    // Nothing before the first Rec Stop nor during a recording.
    if (!m_bRecorded)
        return;
    TarnwickWnd& viewer = pOwner->GetLineScanViewer();
    if (viewer.m_nWidth <= 0)
    {
        ReportSaveFailure(this, "", "the recording holds no lines");
        return;
    }
    UpdateData(true);
    const std::string strFolder = m_strFolder.empty() ? pOwner->GetCurDir() : m_strFolder;
    const bool bJpeg = m_nImageFormat == IMAGE_FORMAT_JPEG;
    std::string strPath;
    // The save dialog runs the event loop: a Rec Start meanwhile discards the picture.
    if (!ChooseSavePath(strFolder, bJpeg, &strPath) || !m_bRecorded)
        return;
    BitmapInfo bmi;
    std::string strError = "the picture was not ready to be saved";
    const bool bSaved =
        WaitForLineScanPicture(viewer, &bmi) &&
        (bJpeg ? SaveJpeg(strPath, viewer, &strError) : SaveBmp(strPath, viewer, bmi, &strError));
    if (!bSaved)
        ReportSaveFailure(this, strPath, strError);
}

bool TabGUIRec::ChooseSavePath(const std::string& strFolder, bool bJpeg, std::string* pPath)
{
    const std::string strExt = bJpeg ? "jpg" : "bmp";
    if (m_nFileNaming == 1)
    {
        *pPath = TimeStampPath(strFolder, GetUtcTime(), strExt);
        return true;
    }
    SaveFileRequest request;
    request.strFilter = bJpeg ? "JPG Files (*.jpg)|*.jpg||" : "BMP Files (*.bmp)|*.bmp||";
    request.strDefaultExt = strExt;
    request.strInitialFolder = strFolder;
    // No parent window, as for the live frame's save dialog.
    return GetDialogServices().SaveFile(nullptr, request, pPath);
}

bool TabGUIRec::SaveBmp(const std::string& strPath, const TarnwickWnd& viewer, const BitmapInfo& bmi,
                        std::string* pError)
{
    BitmapInfo copy = bmi;
    const bool bRaw = m_comboFormat.GetCurSel() == IMAGE_FORMAT_BMP_RAW;
    if (bRaw)
    {
        copy.bmiHeader.biBitCount = 8;
        copy.bmiHeader.biWidth = viewer.m_nWidth;
    }
    // The demosaiced picture as the viewer shows it, or the recorded samples through the grey
    // palette that follows the header.
    if (!bRaw && viewer.m_nSourceMode == VIEW_SRC_LINESCAN_BAYER)
        return WriteBmpFile(strPath, copy, g_pLineScanBgr,
                            g_pLineScanBgr != nullptr ? LINE_SCAN_BGR_BYTES : 0, pError);
    return WriteBmpFile(strPath, copy, g_pLineScan, g_pLineScan != nullptr ? LINE_SCAN_BYTES : 0, pError);
}

bool TabGUIRec::SaveJpeg(const std::string& strPath, const TarnwickWnd& viewer, std::string* pError)
{
    const int nWidth = viewer.m_nWidth;
    const int nHeight = viewer.m_nHeight;
    m_nJpegQuality = m_spinQuality.GetPos();
    const bool bFits =
        nWidth > 0 && nHeight > 0 &&
        static_cast<std::size_t>(nWidth) * static_cast<std::size_t>(nHeight) * 3 <= LINE_SCAN_BGR_BYTES;
    return WriteJpegFile(strPath, bFits ? g_pLineScanBgr : nullptr, nWidth, nHeight, m_nJpegQuality, pError);
}
