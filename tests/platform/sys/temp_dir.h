#pragma once

// A fresh folder per test, removed afterwards; the whole-file reads and writes the tests share, and
// a disk that fills up.

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

class TempDir
{
  public:
    TempDir()
        : m_dir(std::filesystem::temp_directory_path() /
                ("tarnwick_" + std::to_string(std::random_device{}()) + "_" +
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

    static std::string ReadFile(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void WriteFile(const std::filesystem::path& path, const std::string& strText)
    {
        std::ofstream(path, std::ios::binary) << strText;
    }

  private:
    std::filesystem::path m_dir;
};

// Runs write with files limited to nBytes, as on a disk that fills there; what write returned.
template <class Write> bool OnAFullDisk(rlim_t nBytes, Write write)
{
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit full{nBytes, old.rlim_max};
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &full);
    const bool bWritten = write();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    return bWritten;
}
