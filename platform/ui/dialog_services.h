#pragma once

#include <string>

class Dialog;

// Message box styles: buttons in the low nibble, icon in the next.
constexpr unsigned MB_OK = 0x0000;
constexpr unsigned MB_OKCANCEL = 0x0001;
constexpr unsigned MB_YESNO = 0x0004;
constexpr unsigned MB_ICONERROR = 0x0010;
constexpr unsigned MB_ICONQUESTION = 0x0020;
constexpr unsigned MB_ICONWARNING = 0x0030;
constexpr unsigned MB_ICONINFORMATION = 0x0040;

struct SaveFileRequest
{
    std::string strFilter;      // "Description (*.ext)|*.ext||" entries
    std::string strDefaultExt;  // added when the chosen name has no extension ("bmp", no dot)
    std::string strInitialName; // may be empty
    std::string strInitialFolder;
};

// The dialogs the program asks a person through. Everything goes through the one instance that
// GetDialogServices returns, so that tests can answer in place of a person.
class DialogServices
{
  public:
    virtual ~DialogServices() = default;
    // Returns IDOK, IDCANCEL, IDYES or IDNO. An empty caption shows the application's name.
    virtual int MessageBox(Dialog* pOwner, const std::string& strText, const std::string& strCaption,
                           unsigned nType) = 0;
    // True with the full path when the user chose a file; false when cancelled.
    virtual bool SaveFile(Dialog* pOwner, const SaveFileRequest& request, std::string* pPath) = 0;
    // True with the folder when the user chose one; false when cancelled.
    virtual bool BrowseForFolder(Dialog* pOwner, const std::string& strTitle, std::string* pFolder) = 0;
};

DialogServices& GetDialogServices();
// Replaces the services (tests); nullptr restores the ones that ask a person.
void SetDialogServices(DialogServices* pServices);
