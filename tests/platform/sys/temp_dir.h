#pragma once

// A fresh folder per test, removed afterwards; the whole-file reads and writes the tests share, a
// disk that fills up, and a child process that acts as another user.

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
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
        std::filesystem::create_directories(m_dir);
    }
    ~TempDir() { std::filesystem::remove_all(m_dir); }

    std::string Dir() const { return m_dir.string(); }
    std::string Path(const std::string& strName) const { return (m_dir / strName).string(); }
    // The names in the folder, sorted.
    std::vector<std::string> Entries() const
    {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir))
            names.insert(entry.path().filename().string());
        return {names.begin(), names.end()};
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

// Runs write with files limited to nBytes, as on a disk that fills there; what write returned. The
// limit's signal keeps its default, which ends the process: what writes must ignore it.
template <class Write> auto OnAFullDisk(rlim_t nBytes, Write write)
{
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit full{nBytes, old.rlim_max};
    const auto oldSignal = std::signal(SIGXFSZ, SIG_DFL);
    setrlimit(RLIMIT_FSIZE, &full);
    const auto result = write();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    return result;
}

// Users without any rights of their own, for tests that need two (run as root).
constexpr uid_t ORDINARY_USER = 65534; // "nobody"
constexpr uid_t OTHER_USER = 65533;

// Makes this process the user nUid, with the group of the same number and no other groups.
inline bool BecomeUser(uid_t nUid)
{
    return setgroups(0, nullptr) == 0 && setresgid(nUid, nUid, nUid) == 0 && setresuid(nUid, nUid, nUid) == 0;
}

// A child process that first enters what the test needs (another user, a mount namespace of its
// own), then runs; Result waits for it and gives what run returned, NOT_ENTERED where it could not
// enter. Start children from one thread only: a child forked while another thread allocates can
// wait for ever on a lock that thread held (this compiler's address sanitizer takes none of its
// allocator's locks around a fork, as the C library does for its own).
inline const std::string NOT_ENTERED = "(not entered)";
class Child
{
  public:
    template <class Enter, class Run>
    Child(Enter enter, Run run)
        : m_pOut(std::tmpfile()) // opened before the child may become a user who could not
    {
        m_pid = m_pOut != nullptr ? fork() : -1;
        if (m_pid == 0)
        {
            const std::string str = enter() ? std::string(run()) : NOT_ENTERED;
            _exit(std::fputs(str.c_str(), m_pOut) >= 0 && std::fflush(m_pOut) == 0 ? 0 : 1);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { static_cast<void>(Result()); }

    std::string Result()
    {
        if (m_pOut == nullptr)
            return NOT_ENTERED;
        std::string str(4096, '\0');
        const bool bRead =
            m_pid > 0 && waitpid(m_pid, nullptr, 0) == m_pid && std::fseek(m_pOut, 0, SEEK_SET) == 0;
        str.resize(bRead ? std::fread(str.data(), 1, str.size(), m_pOut) : 0);
        std::fclose(m_pOut);
        m_pOut = nullptr;
        return bRead ? str : NOT_ENTERED;
    }

  private:
    std::FILE* m_pOut;
    pid_t m_pid = -1;
};

// What run returns in a child process that first enters what the test needs; NOT_ENTERED where it
// could not.
template <class Enter, class Run> std::string InChild(Enter enter, Run run)
{
    return Child(enter, run).Result();
}
