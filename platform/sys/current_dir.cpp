#include "platform/sys/current_dir.h"

#include <filesystem>
#include <system_error>

std::string GetCurrentDir()
{
    std::error_code ec;
    const std::filesystem::path dir = std::filesystem::current_path(ec);
    if (ec)
        return std::string();
    return dir.string();
}
