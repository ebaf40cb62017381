#include "platform/ui/control.h"

#include "platform/ui/control_impl.h"

namespace
{
QWidget* WidgetOf(ControlImpl* pImpl)
{
    return pImpl != nullptr ? pImpl->m_pWidget.data() : nullptr;
}
} // namespace

int Control::GetDlgCtrlID() const
{
    return m_pImpl != nullptr ? m_pImpl->m_nId : 0;
}

void Control::EnableWindow(bool bEnable)
{
    if (QWidget* p = WidgetOf(m_pImpl))
        p->setEnabled(bEnable);
}

bool Control::IsWindowEnabled() const
{
    QWidget* p = WidgetOf(m_pImpl);
    return p != nullptr && p->isEnabled();
}

void Control::ShowWindow(bool bShow)
{
    if (QWidget* p = WidgetOf(m_pImpl))
        p->setVisible(bShow);
}

bool Control::IsWindowVisible() const
{
    QWidget* p = WidgetOf(m_pImpl);
    return p != nullptr && p->isVisible();
}

void Control::SetWindowText(const std::string& strText)
{
    if (m_pImpl != nullptr)
        m_pImpl->SetText(strText);
}

std::string Control::GetWindowText() const
{
    return m_pImpl != nullptr ? m_pImpl->GetText() : std::string();
}

void Control::SetFocus()
{
    if (QWidget* p = WidgetOf(m_pImpl))
        p->setFocus(Qt::OtherFocusReason);
}

bool Control::HasFocus() const
{
    QWidget* p = WidgetOf(m_pImpl);
    return p != nullptr && p->hasFocus();
}

Rect Control::GetWindowRect() const
{
    QWidget* p = WidgetOf(m_pImpl);
    if (p == nullptr)
        return Rect{};
    const QPoint topLeft = p->mapToGlobal(QPoint(0, 0));
    return Rect{topLeft.x(), topLeft.y(), topLeft.x() + p->width(), topLeft.y() + p->height()};
}

Rect Control::GetClientRect() const
{
    QWidget* p = WidgetOf(m_pImpl);
    return p != nullptr ? Rect{0, 0, p->width(), p->height()} : Rect{};
}

void Control::MoveWindow(int x, int y, int cx, int cy)
{
    if (QWidget* p = WidgetOf(m_pImpl))
        p->setGeometry(x, y, cx, cy);
}

void Control::RedrawWindow()
{
    if (QWidget* p = WidgetOf(m_pImpl))
        p->repaint();
}
