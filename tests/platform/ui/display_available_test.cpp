// Whether the program will find a display, asked before the toolkit starts: the environments a
// user meets (no display, a dead X server, a Wayland socket that is not there, a live X server
// behind a dead Wayland name) and the reason given for each.

#include "platform/ui/ui_application.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{

const char* const VARIABLES[] = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE",
                                 "XDG_RUNTIME_DIR"};

// Sets the display variables for one case (unset unless given) and restores them afterwards.
class DisplayEnvironment
{
  public:
    explicit DisplayEnvironment(const std::map<std::string, std::string>& values)
    {
        for (const char* pName : VARIABLES)
        {
            const char* pOld = std::getenv(pName);
            m_saved[pName] = pOld != nullptr ? std::optional<std::string>(pOld) : std::nullopt;
            const auto it = values.find(pName);
            if (it != values.end())
                setenv(pName, it->second.c_str(), 1);
            else
                unsetenv(pName);
        }
    }
    ~DisplayEnvironment()
    {
        for (const auto& [strName, value] : m_saved)
        {
            if (value)
                setenv(strName.c_str(), value->c_str(), 1);
            else
                unsetenv(strName.c_str());
        }
    }

  private:
    std::map<std::string, std::optional<std::string>> m_saved;
};

// A virtual X server for the length of a test, on a display number it picks itself; empty name
// when Xvfb is not installed.
class VirtualXServer
{
  public:
    VirtualXServer()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        const std::string strFd = std::to_string(fds[1]);
        // No reset when a client leaves: the server would refuse connections for a moment.
        const char* argv[] = {"Xvfb", "-displayfd", strFd.c_str(), "-nolisten", "tcp", "-noreset", nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        // The server writes its display number once it accepts connections (and may write it
        // again later: the pipe stays open until the server has ended, or it would stop).
        m_fdNumber = fds[0];
        pollfd pfd{fds[0], POLLIN, 0};
        char szNumber[16] = {};
        if (m_pid > 0 && poll(&pfd, 1, 10000) == 1 && read(fds[0], szNumber, sizeof szNumber - 1) > 0)
            m_strDisplay = ":" + std::to_string(std::atoi(szNumber));
    }
    ~VirtualXServer()
    {
        if (m_pid > 0)
        {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
        close(m_fdNumber);
    }
    const std::string& Display() const { return m_strDisplay; }

  private:
    pid_t m_pid = -1;
    int m_fdNumber = -1;
    std::string m_strDisplay;
};

} // namespace

TEST(DisplayAvailable, SaysWhyNoDisplayWillOpen)
{
    const std::string strRuntime = "/nowhere/run";
    // Environment, then what the reason names; an empty reason: a display is available.
    const struct
    {
        std::map<std::string, std::string> env;
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
    for (const auto& c : CASES)
    {
        DisplayEnvironment env(c.env);
        std::string strWhy = "left over";
        const bool bAvailable = UiApplication::DisplayAvailable(&strWhy);
        EXPECT_EQ(bAvailable, c.strWhy.empty()) << c.strWhy;
        EXPECT_EQ(strWhy.substr(0, c.strWhy.size()), c.strWhy);
    }
}

TEST(DisplayAvailable, FindsALiveXServerAlsoBehindADeadWaylandName)
{
    VirtualXServer server;
    if (server.Display().empty())
        GTEST_SKIP() << "Xvfb is not installed";
    for (const std::map<std::string, std::string>& values : {
             std::map<std::string, std::string>{{"DISPLAY", server.Display()}},
             {{"DISPLAY", server.Display()}, {"WAYLAND_DISPLAY", "/nowhere/wayland-9"}},
             {{"DISPLAY", server.Display()}, {"QT_QPA_PLATFORM", "wayland;xcb"}},
         })
    {
        DisplayEnvironment env(values);
        std::string strWhy;
        EXPECT_TRUE(UiApplication::DisplayAvailable(&strWhy)) << strWhy;
        EXPECT_EQ(strWhy, "");
    }
}
