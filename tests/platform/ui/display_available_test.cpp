// Whether the program will find a display, asked before the toolkit starts: the environments a
// user meets (no display, a dead X server, a Wayland socket that is not there) and the reason
// given for each. A live X server is met by the operator run on a virtual X server.

#include "platform/ui/ui_application.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace
{
const char* const VARIABLES[] = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE",
                                 "XDG_RUNTIME_DIR"};

// Sets the display variables for one case (unset unless given); the saved ones are put back after.
void SetDisplayEnvironment(const std::map<std::string, std::optional<std::string>>& values)
{
    for (const char* pName : VARIABLES)
    {
        const auto it = values.find(pName);
        if (it != values.end() && it->second)
            setenv(pName, it->second->c_str(), 1);
        else
            unsetenv(pName);
    }
}
} // namespace

TEST(DisplayAvailable, SaysWhyNoDisplayWillOpen)
{
    const std::string strRuntime = "/nowhere/run";
    // Environment, then what the reason names; an empty reason: a display is available.
    const struct
    {
        std::map<std::string, std::optional<std::string>> env;
        std::string strWhy;
    } CASES[] = {
        {{}, "neither DISPLAY nor WAYLAND_DISPLAY is set"},
        {{{"QT_QPA_PLATFORM", "offscreen"}}, ""},
        {{{"DISPLAY", ":4711"}}, "no X server accepts a connection on DISPLAY \":4711\""},
        {{{"DISPLAY", "no display at all"}}, "DISPLAY \"no display at all\" is not a display name"},
        {{{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "wayland-0"}}, "DISPLAY is not set"},
        {{{"WAYLAND_DISPLAY", "/nowhere/wayland-9"}},
         "no Wayland compositor listens at \"/nowhere/wayland-9\"; DISPLAY is not set"},
        {{{"WAYLAND_DISPLAY", "wayland-9"}, {"XDG_RUNTIME_DIR", strRuntime}},
         "no Wayland compositor listens at \"" + strRuntime + "/wayland-9\"; DISPLAY is not set"},
        {{{"WAYLAND_DISPLAY", "wayland-9"}},
         "XDG_RUNTIME_DIR is not set, so the Wayland socket \"wayland-9\""},
        {{{"QT_QPA_PLATFORM", "wayland:option;xcb"}, {"DISPLAY", ":4711"}, {"XDG_RUNTIME_DIR", strRuntime}},
         "no Wayland compositor listens at \"" + strRuntime + "/wayland-0\"; no X server"},
    };
    std::map<std::string, std::optional<std::string>> saved;
    for (const char* pName : VARIABLES)
        saved[pName] =
            std::getenv(pName) != nullptr ? std::optional<std::string>(std::getenv(pName)) : std::nullopt;
    for (const auto& c : CASES)
    {
        SetDisplayEnvironment(c.env);
        std::string strWhy = "left over";
        const bool bAvailable = UiApplication::DisplayAvailable(&strWhy);
        EXPECT_EQ(bAvailable, c.strWhy.empty()) << c.strWhy;
        EXPECT_EQ(strWhy.substr(0, c.strWhy.size()), c.strWhy);
    }
    SetDisplayEnvironment(saved);
}
