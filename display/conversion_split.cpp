#include "display/conversion_split.h"

#include "display/bayer_demosaic.h"
#include "display/yuy2_convert.h"

#include <cstddef>

ConvertProc BayerProcedure(int nBayerPattern)
{
    switch (nBayerPattern)
    {
    case BAYER_GBRG:
        return DemosaicGBRG;
    case BAYER_BGGR:
        return DemosaicBGGR;
    case BAYER_GRBG:
        return DemosaicGRBG;
    default:
        return DemosaicRGGB;
    }
}

ConvertProc Yuy2Procedure(int nYuvMode)
{
    return nYuvMode == 0 ? Yuy2ToBgrFullRange : Yuy2ToBgrStudio;
}

namespace
{

// Block i starts at source row r (0, then rows0 = (H / 4) * 2) and has nRows rows; the Bayer
// blocks leave out the first and last rows (nEdgeRows 2). setPointers(block, r, w) fills the
// block's pointers; an empty block keeps its pointers at the buffers' starts, never followed.
template <typename SetPointers>
void FillBlocks(ConvertParams (&params)[2], int nWidth, int nHeight, int nEdgeRows, SetPointers setPointers)
{
    const int rows0 = (nHeight / 4) * 2;
    const int starts[2] = {0, rows0};
    const int counts[2] = {rows0, nHeight - rows0 - nEdgeRows};
    for (int i = 0; i < 2; ++i)
    {
        params[i].nRows = counts[i];
        params[i].nWidth = nWidth;
        if (counts[i] >= 1 && nWidth >= 1)
            setPointers(params[i], ptrdiff_t(starts[i]), ptrdiff_t(nWidth));
    }
}

} // namespace

void FillBayerParams(ConvertParams (&params)[2], const unsigned char* pSrc, unsigned char* pDst, int nWidth,
                     int nHeight)
{
    params[0] = params[1] = ConvertParams{0, nWidth, pSrc, pSrc, pSrc, pDst};
    FillBlocks(params, nWidth, nHeight, 2,
               [&](ConvertParams& block, ptrdiff_t r, ptrdiff_t w)
               {
                   block.pPrev = pSrc + r * w;
                   block.pCur = pSrc + (r + 1) * w;
                   block.pNext = pSrc + (r + 2) * w;
                   block.pOut = pDst + (r + 1) * w * 3;
               });
}

void FillYuy2Params(ConvertParams (&params)[2], const unsigned char* pSrc, unsigned char* pDst, int nWidth,
                    int nHeight)
{
    params[0] = params[1] = ConvertParams{0, nWidth, pSrc, nullptr, nullptr, pDst};
    FillBlocks(params, nWidth, nHeight, 0,
               [&](ConvertParams& block, ptrdiff_t r, ptrdiff_t w)
               {
                   block.pPrev = pSrc + r * w * 2;
                   block.pOut = pDst + (nHeight - r - 1) * w * 3;
               });
}

ConversionSplit::~ConversionSplit()
{
    for (Worker& worker : m_worker)
    {
        if (!worker.bStarted)
            continue;
        worker.bQuit = true;
        worker.go.Set();
        // Joined here, while the events the loop waits on still exist.
        worker.thread.Join();
    }
}

void ConversionSplit::WorkerLoop(Worker& worker)
{
    for (;;)
    {
        worker.go.Wait();
        if (worker.bQuit)
            return;
        worker.proc(worker.pParams);
        worker.done.Set();
    }
}

void ConversionSplit::Run(ConvertProc proc, ConvertParams (&params)[2])
{
    for (int i = 0; i < 2; ++i)
    {
        Worker& worker = m_worker[i];
        if (!worker.bStarted)
            worker.bStarted = worker.thread.Start([&worker] { WorkerLoop(worker); });
        if (!worker.bStarted)
            continue;
        worker.proc = proc;
        worker.pParams = &params[i];
        worker.go.Set();
    }
    // A block whose worker could not be started is converted here, beside the other worker.
    for (int i = 0; i < 2; ++i)
    {
        if (!m_worker[i].bStarted)
            proc(&params[i]);
    }
    for (Worker& worker : m_worker)
    {
        if (worker.bStarted)
            worker.done.Wait();
    }
}

void ConversionSplit::ConvertBayer(int nBayerPattern, const unsigned char* pSrc, unsigned char* pDst,
                                   int nWidth, int nHeight, ConvertParams (&params)[2])
{
    FillBayerParams(params, pSrc, pDst, nWidth, nHeight);
    Run(BayerProcedure(nBayerPattern), params);
}

void ConversionSplit::ConvertYuy2(int nYuvMode, const unsigned char* pSrc, unsigned char* pDst, int nWidth,
                                  int nHeight, ConvertParams (&params)[2])
{
    FillYuy2Params(params, pSrc, pDst, nWidth, nHeight);
    Run(Yuy2Procedure(nYuvMode), params);
}
