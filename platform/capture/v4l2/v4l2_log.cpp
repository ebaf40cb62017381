#include "platform/capture/v4l2/v4l2_log.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace
{
// What the errors that a camera user meets most often mean here.
const char* Hint(int nErrno)
{
    switch (nErrno)
    {
    case EACCES:
    case EPERM:
        return " (no permission on the device node: see the README, \"Real cameras on Linux\")";
    case EBUSY:
        return " (another program is using the camera)";
    case ENOSPC:
        return " (not enough USB bandwidth: use another USB port or controller)";
    case ENODEV:
        return " (the camera was unplugged or reset)";
    default:
        return "";
    }
}

std::mutex g_sinkMutex; // protects g_pfnSink and g_pSinkContext, and keeps lines whole
V4l2Log::Sink g_pfnSink = nullptr;
void* g_pSinkContext = nullptr;
} // namespace

void V4l2Log::Write(const char* pszFormat, ...)
{
    char szLine[LINE_LENGTH];
    va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(szLine, sizeof szLine, pszFormat, args);
    va_end(args);
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    if (g_pfnSink != nullptr)
        g_pfnSink(szLine, g_pSinkContext);
    else
        std::fprintf(stderr, "%s\n", szLine);
}

void V4l2Log::Failure(const char* pszNode, const char* pszStep, int nErrno)
{
    char szText[128];
    const int nPositive = nErrno < 0 ? -nErrno : nErrno;
    // The GNU form: thread-safe, and it may return its own static text instead of filling ours.
    const char* pszText = strerror_r(nPositive, szText, sizeof szText);
    Write("tarnwick: %s: %s: %s%s", pszNode, pszStep, pszText, Hint(nPositive));
}

void V4l2Log::SetSink(Sink pfnSink, void* pContext)
{
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    g_pfnSink = pfnSink;
    g_pSinkContext = pContext;
}
