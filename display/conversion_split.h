#pragma once

#include "display/convert_params.h"
#include "platform/sys/auto_reset_event.h"
#include "platform/sys/worker_thread.h"

#include <atomic>

// The procedure for a Bayer phase (BAYER_GBRG ... BAYER_GRBG); any other value gives RGGB.
ConvertProc BayerProcedure(int nBayerPattern);
// The YUY2 procedure for a viewer's YUV mode: 0 full range, any other value studio range.
ConvertProc Yuy2Procedure(int nYuvMode);

// Splits a W x H Bayer mosaic at pSrc (converted into pDst) into two blocks of whole row pairs:
// block 0 gives output rows 1 ... rows0, block 1 rows rows0 + 1 ... H - 2, rows0 = (H / 4) * 2.
// Rows 0 and H - 1 belong to neither. A height below 4 leaves block 0 empty, below 3 both.
void FillBayerParams(ConvertParams (&params)[2], const unsigned char* pSrc, unsigned char* pDst, int nWidth,
                     int nHeight);
// Splits a W x H YUY2 picture (2 bytes a pixel) at pSrc into two blocks covering all rows:
// block 0 source rows 0 ... rows0 - 1, block 1 rows rows0 ... H - 1, rows0 = (H / 4) * 2; the
// output at pDst is in reverse row order (source row r goes to output row H - 1 - r).
void FillYuy2Params(ConvertParams (&params)[2], const unsigned char* pSrc, unsigned char* pDst, int nWidth,
                    int nHeight);

// Runs one conversion on two worker threads, one per block, and returns once both blocks are
// converted. A slow conversion is waited for to its end rather than drawn half done: the caller
// reads the output and may release the source or the output as soon as it returns, so no worker
// ever touches a buffer after that (a viewer's drawing thread, once joined, leaves no worker
// behind). The two workers are started once and woken for each conversion; a worker that cannot
// be started has its block converted on the calling thread (and is tried again next time).
// Used from one thread (the viewer's drawing thread).
class ConversionSplit
{
  public:
    ConversionSplit() = default;
    ConversionSplit(const ConversionSplit&) = delete;
    ConversionSplit& operator=(const ConversionSplit&) = delete;
    ~ConversionSplit();

    // Fills params for the phase and converts the whole mosaic (rows 1 ... H - 2).
    void ConvertBayer(int nBayerPattern, const unsigned char* pSrc, unsigned char* pDst, int nWidth,
                      int nHeight, ConvertParams (&params)[2]);
    // Fills params and converts the whole YUY2 picture with the procedure of nYuvMode.
    void ConvertYuy2(int nYuvMode, const unsigned char* pSrc, unsigned char* pDst, int nWidth, int nHeight,
                     ConvertParams (&params)[2]);
    // Runs proc on params[0] and params[1] at the same time and returns when both are done.
    void Run(ConvertProc proc, ConvertParams (&params)[2]);

  private:
    struct Worker
    {
        WorkerThread thread;
        AutoResetEvent go;   // set by the caller: a block is posted, or bQuit
        AutoResetEvent done; // set by the worker: the posted block is converted
        // Written by the caller before go is set, read by the worker after it wakes.
        ConvertProc proc = nullptr;
        ConvertParams* pParams = nullptr;
        std::atomic<bool> bQuit{false};
        bool bStarted = false; // caller's thread only
    };

    static void WorkerLoop(Worker& worker);

    Worker m_worker[2];
};
