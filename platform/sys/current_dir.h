#pragma once

#include <string>

// The process's current working directory as UTF-8 text; empty when it cannot be determined
// (for instance when it has been removed).
std::string GetCurrentDir();
