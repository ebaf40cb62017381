#pragma once

#include <cstddef>

// One-line reports of the V4L2 backend on standard error: a failed step, the end of streaming,
// frames damaged or lost. Each event writes one line, never one per frame. A line is formatted
// on the stack, so the streaming thread reports without allocating.
class V4l2Log
{
  public:
    // Receives each line, without its line end.
    using Sink = void (*)(const char* pszLine, void* pContext);

    static void Write(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));
    // "tarnwick: <node>: <step>: <the system's text for the error>", with a few words on what
    // the most common errors mean for a camera. nErrno may be given negated.
    static void Failure(const char* pszNode, const char* pszStep, int nErrno);
    // Lines go to pfnSink instead of standard error; null sends them back there.
    static void SetSink(Sink pfnSink, void* pContext);

    static constexpr size_t LINE_LENGTH = 512;
};
