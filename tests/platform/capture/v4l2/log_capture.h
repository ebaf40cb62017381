#pragma once

#include "platform/capture/v4l2/v4l2_log.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

// Collects the backend's report lines for as long as it lives, instead of standard error.
class LogCapture
{
  public:
    LogCapture() { V4l2Log::SetSink(&Append, this); }
    ~LogCapture() { V4l2Log::SetSink(nullptr, nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> Lines()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }
    // Lines that hold every one of the fragments.
    int Count(std::initializer_list<const char*> fragments)
    {
        const std::vector<std::string> lines = Lines();
        return int(std::count_if(lines.begin(), lines.end(),
                                 [&](const std::string& s)
                                 {
                                     return std::all_of(fragments.begin(), fragments.end(),
                                                        [&](const char* p)
                                                        { return s.find(p) != std::string::npos; });
                                 }));
    }
    void Clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.clear();
    }

  private:
    static void Append(const char* pszLine, void* pContext)
    {
        auto* pThis = static_cast<LogCapture*>(pContext);
        std::lock_guard<std::mutex> lock(pThis->m_mutex);
        pThis->m_lines.emplace_back(pszLine);
    }

    std::mutex m_mutex; // protects m_lines: the streaming thread reports too
    std::vector<std::string> m_lines;
};
