#include "platform/ui/scroll_bar.h"

#include "platform/ui/control_impl.h"
#include "platform/ui/scroll_bar_logic.h"

namespace
{
ScrollBarLogic* LogicOf(ControlImpl* pImpl)
{
    return pImpl != nullptr ? pImpl->m_pScroll.get() : nullptr;
}
} // namespace

void ScrollBar::SetScrollRange(int nMin, int nMax, bool bRedraw)
{
    if (ScrollBarLogic* p = LogicOf(m_pImpl))
        p->SetRange(nMin, nMax, bRedraw);
}

void ScrollBar::GetScrollRange(int* pMin, int* pMax) const
{
    const ScrollBarLogic* p = LogicOf(m_pImpl);
    if (pMin != nullptr)
        *pMin = p != nullptr ? p->GetMin() : 0;
    if (pMax != nullptr)
        *pMax = p != nullptr ? p->GetMax() : 0;
}

int ScrollBar::SetScrollPos(int nPos, bool bRedraw)
{
    ScrollBarLogic* p = LogicOf(m_pImpl);
    return p != nullptr ? p->SetPos(nPos, bRedraw) : 0;
}

int ScrollBar::GetScrollPos() const
{
    const ScrollBarLogic* p = LogicOf(m_pImpl);
    return p != nullptr ? p->GetPos() : 0;
}

void ScrollBar::SetPage(int nPage)
{
    if (ScrollBarLogic* p = LogicOf(m_pImpl))
        p->SetInfo(p->GetMin(), p->GetMax(), nPage, true);
}
