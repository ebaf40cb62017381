#include "pages/tab_page.h"

#include "camera/camera_device.h"
#include "platform/ui/edit_box.h"
#include "platform/ui/scroll_bar.h"
#include "platform/ui/up_down.h"

#include <algorithm>
#include <string>

namespace
{
constexpr int PAGE_STEP = 10;

bool IsPageKey(unsigned nKey)
{
    switch (nKey)
    {
    case VK_RETURN:
    case VK_ESCAPE:
    case 'R':
    case 'S':
    case 'T':
    case VK_OEM_COMMA:
    case VK_OEM_PERIOD:
        return true;
    default:
        return false;
    }
}

int Bound(int nValue, int nLower, int nUpper)
{
    return std::clamp(nValue, std::min(nLower, nUpper), std::max(nLower, nUpper));
}
} // namespace

TabPage::TabPage(const DialogTemplate& tmpl) : Dialog(tmpl) {}

bool TabPage::PreTranslateMessage(const Message& msg)
{
    if (msg.nMessage == WM_KEYDOWN && IsPageKey(msg.nKey))
        return OnPageKey(msg.nKey);
    return Dialog::PreTranslateMessage(msg);
}

bool TabPage::OnPageKey(unsigned)
{
    return false;
}

int TabPage::ScrollValue(const ScrollBar& bar, int nSBCode, int nPos, int nLineStep)
{
    int nValue = bar.GetScrollPos();
    switch (nSBCode)
    {
    case SB_LINELEFT:
        nValue -= nLineStep;
        break;
    case SB_LINERIGHT:
        nValue += nLineStep;
        break;
    case SB_PAGELEFT:
        nValue -= PAGE_STEP;
        break;
    case SB_PAGERIGHT:
        nValue += PAGE_STEP;
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        nValue = nPos;
        break;
    default:
        break;
    }
    int nMin = 0, nMax = 0;
    bar.GetScrollRange(&nMin, &nMax);
    return Bound(nValue, nMin, nMax);
}

int TabPage::DeltaPosValue(const UpDown& spin, const UpDownNotify& nm)
{
    int nLower = 0, nUpper = 0;
    spin.GetRange32(&nLower, &nUpper);
    return Bound(nm.iPos + nm.iDelta, nLower, nUpper);
}

void TabPage::ScrollTriple(const TabTriple& triple, int nSBCode, int nPos, int nLineStep)
{
    const int nValue = ScrollValue(*triple.pScroll, nSBCode, nPos, nLineStep);
    triple.pScroll->SetScrollPos(nValue, true);
    if (triple.bBuddyBySpin)
        triple.pSpin->SetPos(nValue);
    else
        triple.pEdit->SetWindowText(std::to_string(nValue));
    WriteRegister16(triple.nReg, nValue);
}

void TabPage::DeltaPosTriple(const TabTriple& triple, const UpDownNotify& nm, int* pResult)
{
    const int nValue = DeltaPosValue(*triple.pSpin, nm);
    triple.pScroll->SetScrollPos(nValue, true);
    WriteRegister16(triple.nReg, nValue);
    *pResult = 0;
}

void TabPage::WriteRegister8(int nReg, int nValue)
{
    if (m_pCamera != nullptr)
        m_pCamera->WriteRegister8(m_nCameraNo, nReg, nValue);
}

void TabPage::WriteRegister16(int nReg, int nValue)
{
    if (m_pCamera != nullptr)
        m_pCamera->WriteRegister16(m_nCameraNo, nReg, nValue);
}
