#pragma once

#include "camera/camera_device.h"
#include "display/tarnwick_wnd.h"
#include "display/viewer_owner.h"
#include "pages/page_owner.h"
#include "pages/tab_gui_gain.h"
#include "pages/tab_gui_partial.h"
#include "pages/tab_gui_rec.h"
#include "pages/tab_gui_shutter.h"
#include "platform/ui/button.h"
#include "platform/ui/dialog.h"
#include "platform/ui/edit_box.h"
#include "platform/ui/tab_control.h"

#include <atomic>
#include <cstdint>
#include <string>

// Timers of the main dialog: the start-up chain, one step per one-shot timer, and the frame rate.
constexpr int TIMER_INIT_FIRST = 1;
constexpr int TIMER_INIT_LAST = 14;
constexpr int TIMER_FPS = 100;
constexpr int TIMER_INIT_MS = 1;
constexpr int TIMER_FPS_MS = 2000;

// The main dialog, the program's hub: it owns the camera, both viewers, the tab control and the four
// control pages; it opens the camera, starts and stops streaming, shows the frame rate, saves the
// live picture and handles every frame. User-interface thread, except FrameCallback (streaming
// thread) and the ViewerOwner answers the drawing threads read.
class TarnwickDlg : public Dialog, public PageOwner, public ViewerOwner
{
  public:
    TarnwickDlg();
    // Stops the streaming thread and the viewers' drawing threads before the members they reach go.
    ~TarnwickDlg() override;

    bool OnInitDialog() override;
    void OnCancel() override;
    bool PreTranslateMessage(const Message& msg) override;
    void DoDataExchange(DataExchange& dx) override;
    void OnTimer(int nIdEvent) override;

    void InitTabPages();
    void OnTcnSelchangeTab();
    void OnBnClickedStart();
    void OnBnClickedStop();
    void OnBnClickedSaveImage();
    void OnBnClickedFactoryDefault();
    void OnBnClickedConfigSave();
    void OnBnClickedCancel();

    // The frame handler: streaming thread, once per frame after it is in g_pRawFrame; pArg is the
    // main dialog. Never waits for the user-interface thread and allocates nothing.
    static void FrameCallback(void* pArg);

    // PageOwner
    TabControl& GetTabControl() override { return m_tab; }
    TarnwickWnd& GetLiveViewer() override { return m_wndLive; }
    TarnwickWnd& GetLineScanViewer() override { return m_wndLineScan; }
    TabGUIPartial& GetPartialPage() override { return m_tabPartial; }
    TabGUIShutter& GetShutterPage() override { return m_tabShutter; }
    EditBox& GetResolutionEdit() override { return m_editResolution; }
    const std::string& GetCurDir() const override { return m_strCurDir; }

    // ViewerOwner. Every Rec command the page does not post to itself goes through PostRecCommand
    // (any thread: the frame handler posts Rec Stop from the streaming thread).
    int GetTabSelection() const override { return m_tab.GetCurSel(); }
    void PostRecCommand(int nCommandId) override { m_tabRec.PostCommand(nCommandId); }
    int GetCursorCheck() const override { return m_tabPartial.m_chkCursor.GetCheck(); }
    int GetCenterCheck() const override { return m_tabPartial.m_chkCenter.GetCheck(); }
    int GetLinePosition() const override { return m_tabPartial.m_scrollLinePos.GetScrollPos(); }

    std::string m_strCurDir;
    TarnwickWnd m_wndLive;
    TarnwickWnd m_wndLineScan;
    CameraDevice m_camera;
    int m_nCameraNo = -1;
    // Added to by the frame handler, read and cleared in one exchange by the frame-rate display.
    std::atomic<int> m_nFrameCount{0};
    std::int64_t m_liLastCount = 0;
    std::int64_t m_liNowCount = 0;
    std::int64_t m_liFrequency = 1;
    TabControl m_tab;
    TabGUIGain m_tabGain;
    TabGUIShutter m_tabShutter;
    TabGUIPartial m_tabPartial;
    TabGUIRec m_tabRec;
    EditBox m_editModel;
    EditBox m_editSerial;
    EditBox m_editResolution;
    EditBox m_editFps;
    Button m_btnStart;
    Button m_btnStop;
    Button m_btnSaveImage;
    Button m_chkFolderSelect;
    Button m_btnFactoryDefault;
    Button m_btnConfigSave;

  protected:
    // The performance counter the frame-rate display reads (tests replace it).
    virtual std::int64_t ReadCounter() const;

  private:
    // Opening after the pages exist: camera, buffers, viewers, pages' handover, timers. False with
    // the reason shown when the console stays inert.
    bool OpenConsole(int nTopMost, int nMonoDecode, int nColorDecode);
    void ShowIdentity();
    int ReadReadoutMode();
    void PrepareViewers(int nMode, int nMonoDecode, int nColorDecode);
    void EnableConsoleControls(bool bEnable);
    void PlaceTabPages();
    void RunInitStep(int nStep);
    void ShowFrameRate();
    void SendCameraCommand(int nCommand);
    void StepFpsEntry(bool bUp);
    void WriteSettingsBack();
};
