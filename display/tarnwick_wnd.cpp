#include "display/tarnwick_wnd.h"

#include "buffers/shared_buffers.h"
#include "display/guide_settings.h"
#include "display/measure_rect.h"
#include "platform/ui/draw_surface.h"
#include "resources/dialog_templates.h"
#include "resources/resource.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>

namespace
{
constexpr int CLOSE_WAIT_MS = 250;
constexpr int LINE_STEP = 2;
constexpr int PAGE_STEP = 10;

// The full-frame live picture (960 x 1284) that the guide line is laid out for: its centre
// column, its width and its height.
constexpr int GUIDE_CENTER_X = 480;
constexpr double GUIDE_FRAME_WIDTH = 960.0;
constexpr double GUIDE_FRAME_HEIGHT = 1284.0;

// Bytes of a bitmap of nWidth x nHeight as the drawing calls read it (rows padded to 4 bytes).
long long DibBytes(int nWidth, int nHeight, int nBitCount)
{
    return ((static_cast<long long>(nWidth) * nBitCount + 31) / 32) * 4 * nHeight;
}

bool Fits(long long nBytes, std::size_t nCapacity)
{
    return nBytes <= static_cast<long long>(nCapacity);
}

// The Fit scale in percent: the smaller of the two whole-percent quotients. nWidth and nHeight
// are above 0.
double FitScale(int nWidth, int nHeight, int cw, int ch)
{
    const double s = (cw * 100) / nWidth;
    const double t = (ch * 100) / nHeight;
    return t > s ? s : t;
}

bool BuffersReady()
{
    return g_pRawFrame != nullptr && g_pBgrFrame != nullptr && g_pLineScan != nullptr &&
           g_pLineScanBgr != nullptr;
}

void SetIfAny(const std::shared_ptr<AutoResetEvent>& pEvent)
{
    if (pEvent)
        pEvent->Set();
}
} // namespace

TarnwickWnd::TarnwickWnd() : Dialog(TarnwickWndTemplate()) {}

TarnwickWnd::~TarnwickWnd()
{
    StopDrawThread();
}

void TarnwickWnd::SignalDraw()
{
    SetIfAny(DrawEvent());
}

void TarnwickWnd::StopDrawThread()
{
    SetIfAny(QuitEvent());
    SetIfAny(DrawEvent());
    m_hThread.Join();
}

std::shared_ptr<AutoResetEvent> TarnwickWnd::DrawEvent() const
{
    std::lock_guard<std::mutex> lock(m_eventMutex);
    return m_hDrawEvent;
}

std::shared_ptr<AutoResetEvent> TarnwickWnd::QuitEvent() const
{
    std::lock_guard<std::mutex> lock(m_eventMutex);
    return m_hQuitEvent;
}

bool TarnwickWnd::CopyDisplayHeader(BitmapInfo* pBmi) const
{
    std::lock_guard<std::mutex> lock(m_bmiMutex);
    if (!m_pBmi || pBmi == nullptr)
        return false;
    *pBmi = *m_pBmi;
    return true;
}

bool TarnwickWnd::PrepareClosedPicture()
{
    if (m_bRunning != 0 || !BuffersReady())
        return false;
    // No pass may run beside this one; a thread still finishing its last pass ends first. Only this
    // thread replaces the header.
    StopDrawThread();
    if (!m_pBmi)
        return false;
    std::unique_lock<std::mutex> liveLock(LiveFrameLock(), std::defer_lock);
    PreparePicture(m_nWidth, m_nHeight, liveLock);
    return true;
}

void TarnwickWnd::ConvertBayer(const unsigned char* pSrc, unsigned char* pDst)
{
    m_split.ConvertBayer(m_nBayerPattern, pSrc, pDst, m_nWidth, m_nHeight, m_convParams);
}

void TarnwickWnd::ConvertYuy2(const unsigned char* pSrc, unsigned char* pDst)
{
    m_split.ConvertYuy2(m_nYuvMode, pSrc, pDst, m_nWidth, m_nHeight, m_convParams);
}

// --- Opening and closing ------------------------------------------------------------------------

bool TarnwickWnd::OnInitDialog()
{
    Dialog::OnInitDialog();
    // The previous opening's thread may still be finishing a pass; it must be gone before its
    // header and events are replaced.
    StopDrawThread();

    auto pBmi = std::make_unique<BitmapInfo>();
    for (int i = 0; i < 256; ++i)
        pBmi->bmiColors[i] = RgbQuad{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i),
                                     static_cast<std::uint8_t>(i), 0};
    {
        std::lock_guard<std::mutex> lock(m_bmiMutex);
        m_pBmi = std::move(pBmi);
    }

    SetCaption();
    SetWindowPos(ZOrder::NotTopMost, 0, 0);
    ShowWindow(ShowState::Maximized);
    m_ptDown = Point{-1, -1};

    {
        std::lock_guard<std::mutex> lock(m_eventMutex);
        m_hDrawEvent = std::make_shared<AutoResetEvent>();
        m_hQuitEvent = std::make_shared<AutoResetEvent>();
    }
    m_hThread.Start([this] { DrawThreadProc(this); });

    m_bRunning = 1;
    m_bConverted = 1;
    return true;
}

void TarnwickWnd::OnCancel()
{
    m_bRunning = 0;
    m_bConverted = 0;
    SetIfAny(QuitEvent());
    SetIfAny(DrawEvent());
    // A thread still in its pass finishes it into the surface nobody shows and ends at its next
    // test of the quit event; the next opening waits for it.
    m_hThread.WaitFor(CLOSE_WAIT_MS);
    DestroyWindow();
}

void TarnwickWnd::OnOK()
{
    // The viewer is never closed by the OK command.
}

bool TarnwickWnd::PreTranslateMessage(const Message& msg)
{
    ViewerOwner* pOwner = m_pOwner;
    const int nSel = pOwner != nullptr ? pOwner->GetTabSelection() : -1;
    if (msg.nMessage == WM_KEYDOWN)
    {
        // The dialog's own keyboard handling never sees Enter and Esc: nothing closes or is pressed.
        if (msg.nKey == VK_RETURN || msg.nKey == VK_ESCAPE)
            return false;
        int nCommand = 0;
        switch (msg.nKey)
        {
        case 'R':
            nCommand = IDC_REC_START;
            break;
        case 'S':
            nCommand = IDC_REC_SAVE;
            break;
        case 'T':
            nCommand = IDC_REC_STOP;
            break;
        default:
            break;
        }
        if (nCommand != 0)
        {
            if (nSel != 3 || pOwner == nullptr)
                return false;
            pOwner->PostRecCommand(nCommand);
            // Claimed, so that the main dialog's filter does not post the same command again.
            return true;
        }
    }
    return Dialog::PreTranslateMessage(msg);
}

// --- Window messages ----------------------------------------------------------------------------

void TarnwickWnd::OnPaint()
{
    SignalDraw();
}

void TarnwickWnd::SetScrollBar(int nBar, ScrollInfo& si, int nExtent, int nClient)
{
    const int nPos = GetScrollPos(nBar);
    // At 1:1 the largest position is nExtent - nClient; fitted there is nothing to scroll.
    si = m_nZoom == VIEW_ZOOM_FIT ? ScrollInfo{0, 0, nClient} : ScrollInfo{0, nExtent, nClient + 1};
    SetScrollInfo(nBar, si.nMin, si.nMax, si.nPage, false);
    SetScrollPos(nBar, nPos, true);
}

void TarnwickWnd::OnSize(int nType, int cx, int cy)
{
    Dialog::OnSize(nType, cx, cy);
    SetScrollBar(SB_HORZ, m_siH, m_nWidth, cx);
    SetScrollBar(SB_VERT, m_siV, m_nHeight, cy);
    RedrawWindow();
    SignalDraw();
}

bool TarnwickWnd::ScrollStep(int nBar, int nSBCode, int nPos, const ScrollInfo& si)
{
    int p = GetScrollPos(nBar);
    switch (nSBCode)
    {
    case SB_LINELEFT:
        p -= LINE_STEP;
        break;
    case SB_LINERIGHT:
        p += LINE_STEP;
        break;
    case SB_PAGELEFT:
        p -= PAGE_STEP;
        break;
    case SB_PAGERIGHT:
        p += PAGE_STEP;
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        p = static_cast<int>(static_cast<unsigned>(nPos) & 0xFFFFu);
        break;
    default:
        return false;
    }
    // The bar keeps the position within its range; only the top is bounded here.
    p = std::min(p, si.nMax);
    SetScrollPos(nBar, p, true);
    SignalDraw();
    return true;
}

void TarnwickWnd::OnHScroll(int nSBCode, int nPos, int nScrollBarId)
{
    if (ScrollStep(SB_HORZ, nSBCode, nPos, m_siH))
        Dialog::OnHScroll(nSBCode, nPos, nScrollBarId);
}

void TarnwickWnd::OnVScroll(int nSBCode, int nPos, int nScrollBarId)
{
    if (ScrollStep(SB_VERT, nSBCode, nPos, m_siV))
        Dialog::OnVScroll(nSBCode, nPos, nScrollBarId);
}

bool TarnwickWnd::OnMouseWheel(unsigned nFlags, int zDelta, Point pt)
{
    const int nBar = (nFlags & MK_SHIFT) != 0 ? SB_HORZ : SB_VERT;
    SetScrollPos(nBar, GetScrollPos(nBar) - zDelta, true);
    SignalDraw();
    return Dialog::OnMouseWheel(nFlags, zDelta, pt);
}

void TarnwickWnd::SetCaption()
{
    SetWindowText(m_nZoom == VIEW_ZOOM_FIT ? "[ Fit ]" : "[ 1:1 ]");
}

void TarnwickWnd::OnLButtonDblClk(unsigned nFlags, Point pt)
{
    m_nZoom = (m_nZoom - 1) & 1;
    SetCaption();
    const Rect rc = GetClientRect();
    OnSize(SIZE_RESTORED, rc.Width(), rc.Height());
    Dialog::OnLButtonDblClk(nFlags, pt);
}

void TarnwickWnd::OnLButtonDown(unsigned nFlags, Point pt)
{
    if (m_bOverlay != 0)
    {
        SetFocus();
        m_ptDown = pt;
        m_ptLineStart = pt;
        SetCapture();
    }
    Dialog::OnLButtonDown(nFlags, pt);
}

void TarnwickWnd::OnLButtonUp(unsigned nFlags, Point pt)
{
    if (m_bOverlay != 0)
    {
        m_ptDown = Point{-1, -1};
        ReleaseCapture();
    }
    Dialog::OnLButtonUp(nFlags, pt);
}

void TarnwickWnd::OnMouseMove(unsigned nFlags, Point pt)
{
    if (m_ptDown.x == -1 || m_ptDown.y == -1)
    {
        SetCursor(CursorShape::Arrow);
        Dialog::OnMouseMove(nFlags, pt);
        return;
    }
    SetCursor(CursorShape::Cross);
    const int hpos = GetScrollPos(SB_HORZ);
    const int vpos = GetScrollPos(SB_VERT);
    m_ptLineEnd = pt;

    const int nWidth = m_nWidth, nHeight = m_nHeight;
    MeasureRect rc;
    const int nZoom = m_nZoom;
    if (nZoom == VIEW_ZOOM_1TO1)
    {
        rc.left = std::min(m_ptDown.x, pt.x) + hpos;
        rc.right = std::max(m_ptDown.x, pt.x) + hpos;
        rc.top = std::min(m_ptDown.y, pt.y) + vpos;
        rc.bottom = std::max(m_ptDown.y, pt.y) + vpos;
    }
    else if (nZoom == VIEW_ZOOM_FIT && nWidth > 0 && nHeight > 0)
    {
        // This scale rounds where the drawing's does not; kept so, as operators know the numbers.
        const Rect rcClient = GetClientRect();
        const double q =
            std::min((rcClient.Width() * 100) / nWidth + 0.5, (rcClient.Height() * 100) / nHeight + 0.5);
        const auto map = [q](int c) { return static_cast<int>(std::trunc(c / q * 100.0)); };
        rc.left = map(std::min(m_ptDown.x, pt.x));
        rc.right = map(std::max(m_ptDown.x, pt.x));
        rc.top = map(std::min(m_ptDown.y, pt.y));
        rc.bottom = map(std::max(m_ptDown.y, pt.y));
    }
    else
    {
        // No picture to measure on (or a zoom without a mapping).
        Dialog::OnMouseMove(nFlags, pt);
        return;
    }
    rc.left = std::max(rc.left, 0);
    rc.top = std::max(rc.top, 0);
    if (rc.right >= nWidth)
        rc.right = nWidth - 1;
    if (rc.bottom >= nHeight)
        rc.bottom = nHeight - 1;
    g_rcMeasure.Set(rc);
    SignalDraw();
    Dialog::OnMouseMove(nFlags, pt);
}

void TarnwickWnd::OnRButtonDown(unsigned nFlags, Point pt)
{
    SetFocus();
    g_rcMeasure.Clear();
    RedrawWindow();
    SignalDraw();
    Dialog::OnRButtonDown(nFlags, pt);
}

// --- Drawing thread -----------------------------------------------------------------------------

void TarnwickWnd::DrawThreadProc(void* pViewer)
{
    auto* pWnd = static_cast<TarnwickWnd*>(pViewer);
    // This opening's events, held for the thread's whole life: a later opening makes new ones
    // only after this thread has ended.
    const std::shared_ptr<AutoResetEvent> pDraw = pWnd->DrawEvent();
    const std::shared_ptr<AutoResetEvent> pQuit = pWnd->QuitEvent();
    if (pDraw && pQuit)
        pWnd->DrawLoop(*pDraw, *pQuit);
}

void TarnwickWnd::DrawLoop(AutoResetEvent& drawEvent, AutoResetEvent& quitEvent)
{
    // A line-scan camera signals every frame, tens of thousands a second, and each pass converts,
    // draws and publishes a whole picture. No screen shows more than about 120 pictures a second,
    // so passes start at least this far apart; the frames between them coalesce in the event.
    constexpr auto MIN_PASS_INTERVAL = std::chrono::milliseconds(8);
    for (;;)
    {
        drawEvent.Wait();
        if (quitEvent.TryWait())
            return;
        const auto passStart = std::chrono::steady_clock::now();
        DrawPass();
        const auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(
            passStart + MIN_PASS_INTERVAL - std::chrono::steady_clock::now());
        if (quitEvent.Wait(static_cast<int>(std::max<std::chrono::milliseconds::rep>(rest.count(), 0))))
            return;
    }
}

const unsigned char* TarnwickWnd::SelectSource(int nSourceMode, int nWidth, int nHeight, int* pBitCount)
{
    const long long nPixels = static_cast<long long>(nWidth) * nHeight;
    switch (nSourceMode)
    {
    case VIEW_SRC_BAYER:
        if (nWidth == 4)
            break; // two- and four-line frames are shown as their raw samples
        *pBitCount = 24;
        if (!Fits(nPixels, RAW_FRAME_BYTES) || !Fits(DibBytes(nWidth, nHeight, 24), BGR_FRAME_BYTES))
            return nullptr;
        // Taken before converting, so that a frame arriving meanwhile is converted next pass.
        if (m_bConverted.exchange(1) != 1)
            m_split.ConvertBayer(m_nBayerPattern, g_pRawFrame, g_pBgrFrame, nWidth, nHeight, m_convParams);
        return g_pBgrFrame;
    case VIEW_SRC_BGR24:
        *pBitCount = 24;
        return Fits(DibBytes(nWidth, nHeight, 24), RAW_FRAME_BYTES) ? g_pRawFrame : nullptr;
    case VIEW_SRC_YUY2:
        *pBitCount = 24;
        if (!Fits(nPixels * 2, RAW_FRAME_BYTES) || !Fits(DibBytes(nWidth, nHeight, 24), BGR_FRAME_BYTES))
            return nullptr;
        if (m_bConverted.exchange(1) != 1)
            m_split.ConvertYuy2(m_nYuvMode, g_pRawFrame, g_pBgrFrame, nWidth, nHeight, m_convParams);
        return g_pBgrFrame;
    case VIEW_SRC_LINESCAN8:
        *pBitCount = 8;
        return Fits(DibBytes(nWidth, nHeight, 8), LINE_SCAN_BYTES) ? g_pLineScan : nullptr;
    case VIEW_SRC_LINESCAN_BAYER:
        *pBitCount = 24;
        if (!Fits(nPixels, LINE_SCAN_BYTES) || !Fits(DibBytes(nWidth, nHeight, 24), LINE_SCAN_BGR_BYTES))
            return nullptr;
        // A composed image stays as it is while shown: converted once (Rec Stop clears the flag),
        // then scrolling and zooming redraw that picture. Marked only once complete, so that Save
        // can wait for it.
        if (m_bConverted != 1)
        {
            m_split.ConvertBayer(m_nBayerPattern, g_pLineScan, g_pLineScanBgr, nWidth, nHeight, m_convParams);
            m_bConverted = 1;
        }
        return g_pLineScanBgr;
    default:
        break;
    }
    *pBitCount = 8;
    return Fits(DibBytes(nWidth, nHeight, 8), RAW_FRAME_BYTES) ? g_pRawFrame : nullptr;
}

const unsigned char* TarnwickWnd::PreparePicture(int nWidth, int nHeight,
                                                 std::unique_lock<std::mutex>& liveLock)
{
    // The live frame is converted and drawn under the lock the frame store writes it under, so the
    // picture is one whole frame; the line-scan image is not written while a viewer shows it.
    const int nSourceMode = m_nSourceMode;
    if (nSourceMode != VIEW_SRC_LINESCAN8 && nSourceMode != VIEW_SRC_LINESCAN_BAYER)
        liveLock.lock();
    int nBitCount = 8;
    const unsigned char* pBits =
        nWidth <= 0 || nHeight <= 0 ? nullptr : SelectSource(nSourceMode, nWidth, nHeight, &nBitCount);
    std::lock_guard<std::mutex> lock(m_bmiMutex);
    m_pBmi->bmiHeader.biWidth = nWidth;
    m_pBmi->bmiHeader.biHeight = m_bTopDown == 1 ? -nHeight : nHeight;
    m_pBmi->bmiHeader.biBitCount = static_cast<std::uint16_t>(nBitCount);
    return pBits;
}

void TarnwickWnd::DrawPass()
{
    if (!BuffersReady() || m_bRunning != 1)
        return;
    const Rect rcClient = GetClientRect();
    const int cw = rcClient.right, ch = rcClient.bottom;
    // One size for the whole pass, whatever the other threads set meanwhile.
    const int nWidth = m_nWidth, nHeight = m_nHeight;
    std::unique_lock<std::mutex> liveLock(LiveFrameLock(), std::defer_lock);
    const unsigned char* pBits = PreparePicture(nWidth, nHeight, liveLock);
    const int hpos = GetScrollPos(SB_HORZ);
    const int vpos = GetScrollPos(SB_VERT);
    // Only the drawing thread writes the header while the window is open, so it reads it without
    // the lock.
    const BitmapInfo& bmi = *m_pBmi;

    DrawSurface& surface = GetDrawSurface();
    surface.Acquire();
    // An empty picture, or one larger than its buffer, leaves the client as it was.
    if (pBits != nullptr)
    {
        const int nZoom = m_nZoom;
        if (nZoom != VIEW_ZOOM_FIT)
        {
            // Source origin counted from the picture's bottom-left corner: the client's top-left
            // shows column hpos and, from the top, row vpos.
            surface.BlitBitmap(0, 0, nWidth, nHeight, hpos, -vpos, bmi, pBits);
        }
        else
        {
            const double k = FitScale(nWidth, nHeight, cw, ch);
            const int dw = static_cast<int>(std::trunc((nWidth * k + 0.5) / 100.0));
            const int dh = static_cast<int>(std::trunc((nHeight * k + 0.5) / 100.0));
            surface.StretchBitmap(0, 0, dw, dh, 0, 0, nWidth, nHeight, bmi, pBits);
        }
        if (liveLock.owns_lock())
            liveLock.unlock();
        DrawGuideLine(surface, nWidth, nHeight, cw, ch);
        DrawMeasuringLine(surface);
    }
    surface.Release();
}

void TarnwickWnd::DrawGuideLine(DrawSurface& surface, int nWidth, int nHeight, int cw, int ch)
{
    ViewerOwner* pOwner = m_pOwner;
    if (pOwner == nullptr || pOwner->GetCursorCheck() == 0 || nWidth == 4 || m_bOverlay == 0)
        return;
    const int x0 = nWidth - pOwner->GetLinePosition() - 2;
    const bool bCenter = pOwner->GetCenterCheck() != 0;
    const int nZoom = m_nZoom;
    int x = 0;
    int limit = 0;
    if (nZoom == VIEW_ZOOM_1TO1)
    {
        limit = ch;
        x = bCenter ? GUIDE_CENTER_X : x0;
    }
    else if (nZoom == VIEW_ZOOM_FIT)
    {
        const double k = FitScale(nWidth, nHeight, cw, ch);
        limit = static_cast<int>(std::trunc(k * GUIDE_FRAME_HEIGHT)) / 100;
        x = bCenter ? static_cast<int>(std::trunc(k * GUIDE_FRAME_WIDTH)) / 200
                    : static_cast<int>(std::trunc(x0 * k)) / 100;
    }
    // A pitch below 1 would never leave the run: no dashes then.
    const int nPitch = g_nGuidePitch;
    if (limit < 1 || nPitch < 1)
        return;
    surface.Acquire();
    DrawGuideDashes(surface, x, limit, nPitch, cw, ch);
    surface.Release();
}

void TarnwickWnd::DrawGuideDashes(DrawSurface& surface, int x, int limit, int nPitch, int cw, int ch)
{
    // Each dash is a line from (x, y) to (x, y + dash), end excluded, in a square pen of the guide
    // width centred on it: a rectangle. The settings file may hold any length and width, so the
    // dashes are filled as rectangles clipped to the client in 64-bit arithmetic, and dashes that
    // overlap are filled once: a pass costs at most the client's area whatever the values.
    const long long nDash = g_nGuideDash;
    if (nDash == 0)
        return;
    const long long nPen = std::max(1, static_cast<int>(g_nGuideWidth));
    const long long nLow = -(nPen / 2);
    // Rows covered by the dash at y, relative to y: its first and last points, then the pen.
    const long long nFirst = (nDash > 0 ? 0 : nDash + 1) + nLow;
    const long long nEnd = (nDash > 0 ? nDash - 1 : 0) + nLow + nPen;
    const auto clip = [](long long n, long long nMax) { return static_cast<int>(std::clamp(n, -1LL, nMax)); };
    const int left = clip(x + nLow, cw), right = clip(x + nLow + nPen, cw);
    if (left >= right)
        return;
    long long runTop = 0, runBottom = 0; // rows [top, bottom) of the dashes merged so far
    const auto flush = [&]
    {
        if (runTop < runBottom)
            surface.FillRect(Rect{left, clip(runTop, ch), right, clip(runBottom, ch)}, g_crGuide);
    };
    for (long long y = 0; y < limit; y += nPitch)
    {
        const long long top = std::max(y + nFirst, 0LL);
        const long long bottom = std::min<long long>(y + nEnd, ch);
        if (top >= bottom)
            continue;
        if (top > runBottom)
        {
            flush();
            runTop = top;
        }
        runBottom = std::max(runBottom, bottom);
    }
    flush();
}

void TarnwickWnd::DrawMeasuringLine(DrawSurface& surface)
{
    const MeasureRect rc = g_rcMeasure.Get();
    const int nZoom = m_nZoom;
    if (!rc.IsSet() || m_bOverlay == 0 || (nZoom != VIEW_ZOOM_1TO1 && nZoom != VIEW_ZOOM_FIT))
        return;
    surface.Acquire();
    surface.SelectPen(PenStyle::Dot, 1, 0);
    const Point ptStart = m_ptLineStart;
    const Point ptEnd = m_ptLineEnd;
    surface.MoveTo(ptStart.x, ptStart.y);
    if (rc.bottom - rc.top > rc.right - rc.left)
        surface.LineTo(ptStart.x, ptEnd.y);
    else
        surface.LineTo(ptEnd.x, ptStart.y);
    surface.Release();
}
