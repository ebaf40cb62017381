#pragma once

#include <mutex>

// The measured rectangle in pixels of the live picture as shown: columns from its left edge, rows
// from its top edge. All four -1 means no rectangle.
struct MeasureRect
{
    int left = -1;
    int top = -1;
    int right = -1;
    int bottom = -1;

    // True unless one of the four values is -1.
    bool IsSet() const { return left != -1 && top != -1 && right != -1 && bottom != -1; }
};

// The process-wide measured rectangle: written by the viewer's measuring drag and cleared by a
// right click (user-interface thread), drawn by the drawing threads, read and cleared by the
// resolution page. Read and written whole, so no reader sees half of a drag step.
class SharedMeasureRect
{
  public:
    MeasureRect Get() const;
    void Set(const MeasureRect& rc);
    void Clear() { Set(MeasureRect{}); }

  private:
    mutable std::mutex m_mutex; // protects m_rc; held only to copy it
    MeasureRect m_rc;
};

// No rectangle at program start.
extern SharedMeasureRect g_rcMeasure;
