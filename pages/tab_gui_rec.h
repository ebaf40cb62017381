#pragma once

#include "pages/tab_page.h"
#include "platform/sys/worker_thread.h"
#include "platform/ui/button.h"
#include "platform/ui/combo_box.h"
#include "platform/ui/edit_box.h"
#include "platform/ui/progress_bar.h"
#include "platform/ui/up_down.h"

#include <string>

struct BitmapInfo;
class TarnwickWnd;

// Image formats of Save, by their index in the format list.
constexpr int IMAGE_FORMAT_BMP_BAYER = 0; // 24-bit BMP of the demosaiced picture
constexpr int IMAGE_FORMAT_BMP_RAW = 1;   // 8-bit grey BMP of the recorded samples
constexpr int IMAGE_FORMAT_JPEG = 2;      // JPEG of the demosaiced picture

// The Rec page (tab 3 "Video REC"): records line-scan readout by hand or for a number of seconds,
// composes the recorded lines into one image shown in the line-scan viewer, and saves it as a BMP
// or JPEG file.
class TabGUIRec : public TabPage
{
  public:
    TabGUIRec();

    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;

    void OnBnClickedRecStart();
    void OnBnClickedRecStop();
    void OnBnClickedRecControl();
    void OnBnClickedBrowseFolder();
    void OnBnClickedClearFolder();
    void OnBnClickedFileNaming();
    void OnBnClickedSave();
    void OnCbnSelchangeImageFormat();

    // Value members: the main dialog sets them from the settings file before the page is created.
    int m_nRecControl = 0;   // 0 "Manual", 1 "Stop record after"
    int m_nStopSec = 0;      // seconds shown at creation
    int m_nFileNaming = 0;   // 0 "Manual" (save dialog), 1 "Timestamp"
    std::string m_strFolder; // output folder; empty: the start-up directory
    int m_nImageFormat = IMAGE_FORMAT_BMP_BAYER;
    int m_nJpegQuality = 0;
    Button m_btnRecStart;
    Button m_btnRecStop;
    Button m_btnSave;
    ProgressBar m_progressRec;
    Button m_radioRecManual;
    Button m_radioRecStopAfter;
    EditBox m_editHour;
    UpDown m_spinHour;
    EditBox m_editMin;
    UpDown m_spinMin;
    EditBox m_editSec;
    UpDown m_spinSec;
    EditBox m_editFolder;
    Button m_btnBrowseFolder;
    Button m_btnClearFolder;
    Button m_radioNamingManual;
    Button m_radioNamingTimestamp;
    ComboBox m_comboFormat;
    EditBox m_editQuality;
    UpDown m_spinQuality;

  protected:
  public:
    // Waits for a composition still running and shows it now (Save needs the picture).
    void FinishComposition();
    // Waits for a composition still running and drops its showing (Rec Start, Exit: the store is
    // about to be rewritten or released).
    void CancelComposition();

  protected:
    // R, S and T post Rec Start, Save and Rec Stop to the page, handled later as clicks.
    bool OnPageKey(unsigned nKey) override;

  private:
    // Hour and minute are never used; the seconds only when recording stops after a time.
    void EnableStopTimeControls();
    // Turns the recorded lines into the nWidth-column image (any thread; the line-scan viewer's
    // drawing thread stopped), then opens the line-scan viewer on it (user-interface thread).
    static void Compose(int nWidth, int nDirection);
    static void ShowComposed(TarnwickWnd& viewer, int nWidth, int nDirection);
    // The composition's end, posted by its thread: the viewer opens unless the composition was
    // finished or given up meanwhile.
    void OnComposed();

    // Rec Stop composes on its own thread, so that the dialog keeps answering meanwhile.
    bool m_bComposing = false; // user-interface thread: a composition's showing is still to come
    // User-interface thread: a recording was composed and shown; Save writes it, its viewer open or
    // not, until the next Rec Start.
    bool m_bRecorded = false;
    int m_nComposeWidth = 0;
    int m_nComposeDirection = 0;
    WorkerThread m_composer; // last member: joined before the others go
    // The file Save writes to: named by the time, or chosen in the save dialog; false when cancelled.
    bool ChooseSavePath(const std::string& strFolder, bool bJpeg, std::string* pPath);
    // Write the picture to strPath; false with the reason when it was not written.
    bool SaveBmp(const std::string& strPath, const TarnwickWnd& viewer, const BitmapInfo& bmi,
                 std::string* pError);
    bool SaveJpeg(const std::string& strPath, const TarnwickWnd& viewer, std::string* pError);
};
