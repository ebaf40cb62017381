// The raw frame layout the frame callback writes; frames through the whole graph are checked by
// the viewer and operator tests.

#include "camera/sample_grabber_cb.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <vector>

namespace
{
constexpr int W = 1284;
constexpr size_t RAW_BYTES = size_t(W) * 968;

// The layout by its definition: byte (W - 1 - x) * S + (H - 1 - y) holds the low byte of pixel
// (x, y), S = H rounded up to a multiple of 4; every other byte keeps what it held.
std::vector<uint8_t> Reference(const std::vector<uint8_t>& sample, int nHeight, std::vector<uint8_t> dest)
{
    int nStride = nHeight % 4 == 0 ? nHeight : (nHeight / 4) * 4 + 4;
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < W; ++x)
            dest[size_t(W - 1 - x) * nStride + (nHeight - 1 - y)] = sample[2 * (size_t(y) * W + x)];
    return dest;
}

void CountCall(void* p)
{
    ++*static_cast<int*>(p);
}

TEST(FrameLayoutTest, EachHeightGivesTheTransposedLayoutAndOnlyAWholeFrameCallsTheHandler)
{
    // Heights in use, then odd ones and ones that leave remainders after blocks of 8 lines.
    for (int nHeight : {960, 4, 2, 1, 3, 5, 7, 9, 13, 14, 966})
    {
        SCOPED_TRACE(nHeight);
        const long nFrame = long(W) * nHeight * 2;
        std::vector<uint8_t> sample(size_t(nFrame) + 1);
        std::mt19937 rng(nHeight);
        for (auto& b : sample)
            b = static_cast<uint8_t>(rng());
        const std::vector<uint8_t> blank(RAW_BYTES, 0xEE);
        std::vector<uint8_t> dest = blank;
        int nCalls = 0;
        SampleGrabberCB cb;
        cb.m_pDest = dest.data();
        cb.m_pfnFrame = CountCall;
        cb.m_pFrameArg = &nCalls;
        cb.m_nWidth = W;
        cb.m_nHeight = nHeight;

        // One byte short: nothing written; one byte long: its first W x H pixels; exactly a frame: the
        // handler too. Another transform mode writes nothing, but the handler still runs.
        const std::vector<uint8_t> transposed = Reference(sample, nHeight, blank);
        for (const auto& [nMode, nBytes, bWritten, nCallsAfter] :
             {std::tuple{int(GRAB_MODE_ROTATE), nFrame - 1, false, 0},
              std::tuple{int(GRAB_MODE_ROTATE), nFrame + 1, true, 0},
              std::tuple{int(GRAB_MODE_ROTATE), nFrame, true, 1}, std::tuple{0, nFrame, false, 2}})
        {
            dest = blank;
            cb.m_nMode = static_cast<unsigned char>(nMode);
            EXPECT_EQ(cb.BufferCB(0.0, sample.data(), nBytes), CAPTURE_S_OK);
            EXPECT_TRUE(dest == (bWritten ? transposed : blank)) << nBytes << " bytes, mode " << nMode;
            EXPECT_EQ(nCalls, nCallsAfter);
        }
    }
}
} // namespace
