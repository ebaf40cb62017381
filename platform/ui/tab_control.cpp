#include "platform/ui/tab_control.h"

#include "platform/ui/control_impl.h"

#include <QTabBar>
#include <QTabWidget>

namespace
{
QTabWidget* TabsOf(ControlImpl* pImpl)
{
    return pImpl != nullptr ? qobject_cast<QTabWidget*>(pImpl->m_pWidget.data()) : nullptr;
}
} // namespace

int TabControl::InsertItem(int nIndex, const std::string& strText)
{
    QTabWidget* p = TabsOf(m_pImpl);
    if (p == nullptr)
        return -1;
    m_pImpl->m_bProgrammatic = true;
    const int n = p->insertTab(nIndex, new QWidget(p), QString::fromStdString(strText));
    m_pImpl->m_bProgrammatic = false;
    m_pImpl->m_nSel = p->currentIndex();
    return n;
}

int TabControl::GetItemCount() const
{
    QTabWidget* p = TabsOf(m_pImpl);
    return p != nullptr ? p->count() : 0;
}

int TabControl::GetCurSel() const
{
    return m_pImpl != nullptr ? m_pImpl->m_nSel.load() : -1;
}

int TabControl::SetCurSel(int nIndex)
{
    QTabWidget* p = TabsOf(m_pImpl);
    if (p == nullptr)
        return -1;
    const int nOld = m_pImpl->m_nSel;
    if (nIndex >= 0 && nIndex < p->count())
    {
        m_pImpl->m_bProgrammatic = true;
        p->setCurrentIndex(nIndex);
        m_pImpl->m_bProgrammatic = false;
        m_pImpl->m_nSel = nIndex;
    }
    return nOld;
}

Rect TabControl::GetPageRect() const
{
    QTabWidget* p = TabsOf(m_pImpl);
    if (p == nullptr)
        return Rect{};
    const int nTop = p->tabBar()->height();
    return Rect{0, nTop, p->width(), p->height()};
}
