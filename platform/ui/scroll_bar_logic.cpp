#include "platform/ui/scroll_bar_logic.h"

#include "platform/ui/ui_types.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>

ScrollBarLogic::ScrollBarLogic(bool bWindowBar, int nInitialMax)
    : m_bWindowBar(bWindowBar), m_nMax(nInitialMax)
{
}

void ScrollBarLogic::Attach(QScrollBar* pBar, Notify notify)
{
    m_pBar = pBar;
    m_notify = std::move(notify);
    pBar->setSingleStep(1);
    pBar->installEventFilter(this);
    connect(pBar, &QAbstractSlider::actionTriggered, this, [this](int nAction) { OnAction(nAction); });
    connect(pBar, &QAbstractSlider::sliderPressed, this, [this] { m_bDragging = true; });
    Sync();
}

void ScrollBarLogic::Detach()
{
    if (m_pBar != nullptr)
    {
        m_pBar->removeEventFilter(this);
        disconnect(m_pBar, nullptr, this, nullptr);
    }
    m_pBar = nullptr;
    m_notify = nullptr;
    m_bDragging = false;
    m_bInGesture = false;
}

int ScrollBarLogic::MaxPos() const
{
    const int nMin = m_nMin, nMax = m_nMax, nPage = m_nPage;
    return std::max(nMin, nMax - std::max(nPage - 1, 0));
}

void ScrollBarLogic::SetInfo(int nMin, int nMax, int nPage, bool bRedraw)
{
    if (nMax < nMin)
        nMax = nMin;
    m_nMin = nMin;
    m_nMax = nMax;
    m_nPage = std::clamp(nPage, 0, nMax - nMin + 1);
    m_nPos = std::clamp(m_nPos.load(), nMin, MaxPos());
    (void)bRedraw; // the toolkit repaints on its own schedule
    Sync();
}

void ScrollBarLogic::SetRange(int nMin, int nMax, bool bRedraw)
{
    SetInfo(nMin, nMax, m_nPage, bRedraw);
}

int ScrollBarLogic::SetPos(int nPos, bool bRedraw)
{
    (void)bRedraw;
    const int nOld = m_nPos;
    m_nPos = std::clamp(nPos, m_nMin.load(), MaxPos());
    Sync();
    return nOld;
}

void ScrollBarLogic::Sync()
{
    if (m_pBar == nullptr)
        return;
    m_bSyncing = true;
    m_pBar->setRange(m_nMin, MaxPos());
    m_pBar->setPageStep(std::max(1, m_nPage.load()));
    if (!m_bDragging)
        m_pBar->setValue(m_nPos);
    if (m_bWindowBar)
    {
        const bool bScrollable = m_nMax > m_nMin && m_nPage <= m_nMax - m_nMin;
        m_pBar->setVisible(bScrollable);
    }
    m_bSyncing = false;
}

void ScrollBarLogic::OnAction(int nAction)
{
    if (m_bSyncing || m_pBar == nullptr)
        return;
    int nCode = -1;
    int nPos = 0;
    switch (nAction)
    {
    case QAbstractSlider::SliderSingleStepAdd:
        nCode = SB_LINERIGHT;
        break;
    case QAbstractSlider::SliderSingleStepSub:
        nCode = SB_LINELEFT;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        nCode = SB_PAGERIGHT;
        break;
    case QAbstractSlider::SliderPageStepSub:
        nCode = SB_PAGELEFT;
        break;
    case QAbstractSlider::SliderToMinimum:
        nCode = SB_LEFT;
        break;
    case QAbstractSlider::SliderToMaximum:
        nCode = SB_RIGHT;
        break;
    case QAbstractSlider::SliderMove:
        nCode = SB_THUMBTRACK;
        nPos = m_pBar->sliderPosition();
        break;
    default:
        return;
    }
    m_bInGesture = true;
    if (m_notify)
        m_notify(nCode, nPos);
    // The bar shows what the program set, not where the toolkit would have moved it; only a thumb
    // being dragged follows the mouse.
    if (m_pBar != nullptr && !m_bDragging)
        m_pBar->setSliderPosition(m_nPos);
}

void ScrollBarLogic::EndGesture()
{
    if (!m_bInGesture && !m_bDragging)
        return;
    const bool bWasDragging = m_bDragging;
    const int nTrack = m_pBar != nullptr ? m_pBar->sliderPosition() : m_nPos.load();
    m_bDragging = false;
    m_bInGesture = false;
    if (bWasDragging && m_notify)
        m_notify(SB_THUMBPOSITION, nTrack);
    if (m_notify)
        m_notify(SB_ENDSCROLL, 0);
    Sync();
}

bool ScrollBarLogic::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched != m_pBar)
        return false;
    switch (pEvent->type())
    {
    case QEvent::Wheel:
        return true; // the bar moves only by its arrows, its track, its thumb and its keys
    case QEvent::MouseButtonRelease:
    case QEvent::KeyRelease:
        // Let the toolkit finish the gesture first (thumb release), then report its end.
        QMetaObject::invokeMethod(
            this, [this] { EndGesture(); }, Qt::QueuedConnection);
        return false;
    default:
        return false;
    }
}
