#pragma once

#include <memory>
#include <string>

class Dialog;
class UiApplicationImpl;

// The process's user-interface application: one per process, created on the thread that becomes
// the user-interface thread, before any dialog. It routes every key and mouse-button message
// through the dialogs' pre-translation filters before it is dispatched: the target window's
// dialog, then each parent dialog up to the top-level one, then, for a top-level window other than
// the main dialog, the main dialog last. The first filter that returns true consumes the message.
class UiApplication
{
  public:
    UiApplication(int& argc, char** argv);
    ~UiApplication();
    UiApplication(const UiApplication&) = delete;
    UiApplication& operator=(const UiApplication&) = delete;

    static UiApplication* Instance();

    // The main dialog: last in every viewer's filter chain, owner of message boxes without one.
    void SetMainDialog(Dialog* pDialog);
    Dialog* GetMainDialog() const;

    // The name message boxes show when they have no caption of their own.
    void SetAppName(const std::string& strName);
    std::string GetAppName() const;

    // Handles pending events for about nMs milliseconds (0: what is pending now).
    static void PumpEvents(int nMs = 0);
    static bool IsUiThread();
    // Whether the toolkit will find a display to open windows on: the platforms it would try, in
    // its order (QT_QPA_PLATFORM, else Wayland where the session names one, then X11), each
    // checked as the toolkit would use it: an X server that accepts a connection on DISPLAY, a
    // Wayland compositor listening on the socket WAYLAND_DISPLAY names, the platform's plug-in
    // installed. Platforms without a display (offscreen) are taken as available. When none will
    // do, pWhy (if given) receives why, in a sentence without a final full stop. Call before the
    // application is constructed, so that the program can say what to do instead of failing
    // inside the toolkit.
    static bool DisplayAvailable(std::string* pWhy = nullptr);

  private:
    std::unique_ptr<UiApplicationImpl> m_pImpl;
};
