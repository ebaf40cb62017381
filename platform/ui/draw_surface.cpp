#include "platform/ui/draw_surface.h"

#include "platform/ui/draw_surface_impl.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <cstring>

namespace
{
const QEvent::Type SHOW_EVENT = static_cast<QEvent::Type>(QEvent::User + 101);

int RefreshIntervalMs()
{
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    const double dRate = pScreen != nullptr ? pScreen->refreshRate() : 60.0;
    return dRate >= 1.0 ? static_cast<int>(1000.0 / dRate) : 16;
}
} // namespace

DrawSurfaceImpl::DrawSurfaceImpl()
{
    m_lastShow.invalidate();
}

void DrawSurfaceImpl::AttachClient(QWidget* pClient)
{
    m_pClient = pClient;
    m_bAlive = true;
}

void DrawSurfaceImpl::DetachClient()
{
    m_bAlive = false;
    m_pClient = nullptr;
}

void DrawSurfaceImpl::SetClientSize(int nWidth, int nHeight)
{
    m_nClientWidth = nWidth;
    m_nClientHeight = nHeight;
}

bool DrawSurfaceImpl::Acquire()
{
    if (m_nNesting++ == 0)
    {
        const int nWidth = m_nClientWidth, nHeight = m_nClientHeight;
        if (m_back.width() != nWidth || m_back.height() != nHeight)
        {
            // Only a resize allocates; the part both sizes share keeps its pixels.
            QImage next(nWidth, nHeight, QImage::Format_RGB32);
            next.fill(BACKGROUND);
            const int nCopyWidth = std::min(nWidth, m_back.width());
            for (int y = 0; y < std::min(nHeight, m_back.height()); ++y)
                std::memcpy(next.scanLine(y), m_back.constScanLine(y),
                            static_cast<std::size_t>(nCopyWidth) * 4);
            m_back.swap(next);
        }
        if (m_bErasePending.exchange(false))
            m_back.fill(BACKGROUND);
    }
    return m_bAlive;
}

void DrawSurfaceImpl::Release()
{
    if (m_nNesting == 0 || --m_nNesting != 0)
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_ready.size() != m_back.size())
            m_ready = QImage(m_back.size(), QImage::Format_RGB32);
        if (!m_back.isNull())
            std::memcpy(m_ready.bits(), m_back.constBits(), static_cast<std::size_t>(m_back.sizeInBytes()));
        m_bReadyNew = true;
    }
    ++m_nPublished;
    if (m_bAlive && !m_bShowPending.exchange(true))
        QCoreApplication::postEvent(this, new QEvent(SHOW_EVENT));
}

PixelTarget DrawSurfaceImpl::Target()
{
    if (m_back.isNull())
        return {};
    return {reinterpret_cast<std::uint32_t*>(m_back.bits()), m_back.width(), m_back.height(),
            static_cast<int>(m_back.bytesPerLine() / 4)};
}

ColorRef DrawSurfaceImpl::GetPixel(int x, int y) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const QImage& image = Published();
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height())
        return DrawSurface::INVALID_COLOR;
    return ColorRefFromPixel(reinterpret_cast<const std::uint32_t*>(image.constScanLine(y))[x]);
}

int DrawSurfaceImpl::BufferWidth() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return Published().width();
}

int DrawSurfaceImpl::BufferHeight() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return Published().height();
}

bool DrawSurfaceImpl::event(QEvent* pEvent)
{
    if (pEvent->type() != SHOW_EVENT)
        return QObject::event(pEvent);
    // At most one picture per screen refresh: a request that comes early waits for the rest of the
    // interval, and every picture published meanwhile merges into that one showing.
    const int nInterval = RefreshIntervalMs();
    const qint64 nSince = m_lastShow.isValid() ? m_lastShow.elapsed() : nInterval;
    if (nSince < nInterval)
        QTimer::singleShot(static_cast<int>(nInterval - nSince), this, [this] { ShowLatest(); });
    else
        ShowLatest();
    return true;
}

void DrawSurfaceImpl::ShowLatest()
{
    m_bShowPending = false;
    m_lastShow.start();
    if (m_pClient == nullptr || !m_pClient->isVisible())
        return;
    m_bShowing = true;
    m_pClient->repaint();
    m_bShowing = false;
}

void DrawSurfaceImpl::Paint(QWidget* pClient, const QRect& rcUpdate)
{
    bool bNew = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_bReadyNew)
        {
            m_front.swap(m_ready);
            m_bReadyNew = false;
            bNew = true;
        }
    }
    if (bNew)
        ++m_nShown;
    QPainter painter(pClient);
    painter.fillRect(rcUpdate, QColor::fromRgb(BACKGROUND));
    if (!m_front.isNull())
        painter.drawImage(QPoint(0, 0), m_front);
}

DrawSurface::DrawSurface() : m_pImpl(std::make_unique<DrawSurfaceImpl>()) {}
DrawSurface::~DrawSurface() = default;

bool DrawSurface::Acquire()
{
    return m_pImpl->Acquire();
}

void DrawSurface::Release()
{
    m_pImpl->Release();
}

void DrawSurface::BlitBitmap(int xDest, int yDest, int nWidth, int nHeight, int xSrc, int ySrc,
                             const BitmapInfo& bmi, const void* pBits)
{
    BlitDib(m_pImpl->Target(), xDest, yDest, nWidth, nHeight, xSrc, ySrc, bmi, pBits);
}

void DrawSurface::StretchBitmap(int xDest, int yDest, int nDestWidth, int nDestHeight, int xSrc, int ySrc,
                                int nSrcWidth, int nSrcHeight, const BitmapInfo& bmi, const void* pBits)
{
    StretchDib(m_pImpl->Target(), xDest, yDest, nDestWidth, nDestHeight, xSrc, ySrc, nSrcWidth, nSrcHeight,
               bmi, pBits);
}

void DrawSurface::FillRect(const Rect& rc, ColorRef color)
{
    const PixelTarget t = m_pImpl->Target();
    const std::uint32_t p = PixelFromColorRef(color);
    for (int y = std::max(0, rc.top); y < std::min(t.nHeight, rc.bottom); ++y)
        for (int x = std::max(0, rc.left); x < std::min(t.nWidth, rc.right); ++x)
            t.pPixels[static_cast<std::size_t>(y) * t.nStride + x] = p;
}

void DrawSurface::SelectPen(PenStyle style, int nWidth, ColorRef color)
{
    m_pImpl->m_pen = Pen{style, nWidth, color};
}

void DrawSurface::MoveTo(int x, int y)
{
    m_pImpl->m_ptCurrent = Point{x, y};
}

void DrawSurface::LineTo(int x, int y)
{
    DrawLine(m_pImpl->Target(), m_pImpl->m_ptCurrent, Point{x, y}, m_pImpl->m_pen);
    m_pImpl->m_ptCurrent = Point{x, y};
}

ColorRef DrawSurface::GetPixel(int x, int y) const
{
    return m_pImpl->GetPixel(x, y);
}

int DrawSurface::BufferWidth() const
{
    return m_pImpl->BufferWidth();
}

int DrawSurface::BufferHeight() const
{
    return m_pImpl->BufferHeight();
}

int DrawSurface::PublishedCount() const
{
    return m_pImpl->m_nPublished;
}

int DrawSurface::ShownCount() const
{
    return m_pImpl->m_nShown;
}
