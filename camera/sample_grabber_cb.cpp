#include "camera/sample_grabber_cb.h"

#include "buffers/shared_buffers.h"

#include <bit>
#include <cstring>

namespace
{
// Lines handled together: each pass reads this many source lines side by side and writes one
// short run per destination row, so both sides move through memory in order.
template <int LINES>
void RotateLines(const uint8_t* pSrc, int nWidth, int nY0, int nHeight, int nStride, uint8_t* pDest)
{
    using Word = std::conditional_t<LINES == 8, uint64_t, std::conditional_t<LINES == 4, uint32_t, uint16_t>>;
    const size_t nLineBytes = static_cast<size_t>(nWidth) * 2;
    const uint8_t* apLine[LINES];
    // Line y lands at byte H - 1 - y of its row, so the last line of the block comes first.
    for (int j = 0; j < LINES; ++j)
        apLine[j] = pSrc + static_cast<size_t>(nY0 + LINES - 1 - j) * nLineBytes;
    uint8_t* pRow = pDest + static_cast<size_t>(nWidth - 1) * nStride + (nHeight - nY0 - LINES);
    for (int x = 0; x < nWidth; ++x)
    {
        const size_t i = static_cast<size_t>(x) * 2;
        if constexpr (std::endian::native == std::endian::little)
        {
            Word w = 0;
            for (int j = 0; j < LINES; ++j)
                w |= static_cast<Word>(static_cast<Word>(apLine[j][i]) << (8 * j));
            std::memcpy(pRow, &w, sizeof w);
        }
        else
        {
            for (int j = 0; j < LINES; ++j)
                pRow[j] = apLine[j][i];
        }
        pRow -= nStride;
    }
}
} // namespace

void SampleGrabberCB::RotateFrame(const uint8_t* pSrc, int nWidth, int nHeight, uint8_t* pDest)
{
    const int nStride = RowStride(nHeight);
    int y = 0;
    for (; y + 8 <= nHeight; y += 8)
        RotateLines<8>(pSrc, nWidth, y, nHeight, nStride, pDest);
    if (y + 4 <= nHeight)
    {
        RotateLines<4>(pSrc, nWidth, y, nHeight, nStride, pDest);
        y += 4;
    }
    if (y + 2 <= nHeight)
    {
        RotateLines<2>(pSrc, nWidth, y, nHeight, nStride, pDest);
        y += 2;
    }
    // An odd last line: byte H - 1 - y of each row, still inside the row.
    for (; y < nHeight; ++y)
    {
        const uint8_t* pLine = pSrc + static_cast<size_t>(y) * nWidth * 2;
        for (int x = 0; x < nWidth; ++x)
            pDest[static_cast<size_t>(nWidth - 1 - x) * nStride + (nHeight - 1 - y)] = pLine[2 * x];
    }
}

int32_t SampleGrabberCB::QueryInterface(const CaptureGuid& iid, void** ppv)
{
    if (iid == IID_SAMPLE_GRABBER_CALLBACK || iid == IID_CAPTURE_UNKNOWN)
    {
        if (ppv)
            *ppv = static_cast<SampleGrabberCallback*>(this);
        return CAPTURE_S_OK;
    }
    return CAPTURE_E_NOINTERFACE;
}

int32_t SampleGrabberCB::SampleCB(double, const MediaSample*)
{
    return CAPTURE_S_OK;
}

int32_t SampleGrabberCB::BufferCB(double, const uint8_t* pBuffer, long nLength)
{
    // The size is read afresh for every sample: it changes between runs.
    const int nWidth = m_nWidth;
    const int nHeight = m_nHeight;
    if (nWidth <= 0 || nHeight <= 0 || !pBuffer || !m_pDest)
        return CAPTURE_S_OK;
    const long long nFrameBytes = static_cast<long long>(nWidth) * nHeight * 2;
    if (nLength < nFrameBytes)
        return CAPTURE_S_OK; // a short sample is not a frame: nothing is written, no handler
    if (m_nMode == GRAB_MODE_ROTATE)
    {
        // The viewer's conversion and drawing and Save Image read the frame under this lock, so
        // none of them sees parts of two frames. They hold it only while they read, never while
        // waiting for the user-interface thread.
        std::lock_guard<std::mutex> lock(LiveFrameLock());
        RotateFrame(pBuffer, nWidth, nHeight, m_pDest);
    }
    if (m_pfnFrame && nLength == nFrameBytes)
        m_pfnFrame(m_pFrameArg);
    return CAPTURE_S_OK;
}
