#include "platform/ui/combo_box.h"

#include "platform/ui/control_impl.h"

#include <QComboBox>

namespace
{
QComboBox* ComboOf(ControlImpl* pImpl)
{
    return pImpl != nullptr ? qobject_cast<QComboBox*>(pImpl->m_pWidget.data()) : nullptr;
}
} // namespace

int ComboBox::InsertString(int nIndex, const std::string& strText)
{
    QComboBox* p = ComboOf(m_pImpl);
    if (p == nullptr)
        return -1;
    if (nIndex < 0 || nIndex > p->count())
        nIndex = p->count();
    p->insertItem(nIndex, QString::fromStdString(strText));
    // Inserting never selects anything; the toolkit would select the first entry.
    const int nSel = m_pImpl->m_nSel;
    p->setCurrentIndex(nSel >= 0 && nIndex <= nSel ? nSel + 1 : nSel);
    m_pImpl->m_nSel = p->currentIndex();
    return nIndex;
}

void ComboBox::ResetContent()
{
    if (QComboBox* p = ComboOf(m_pImpl))
        p->clear();
    if (m_pImpl != nullptr)
        m_pImpl->m_nSel = -1;
}

int ComboBox::GetCount() const
{
    QComboBox* p = ComboOf(m_pImpl);
    return p != nullptr ? p->count() : 0;
}

std::string ComboBox::GetLBText(int nIndex) const
{
    QComboBox* p = ComboOf(m_pImpl);
    return p != nullptr ? p->itemText(nIndex).toStdString() : std::string();
}

int ComboBox::GetCurSel() const
{
    return m_pImpl != nullptr ? m_pImpl->m_nSel.load() : -1;
}

int ComboBox::SetCurSel(int nIndex)
{
    QComboBox* p = ComboOf(m_pImpl);
    if (p == nullptr)
        return -1;
    const bool bValid = nIndex >= 0 && nIndex < p->count();
    p->setCurrentIndex(bValid ? nIndex : -1);
    m_pImpl->m_nSel = p->currentIndex();
    return bValid ? nIndex : -1;
}
