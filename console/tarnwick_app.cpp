#include "console/tarnwick_app.h"

#include "console/tarnwick_dlg.h"
#include "platform/ui/ui_application.h"

CTarnwickApp theApp;

bool CTarnwickApp::InitInstance()
{
    TarnwickDlg dlg;
    UiApplication* pApp = UiApplication::Instance();
    pApp->SetMainDialog(&dlg);
    dlg.DoModal();
    pApp->SetMainDialog(nullptr);
    return false;
}
