#include "platform/ui/ui_application.h"

#include <gtest/gtest.h>

#include <cstdlib>

// Tests that open windows need one toolkit application for the whole program.
int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    UiApplication app(argc, argv);
    app.SetAppName("Tarnwick");
    return RUN_ALL_TESTS();
}
