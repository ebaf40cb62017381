#pragma once

// A fresh folder per test, and the file helpers the console's tests share.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

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
