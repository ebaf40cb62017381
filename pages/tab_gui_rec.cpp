#include "pages/tab_gui_rec.h"

#include "platform/ui/data_exchange.h"
#include "resources/page_resource.h"
#include "resources/page_templates.h"

namespace
{
constexpr int STOP_HOUR_MAX = 99;
constexpr int STOP_MIN_MAX = 59;
constexpr int STOP_SEC_MAX = 59;
constexpr int JPEG_QUALITY_MAX = 100;

// What the folder field shows while no folder is chosen.
const char* const DEFAULT_FOLDER_TEXT = "Same location as the EXE file";
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
    // Arms a recording of line-scan readout with its frame limit, in the chosen scan direction.
}

void TabGUIRec::OnBnClickedRecStop()
{
    // Ends the recording, composes the recorded lines into one image and shows it.
}

void TabGUIRec::OnBnClickedRecControl()
{
    // Takes the recording's stop rule from the radios and enables the seconds to match.
}

void TabGUIRec::OnBnClickedBrowseFolder()
{
    // Lets the operator choose the folder that files are saved in.
}

void TabGUIRec::OnBnClickedClearFolder()
{
    // Goes back to saving in the start-up directory.
}

void TabGUIRec::OnBnClickedFileNaming()
{
    // Takes the naming rule from the radios; Save reads them again itself.
}

void TabGUIRec::OnBnClickedSave()
{
    // Saves the composed image as a BMP or JPEG file.
}

void TabGUIRec::OnCbnSelchangeImageFormat()
{
    // Takes the chosen format; the quality applies to JPEG only.
}
