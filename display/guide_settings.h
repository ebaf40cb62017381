#pragma once

#include "platform/ui/ui_types.h"

#include <atomic>

// The live viewer's guide-line settings. The console sets them from the settings file; the
// drawing threads read them on every pass. The defaults are the settings file's.
extern std::atomic<ColorRef> g_crGuide; // colour 0x00BBGGRR
extern std::atomic<int> g_nGuideWidth;  // pen width in pixels
extern std::atomic<int> g_nGuidePitch;  // from one dash to the next, in pixels
extern std::atomic<int> g_nGuideDash;   // dash length in pixels
