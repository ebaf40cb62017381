#pragma once

#include "camera/camera_defs.h"
#include "platform/capture/sample_grabber.h"

#include <cstdint>

// The frame callback: reorders each sample into the raw frame buffer and calls the frame
// handler. Owned by CameraDevice; not reference counted.
class SampleGrabberCB : public SampleGrabberCallback
{
  public:
    int32_t QueryInterface(const CaptureGuid& iid, void** ppv) override;
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
    int32_t SampleCB(double dTime, const MediaSample* pSample) override;
    // Called on the streaming thread for each sample. A sample shorter than W x H x 2 bytes is
    // skipped whole; a longer one is reordered from its first W x H pixels but the handler is
    // called only for exactly W x H x 2 bytes. The frame is written under LiveFrameLock(); the
    // handler is called after the lock is released.
    int32_t BufferCB(double dTime, const uint8_t* pBuffer, long nLength) override;

    // Writes the low bytes of a W x H frame of 2-byte pixels, transposed: byte
    // (W - 1 - x) * S + (H - 1 - y) gets pixel (x, y), S = H rounded up to a multiple of 4.
    static void RotateFrame(const uint8_t* pSrc, int nWidth, int nHeight, uint8_t* pDest);
    static int RowStride(int nHeight) { return nHeight % 4 == 0 ? nHeight : (nHeight / 4) * 4 + 4; }

    uint8_t* m_pDest = nullptr;
    void (*m_pfnFrame)(void*) = nullptr;
    void* m_pFrameArg = nullptr;
    int32_t m_nWidth = 0;
    int32_t m_nHeight = 0;
    unsigned char m_nMode = GRAB_MODE_ROTATE;
};
