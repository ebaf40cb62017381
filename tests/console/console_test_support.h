#pragma once

// A fresh folder per test, and the file and event-loop helpers the console's tests share.

#include "platform/ui/ui_application.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

// Runs the event loop until done holds or nSeconds pass; whether it holds.
inline bool PumpUntil(const std::function<bool()>& done, int nSeconds = 10)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(nSeconds);
    while (!done() && std::chrono::steady_clock::now() < end)
        UiApplication::PumpEvents(5);
    return done();
}

class TempDir
{
  public:
    TempDir()
        : m_dir(std::filesystem::temp_directory_path() /
                ("tarnwick_console_" + std::to_string(std::random_device{}()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name()))
    {
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    ~TempDir() { std::filesystem::remove_all(m_dir); }

    std::string Dir() const { return m_dir.string(); }
    std::string Path(const std::string& strName) const { return (m_dir / strName).string(); }
    // The names in the folder, sorted.
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static std::string ReadFile(const std::string& strPath)
    {
        std::ifstream in(strPath, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    static void WriteFile(const std::string& strPath, const std::string& strText)
    {
        std::ofstream(strPath, std::ios::binary) << strText;
    }

  private:
    std::filesystem::path m_dir;
};
