#pragma once

#include <string>

class Dialog;

// Says that a picture was not written: a message box owned by pOwner ("画像を保存できませんでした。",
// the file and the reason on three lines) and the same on standard error. strPath is empty when
// no file was named (nothing to save).
void ReportSaveFailure(Dialog* pOwner, const std::string& strPath, const std::string& strReason);
