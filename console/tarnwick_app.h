#pragma once

// The application object: it runs the main dialog modally, and the program ends when that dialog
// closes. The user-interface application must exist before InitInstance is called.
class CTarnwickApp
{
  public:
    // Runs the main dialog as the application's main window; always false, so that nothing runs
    // after it.
    bool InitInstance();
};

extern CTarnwickApp theApp;
