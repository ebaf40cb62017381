#pragma once

// The main dialog's stand-in for the pages' tests: a visible top-level dialog whose filter records
// what the pages pass on, with the pages as its children; the register writes a camera received.

#include "buffers/shared_buffers.h"
#include "display/tarnwick_wnd.h"
#include "pages/page_owner.h"
#include "pages/tab_gui_gain.h"
#include "pages/tab_gui_partial.h"
#include "pages/tab_gui_rec.h"
#include "pages/tab_gui_shutter.h"
#include "platform/ui/data_exchange.h"
#include "platform/ui/dialog_services.h"
#include "platform/ui/tab_control.h"
#include "tests/camera/sim_camera_fixture.h"
#include "tests/platform/ui/test_dialog.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// The requests a simulated camera received since the last call: register writes as "addr=data" in
// hex, anything else as its kind and selector ("GET2"). Given pszPrefix, only the register writes
// that begin with it.
inline std::vector<std::string> Writes(SimCamera& sim, const char* pszPrefix = nullptr)
{
    std::vector<std::string> writes;
    int nAddr = -1;
    char sz[16];
    for (const SimXuRequest& r : sim.RequestLog())
    {
        const bool bData = r.bSet && r.nSelector == XU_SEL_REG_DATA;
        if (r.bSet && r.nSelector == XU_SEL_REG_ADDR)
            nAddr = r.payload[0] | r.payload[1] << 8;
        else if (bData ? std::snprintf(sz, sizeof sz, "%02X=%02X", nAddr, r.payload[0])
                       : std::snprintf(sz, sizeof sz, "%s%d", r.bSet ? "SET" : "GET", r.nSelector);
                 pszPrefix == nullptr || (bData && std::string_view(sz).starts_with(pszPrefix)))
            writes.push_back(sz);
    }
    sim.ClearRequestLog();
    return writes;
}

// The writes of a 16-bit register value, low byte first, nTimes over.
inline std::vector<std::string> Write16(int nReg, int nValue, int nTimes = 1)
{
    std::vector<std::string> writes;
    char sz[16];
    for (int i = 0; i < 2 * nTimes; ++i)
        writes.emplace_back(
            sz, std::snprintf(sz, sizeof sz, "%02X=%02X", nReg + i % 2, (nValue >> 8 * (i % 2)) & 0xFF));
    return writes;
}

// Answers the dialogs in place of the operator and remembers what it was asked.
class AnsweringServices : public DialogServices
{
  public:
    int MessageBox(Dialog*, const std::string& strText, const std::string&, unsigned) override
    {
        m_messages.push_back(strText);
        return IDOK;
    }
    bool SaveFile(Dialog*, const SaveFileRequest& request, std::string* pPath) override
    {
        m_saveRequests.push_back(request);
        *pPath = m_strSaveAnswer;
        return !m_strSaveAnswer.empty();
    }
    bool BrowseForFolder(Dialog*, const std::string&, std::string* pFolder) override
    {
        *pFolder = m_strFolderAnswer;
        return !m_strFolderAnswer.empty();
    }
    std::vector<std::string> m_messages;
    std::vector<SaveFileRequest> m_saveRequests;
    std::string m_strSaveAnswer, m_strFolderAnswer;
};

// The main dialog as the resolution and Rec pages reach it: its tab control, frame-size field and
// both viewers.
class FakeMainDialog : public RecordingDialog, public PageOwner
{
  public:
    static constexpr int IDC_TAB = 1000, IDC_EDIT_RESOLUTION = 1002;
    FakeMainDialog()
        : RecordingDialog(MakeTemplate(240, 340, DLG_VISIBLE,
                                       {{IDC_TAB, ControlKind::Tab, "", 0, 0, 240, 16, 0},
                                        {IDC_EDIT_RESOLUTION, ControlKind::Edit, "", 0, 20, 77, 14, 0}}))
    {
        m_bUseBase = false;
    }
    void DoDataExchange(DataExchange& dx) override
    {
        dx.BindControl(IDC_TAB, m_tab);
        dx.BindControl(IDC_EDIT_RESOLUTION, m_editResolution);
    }
    TabControl& GetTabControl() override { return m_tab; }
    TarnwickWnd& GetLiveViewer() override { return m_wndLive; }
    TarnwickWnd& GetLineScanViewer() override { return m_wndLineScan; }
    TabGUIPartial& GetPartialPage() override { return m_partial; }
    TabGUIShutter& GetShutterPage() override { return m_shutter; }
    EditBox& GetResolutionEdit() override { return m_editResolution; }
    const std::string& GetCurDir() const override { return m_strCurDir; }

    TabControl m_tab;
    TarnwickWnd m_wndLive, m_wndLineScan;
    TabGUIPartial m_partial;
    TabGUIShutter m_shutter;
    TabGUIRec m_rec;
    EditBox m_editResolution;
    std::string m_strCurDir;
};

// Pages on a simulated colour camera under the main dialog's stand-in, with the shared buffers.
class PageOnCameraTest : public SimCameraTest
{
  protected:
    void SetUp() override
    {
        InstallAndInit("color", 1);
        ASSERT_TRUE(AllocateSharedBuffers());
        UiApplication::Instance()->SetMainDialog(&m_main);
        ASSERT_TRUE(m_main.Create(nullptr));
    }
    void TearDown() override
    {
        SimCameraTest::TearDown(); // the streaming thread ends before the buffers go
        UiApplication::Instance()->SetMainDialog(nullptr);
        m_main.DestroyWindow();
        ReleaseSharedBuffers();
    }

    FakeMainDialog m_main;
};
