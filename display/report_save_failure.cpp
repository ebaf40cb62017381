#include "display/report_save_failure.h"

#include "platform/ui/dialog_services.h"

#include <cstdio>

void ReportSaveFailure(Dialog* pOwner, const std::string& strPath, const std::string& strReason)
{
    // Standard error first: the message box waits for the operator.
    const std::string strWhere = strPath.empty() ? "" : strPath + ": ";
    std::fprintf(stderr, "tarnwick: %snot written: %s\n", strWhere.c_str(), strReason.c_str());
    const std::string strFile = strPath.empty() ? "" : strPath + "\n";
    GetDialogServices().MessageBox(pOwner, "画像を保存できませんでした。\n" + strFile + strReason, "", MB_OK);
}
