#pragma once

#include "platform/ui/bitmap_info.h"
#include "platform/ui/dib_render.h"
#include "platform/ui/ui_types.h"

#include <memory>

class DrawSurfaceImpl;

// The client area of a window as a worker thread draws it. The drawing thread draws into a back
// buffer of the client's size that only it touches; when it has finished a picture (the outermost
// Release) the buffer is published, and the window shows the latest published picture at most once
// per screen refresh. The drawing thread never waits for the user-interface thread: publishing is a
// copy under a short lock and at most one pending update request.
//
// Pixels the drawing does not touch keep what the previous pictures left there; an erase requested
// by the window (Dialog::RedrawWindow) clears the back buffer to the window colour at the next
// Acquire. The surface lives as long as its dialog object, so a drawing thread that outlives the
// window draws into a buffer nobody shows.
class DrawSurface
{
  public:
    DrawSurface();
    ~DrawSurface();
    DrawSurface(const DrawSurface&) = delete;
    DrawSurface& operator=(const DrawSurface&) = delete;

    // Drawing thread. Acquire/Release nest; the outermost Acquire matches the back buffer to the
    // client size, the outermost Release publishes the picture. Acquire is false while the window
    // does not exist (drawing is then still allowed and shown by nobody).
    bool Acquire();
    void Release();

    void BlitBitmap(int xDest, int yDest, int nWidth, int nHeight, int xSrc, int ySrc, const BitmapInfo& bmi,
                    const void* pBits);
    void StretchBitmap(int xDest, int yDest, int nDestWidth, int nDestHeight, int xSrc, int ySrc,
                       int nSrcWidth, int nSrcHeight, const BitmapInfo& bmi, const void* pBits);
    void FillRect(const Rect& rc, ColorRef color);
    void SelectPen(PenStyle style, int nWidth, ColorRef color);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);

    // Reading the last published picture (any thread, also while a pass draws the next one): the
    // colour at a client point, or INVALID_COLOR outside the picture.
    static constexpr ColorRef INVALID_COLOR = 0xFFFFFFFFu;
    ColorRef GetPixel(int x, int y) const;
    int BufferWidth() const;
    int BufferHeight() const;
    // Pictures published by Release, and pictures the window actually showed (any thread).
    int PublishedCount() const;
    int ShownCount() const;

    DrawSurfaceImpl& Impl() { return *m_pImpl; }

  private:
    std::unique_ptr<DrawSurfaceImpl> m_pImpl;
};
