#include "display/guide_settings.h"

std::atomic<ColorRef> g_crGuide{0xC0C0C0};
std::atomic<int> g_nGuideWidth{1};
std::atomic<int> g_nGuidePitch{40};
std::atomic<int> g_nGuideDash{6};
