#pragma once

// The event-loop helper the console's tests share, and their working folder.

#include "platform/ui/ui_application.h"
#include "tests/platform/sys/temp_dir.h"

#include <chrono>
#include <functional>

// Runs the event loop until done holds or nSeconds pass; whether it holds.
inline bool PumpUntil(const std::function<bool()>& done, int nSeconds = 10)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(nSeconds);
    while (!done() && std::chrono::steady_clock::now() < end)
        UiApplication::PumpEvents(5);
    return done();
}
