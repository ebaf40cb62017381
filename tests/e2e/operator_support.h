#pragma once

// The main dialog as the program makes it, worked by a simulated operator in a fresh working
// folder, and checks of the pictures it writes against the scene the simulated camera films.

#include "console/tarnwick_dlg.h"

#include "buffers/recording_state.h"
#include "buffers/shared_buffers.h"
#include "platform/capture/sim/sim_scene.h"
#include "platform/ui/dialog_services.h"
#include "platform/ui/ui_application.h"
#include "resources/page_resource.h"
#include "tests/camera/sim_camera_fixture.h"
#include "tests/console/console_test_support.h"
#include "tests/pages/page_test_support.h"
#include "tests/pages/picture_files.h"
#include "tests/platform/ui/test_dialog.h"

#include <QTest>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

// Whether the picture shows the scene upright and unmirrored: column x holds scene row v0 + x
// for some v0, picture row y scene pixel y. Every other way round must fit clearly worse. A raw
// picture (one channel) is matched against whichever colour its sample comes closest to.
::testing::AssertionResult ShowsScene(const Picture& picture);

class OperatorTest : public SimCameraTest
{
  protected:
    OperatorTest();
    void TearDown() override;
    // The dialog Open makes; a test may make one of its own kind.
    virtual std::unique_ptr<TarnwickDlg> MakeDialog() { return std::make_unique<TarnwickDlg>(); }

    // Exits a dialog still open, then starts the program's main dialog on the simulated devices of
    // strSpec with the settings file strIni (kept as it is when null); prepare runs once the devices
    // exist. Lets the start-up chain run for m_nOpenPumpMs.
    void Open(const std::string& strSpec, const char* pszIni = "", const std::function<void()>& prepare = {});
    // Exit, as the operator clicks it.
    void Exit();
    void Click(Dialog& dlg, int nId);
    void SelectTab(int nTab);
    // Start, then line-scan readout at a typed rate of pszRate lines a second.
    void StartLineScan(const char* pszRate);
    // Records in direction nDirection: by hand for nFrames frames, or (nFrames 0) for the seconds
    // field's time. Returns once the line-scan viewer shows the composed picture, or (bWait false)
    // straight after the click on Rec Stop.
    void Record(int nDirection, std::uint32_t nFrames, bool bWait = true);
    // Save on the Rec page in nFormat; the new file in strFolder (empty when none appeared).
    std::string Save(int nFormat, const std::string& strFolder);
    std::set<std::string> Files(const std::string& strFolder) const;

    TarnwickDlg& Dlg() { return *m_pDlg; }

    TempDir m_temp;
    std::filesystem::path m_savedDir;
    AnsweringServices m_services;
    std::unique_ptr<TarnwickDlg> m_pDlg;
    int m_nOpenPumpMs = 100; // 0: the test runs the start-up chain itself
};
