#include "platform/ui/progress_bar.h"

#include "platform/ui/control_impl.h"

#include <QProgressBar>

#include <algorithm>
#include <climits>

void ProgressBar::SetRange(int nLower, int nUpper)
{
    if (m_pImpl == nullptr)
        return;
    m_pImpl->m_nProgressLower = nLower;
    m_pImpl->m_nProgressUpper = nUpper;
    // The toolkit shows a busy animation for an empty range (0 to 0), where an empty bar is meant:
    // it gets one step more. The position stays within the range asked for (ApplyProgress).
    int nShownLower = nLower;
    int nShownUpper = std::max(nLower, nUpper);
    if (nShownUpper == nShownLower)
    {
        if (nShownUpper < INT_MAX)
            ++nShownUpper;
        else
            --nShownLower;
    }
    if (auto* p = qobject_cast<QProgressBar*>(m_pImpl->m_pWidget.data()))
        p->setRange(nShownLower, nShownUpper);
}

void ProgressBar::SetPos(int nPos)
{
    if (m_pImpl == nullptr)
        return;
    // A request still queued from another thread must not bring back an older position.
    m_pImpl->m_nProgressLatest = nPos;
    m_pImpl->ApplyProgress(nPos);
}

int ProgressBar::GetPos() const
{
    auto* p = m_pImpl != nullptr ? qobject_cast<QProgressBar*>(m_pImpl->m_pWidget.data()) : nullptr;
    return p != nullptr ? p->value() : 0;
}

void ProgressBar::PostPos(int nPos)
{
    if (m_pImpl != nullptr)
        m_pImpl->PostProgress(nPos);
}

int ProgressBar::AppliedCount() const
{
    return m_pImpl != nullptr ? m_pImpl->m_nProgressApplied.load() : 0;
}
