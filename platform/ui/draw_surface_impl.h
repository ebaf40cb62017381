#pragma once

// Internal to platform/ui: the Qt side of DrawSurface.

#include "platform/ui/dib_render.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <mutex>

class DrawSurfaceImpl : public QObject
{
  public:
    DrawSurfaceImpl();

    // User-interface thread.
    void AttachClient(QWidget* pClient);
    void DetachClient();
    void SetClientSize(int nWidth, int nHeight);
    void RequestErase() { m_bErasePending = true; }
    bool IsShowingPicture() const { return m_bShowing; }
    // Paints the latest published picture (and the window colour where it has none).
    void Paint(QWidget* pClient, const QRect& rcUpdate);

    // Drawing thread.
    bool Acquire();
    void Release();
    PixelTarget Target();
    Pen m_pen;
    Point m_ptCurrent;

    // Any thread.
    ColorRef GetPixel(int x, int y) const;
    int BufferWidth() const;
    int BufferHeight() const;
    std::atomic<int> m_nPublished{0};
    std::atomic<int> m_nShown{0};

    static constexpr std::uint32_t BACKGROUND = 0xFFF0F0F0u;

  protected:
    bool event(QEvent* pEvent) override;

  private:
    void ShowLatest();

    std::atomic<int> m_nClientWidth{0};
    std::atomic<int> m_nClientHeight{0};
    std::atomic<bool> m_bAlive{false};
    std::atomic<bool> m_bErasePending{false};
    std::atomic<bool> m_bShowPending{false}; // an update request is queued or its timer armed

    // Drawing thread only.
    QImage m_back;
    int m_nNesting = 0;

    // The last published picture: m_ready while it waits to be shown, else m_front. Hold m_mutex.
    const QImage& Published() const { return m_bReadyNew ? m_ready : m_front; }
    mutable std::mutex
        m_mutex; // protects m_ready and m_bReadyNew: the picture handed from drawing thread to UI thread
    QImage m_ready;
    bool m_bReadyNew = false;

    // User-interface thread only.
    QImage m_front;
    QPointer<QWidget> m_pClient;
    QElapsedTimer m_lastShow;
    bool m_bShowing = false;
};
