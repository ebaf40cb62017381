#include "platform/ui/up_down.h"

#include "platform/ui/control_impl.h"

#include <cstdint>

void UpDown::SetRange(int nLower, int nUpper)
{
    SetRange32(static_cast<std::int16_t>(nLower), static_cast<std::int16_t>(nUpper));
}

int UpDown::GetPos() const
{
    return static_cast<std::int16_t>(GetPos32());
}

int UpDown::SetPos(int nPos)
{
    return SetPos32(static_cast<std::int16_t>(nPos));
}

void UpDown::SetRange32(int nLower, int nUpper)
{
    if (m_pImpl == nullptr)
        return;
    m_pImpl->m_nLower = nLower;
    m_pImpl->m_nUpper = nUpper;
}

void UpDown::GetRange32(int* pLower, int* pUpper) const
{
    if (pLower != nullptr)
        *pLower = m_pImpl != nullptr ? m_pImpl->m_nLower : 0;
    if (pUpper != nullptr)
        *pUpper = m_pImpl != nullptr ? m_pImpl->m_nUpper : 0;
}

int UpDown::GetPos32(bool* pError) const
{
    if (m_pImpl == nullptr)
    {
        if (pError != nullptr)
            *pError = true;
        return 0;
    }
    bool bValid = false;
    const int nPos = m_pImpl->ReadPosFromBuddy(&bValid);
    if (bValid)
        m_pImpl->m_nPos = nPos;
    if (pError != nullptr)
        *pError = m_pImpl->m_pBuddy != nullptr && !bValid;
    return m_pImpl->m_nPos;
}

int UpDown::SetPos32(int nPos)
{
    if (m_pImpl == nullptr)
        return 0;
    const int nOld = m_pImpl->m_nPos;
    m_pImpl->SetUpDownPos(nPos);
    return nOld;
}

void UpDown::Step(bool bUp)
{
    if (m_pImpl != nullptr)
        m_pImpl->StepUpDown(bUp);
}
