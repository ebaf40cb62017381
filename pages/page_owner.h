#pragma once

#include <string>

class EditBox;
class TabControl;
class TabGUIPartial;
class TabGUIShutter;
class TarnwickWnd;

// What the control pages need of the main dialog, so that pages/ does not depend on the console.
// The main dialog implements it; a page finds it through the application's main window
// (GetPageOwner). User-interface thread only.
class PageOwner
{
  public:
    // The tab control: its selection says which page is current; the Rec page disables it while
    // recording.
    virtual TabControl& GetTabControl() = 0;
    // The live viewer and the viewer of the composed line-scan image.
    virtual TarnwickWnd& GetLiveViewer() = 0;
    virtual TarnwickWnd& GetLineScanViewer() = 0;
    // The resolution page (the Rec page reads its rate and posts its line-rate command).
    virtual TabGUIPartial& GetPartialPage() = 0;
    // The shutter page (the readout switch sets its manual range).
    virtual TabGUIShutter& GetShutterPage() = 0;
    // The main dialog's frame-size field ("%d x %d"), which the resolution switch rewrites.
    virtual EditBox& GetResolutionEdit() = 0;
    // The directory that was current when the main dialog opened.
    virtual const std::string& GetCurDir() const = 0;

  protected:
    ~PageOwner() = default;
};

// The application's main window as a PageOwner; null when there is none or it is not one.
PageOwner* GetPageOwner();
