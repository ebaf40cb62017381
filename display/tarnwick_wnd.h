#pragma once

#include "display/conversion_split.h"
#include "display/convert_params.h"
#include "display/viewer_owner.h"
#include "platform/sys/auto_reset_event.h"
#include "platform/sys/worker_thread.h"
#include "platform/ui/bitmap_info.h"
#include "platform/ui/dialog.h"

#include <atomic>
#include <memory>
#include <mutex>

// Zoom of a viewer.
constexpr int VIEW_ZOOM_1TO1 = 0;
constexpr int VIEW_ZOOM_FIT = 1;

// What a viewer's drawing thread draws, and how it converts it.
constexpr int VIEW_SRC_RAW8 = 0;           // g_pRawFrame, 8-bit grey (also any unknown value)
constexpr int VIEW_SRC_BAYER = 1;          // g_pRawFrame demosaiced into g_pBgrFrame (grey at width 4)
constexpr int VIEW_SRC_BGR24 = 2;          // g_pRawFrame as 24-bit blue-green-red
constexpr int VIEW_SRC_YUY2 = 3;           // g_pRawFrame as YUY2, converted into g_pBgrFrame
constexpr int VIEW_SRC_LINESCAN8 = 4;      // g_pLineScan, 8-bit grey
constexpr int VIEW_SRC_LINESCAN_BAYER = 5; // g_pLineScan demosaiced into g_pLineScanBgr once per image

// Range and page of one of the window's scroll bars as the viewer last set them.
struct ScrollInfo
{
    int nMin = 0;
    int nMax = 0;
    int nPage = 0;
};

// The picture window: a modeless top-level dialog, maximised on opening, that shows the live
// frame or the composed line-scan image at 1:1 (scrolled) or fitted to the window, with the
// guide line and the measuring drag over the live picture. All drawing is done by the window's
// own drawing thread; the handlers change the viewer's state and wake it.
//
// The owner sets the members below before opening (Create(nullptr)); the window closes through
// OnCancel (close box, or called directly). The same object can be opened again; each opening
// gets a new display header, new events and a new drawing thread, and the previous drawing
// thread has ended before the new one starts.
//
// Threads: the handlers run on the user-interface thread; DrawThreadProc on the drawing thread;
// the frame handler (streaming thread) clears m_bConverted and calls SignalDraw. The int members
// are atomic for that reason. A pass converts and draws the live frame (g_pRawFrame, g_pBgrFrame)
// holding LiveFrameLock(), and its conversion has ended when the pass does; whoever takes both
// that lock and m_bmiMutex takes them in that order.
class TarnwickWnd : public Dialog
{
  public:
    TarnwickWnd();
    // Ends the drawing thread first: it draws into this dialog's surface and reads these members.
    ~TarnwickWnd() override;

    // Any thread: wakes the drawing thread of the current opening (nothing before the first).
    void SignalDraw();
    // Tells the drawing thread of the last opening to end and waits for it, at most one pass and
    // its conversion (the thread never waits for the user-interface thread); no worker of the
    // viewer then touches a buffer. Call before releasing the shared image buffers, or before
    // writing a picture that a viewer just closed may still be reading. User-interface thread.
    void StopDrawThread();
    // The current opening's events (null before the first opening). Any thread.
    std::shared_ptr<AutoResetEvent> DrawEvent() const;
    std::shared_ptr<AutoResetEvent> QuitEvent() const;
    // Copies the display header as the last pass completed it (width, height and bit count) with
    // its grey palette; false before the first opening. Stays readable after the window closes.
    bool CopyDisplayHeader(BitmapInfo* pBmi) const;
    // With the window closed: ends the last opening's drawing thread, then converts the picture and
    // completes the display header as a pass would, so that the picture can still be saved as the
    // viewer showed it. False while the window is open, before the first opening or without the
    // shared buffers. User-interface thread.
    bool PrepareClosedPicture();

    // Converts the m_nWidth x m_nHeight Bayer mosaic at pSrc into blue-green-red at pDst with the
    // phase m_nBayerPattern, on two workers. Drawing thread only.
    void ConvertBayer(const unsigned char* pSrc, unsigned char* pDst);
    // Converts the m_nWidth x m_nHeight YUY2 picture at pSrc into bottom-up blue-green-red at pDst
    // with the procedure of m_nYuvMode, on two workers. Drawing thread only.
    void ConvertYuy2(const unsigned char* pSrc, unsigned char* pDst);

    // The drawing thread's procedure; pViewer is the viewer.
    static void DrawThreadProc(void* pViewer);

    bool OnInitDialog() override;
    void OnCancel() override;
    void OnOK() override;
    bool PreTranslateMessage(const Message& msg) override;
    void OnPaint() override;
    void OnSize(int nType, int cx, int cy) override;
    void OnHScroll(int nSBCode, int nPos, int nScrollBarId) override;
    void OnVScroll(int nSBCode, int nPos, int nScrollBarId) override;
    bool OnMouseWheel(unsigned nFlags, int zDelta, Point pt) override;
    void OnLButtonDblClk(unsigned nFlags, Point pt) override;
    void OnLButtonDown(unsigned nFlags, Point pt) override;
    void OnLButtonUp(unsigned nFlags, Point pt) override;
    void OnMouseMove(unsigned nFlags, Point pt) override;
    void OnRButtonDown(unsigned nFlags, Point pt) override;

    // The main dialog: tab selection, Rec page commands, resolution page controls. May be null
    // (no hot keys, no guide line).
    std::atomic<ViewerOwner*> m_pOwner{nullptr};
    // The drawing thread of the current (or last) opening.
    WorkerThread m_hThread;
    // The current opening's events, replaced at each opening only after the previous drawing
    // thread has ended; each thread takes its own pair when it starts. Guarded by m_eventMutex,
    // because the frame handler signals the draw event from the streaming thread while a new
    // opening may replace it: read them through DrawEvent() and QuitEvent().
    std::shared_ptr<AutoResetEvent> m_hDrawEvent;
    std::shared_ptr<AutoResetEvent> m_hQuitEvent;
    // The display header: a new one at each opening; the previous one lives until then. Its
    // width, height and bit count are written under m_bmiMutex by the drawing thread, or by
    // PrepareClosedPicture once that thread has ended; read it through CopyDisplayHeader.
    std::unique_ptr<BitmapInfo> m_pBmi;
    ScrollInfo m_siV;                 // user-interface thread only
    ScrollInfo m_siH;                 // user-interface thread only
    std::atomic<int> m_bRunning{0};   // 1 from OnInitDialog to OnCancel: the drawing thread draws
    std::atomic<int> m_bConverted{1}; // 1 while the converted picture matches its source
    std::atomic<int> m_bOverlay{0};   // non-zero: measuring drag, guide line and measuring line
    std::atomic<int> m_bTopDown{0};   // 1: the picture's rows are stored top row first
    std::atomic<int> m_nZoom{VIEW_ZOOM_1TO1};
    std::atomic<int> m_nSourceMode{VIEW_SRC_RAW8};
    std::atomic<int> m_nYuvMode{0};
    std::atomic<int> m_nWidth{0};  // picture width as drawn
    std::atomic<int> m_nHeight{0}; // picture height as drawn
    std::atomic<int> m_nBayerPattern{BAYER_GRBG};
    Point m_ptDown{0, 0};                      // where the measuring drag began; (-1, -1): no drag
    std::atomic<Point> m_ptLineStart{Point{}}; // measuring line, client coordinates
    std::atomic<Point> m_ptLineEnd{Point{}};
    // The conversion workers and their parameter blocks: drawing thread only.
    ConversionSplit m_split;
    ConvertParams m_convParams[2] = {};

  private:
    void DrawLoop(AutoResetEvent& drawEvent, AutoResetEvent& quitEvent);
    void DrawPass();
    // The start of every pass: the picture for the source mode, converted where needed (under
    // liveLock for a live picture), and the display header completed for it. Null when there is no
    // picture or it does not fit its buffer.
    const unsigned char* PreparePicture(int nWidth, int nHeight, std::unique_lock<std::mutex>& liveLock);
    // The picture to draw for the source mode, converted where needed, and its bit count; null
    // when it does not fit the buffer it is in.
    const unsigned char* SelectSource(int nSourceMode, int nWidth, int nHeight, int* pBitCount);
    void DrawGuideLine(DrawSurface& surface, int nWidth, int nHeight, int cw, int ch);
    // The dashes at column x from the top, one every nPitch rows while above limit.
    void DrawGuideDashes(DrawSurface& surface, int x, int limit, int nPitch, int cw, int ch);
    void DrawMeasuringLine(DrawSurface& surface);
    void SetCaption();
    // A scroll step of the window's bar nBar; false for codes other than the steps and the thumb,
    // which do nothing at all.
    bool ScrollStep(int nBar, int nSBCode, int nPos, const ScrollInfo& si);
    // Sets the bar's range and page for the zoom, keeping its position.
    void SetScrollBar(int nBar, ScrollInfo& si, int nExtent, int nClient);

    mutable std::mutex m_eventMutex; // protects the pointers m_hDrawEvent and m_hQuitEvent
    mutable std::mutex m_bmiMutex;   // protects the fields of *m_pBmi against the drawing thread's writes
};
