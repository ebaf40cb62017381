#pragma once

// Internal to platform/ui: scroll-bar state kept the way the program's logic expects it, for the
// window's own bars and for scroll-bar controls alike. The program sets the position; the bar does
// not move by itself but reports the user's actions as scroll codes, with SB_ENDSCROLL after every
// gesture. Range, page and position are mirrored in atomics so that any thread can read them.

#include <QObject>
#include <QPointer>
#include <QScrollBar>

#include <atomic>
#include <functional>

class ScrollBarLogic : public QObject
{
  public:
    using Notify = std::function<void(int nSBCode, int nPos)>;

    // A window bar hides itself while its page covers the whole range; a control stays visible.
    ScrollBarLogic(bool bWindowBar, int nInitialMax);

    void Attach(QScrollBar* pBar, Notify notify);
    void Detach();

    void SetInfo(int nMin, int nMax, int nPage, bool bRedraw);
    void SetRange(int nMin, int nMax, bool bRedraw);
    int SetPos(int nPos, bool bRedraw); // returns the previous position

    // Any thread.
    int GetPos() const { return m_nPos; }
    int GetMin() const { return m_nMin; }
    int GetMax() const { return m_nMax; }
    int GetPage() const { return m_nPage; }
    int MaxPos() const;

  protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

  private:
    void Sync();
    void OnAction(int nAction);
    void EndGesture();

    const bool m_bWindowBar;
    std::atomic<int> m_nMin{0};
    std::atomic<int> m_nMax{0};
    std::atomic<int> m_nPage{0};
    std::atomic<int> m_nPos{0};

    QPointer<QScrollBar> m_pBar;
    Notify m_notify;
    bool m_bSyncing = false;
    bool m_bDragging = false;
    bool m_bInGesture = false;
};
