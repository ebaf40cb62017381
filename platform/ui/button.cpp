#include "platform/ui/button.h"

#include "platform/ui/control_impl.h"

int Button::GetCheck() const
{
    return m_pImpl != nullptr ? m_pImpl->m_nCheck.load() : 0;
}

void Button::SetCheck(int nCheck)
{
    if (m_pImpl != nullptr)
        m_pImpl->SetCheck(nCheck);
}
