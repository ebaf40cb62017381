// The program's entry: the operator console of the line-scan camera.

#include "console/tarnwick_app.h"
#include "platform/ui/ui_application.h"

#include <cstdio>

int main(int argc, char** argv)
{
    // Without a display the toolkit would abort; say what to do instead.
    if (!UiApplication::DisplayAvailable())
    {
        std::fprintf(stderr, "Tarnwick shows windows and needs a display, but none can be reached.\n"
                             "Start it from a desktop session, or under a virtual X server:\n"
                             "  xvfb-run -a -s \"-screen 0 1600x1000x24\" scripts/start.sh\n");
        return 2;
    }
    UiApplication app(argc, argv);
    app.SetAppName("Tarnwick");
    theApp.InitInstance();
    return 0;
}
