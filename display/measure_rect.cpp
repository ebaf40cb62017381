#include "display/measure_rect.h"

SharedMeasureRect g_rcMeasure;

MeasureRect SharedMeasureRect::Get() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_rc;
}

void SharedMeasureRect::Set(const MeasureRect& rc)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_rc = rc;
}
