#include "platform/ui/edit_box.h"

#include "platform/ui/control_impl.h"

#include <QLineEdit>

namespace
{
QLineEdit* EditOf(ControlImpl* pImpl)
{
    return pImpl != nullptr ? qobject_cast<QLineEdit*>(pImpl->m_pWidget.data()) : nullptr;
}
} // namespace

void EditBox::SetReadOnly(bool bReadOnly)
{
    if (QLineEdit* p = EditOf(m_pImpl))
        p->setReadOnly(bReadOnly);
}

bool EditBox::IsReadOnly() const
{
    QLineEdit* p = EditOf(m_pImpl);
    return p != nullptr && p->isReadOnly();
}

void EditBox::SetLimitText(int nChars)
{
    if (m_pImpl != nullptr && m_pImpl->m_pInputRule != nullptr)
        m_pImpl->m_pInputRule->m_nLimit = std::max(0, nChars);
}

void EditBox::SetTextColor(ColorRef color)
{
    if (QLineEdit* p = EditOf(m_pImpl))
    {
        QPalette palette = p->palette();
        palette.setColor(QPalette::Text, QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF));
        p->setPalette(palette);
    }
}
