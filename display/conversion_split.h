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

// Runs one conversion on two worker threads, one per block, and waits at most WAIT_MS for each.
// A conversion that is not done in time goes on in the background; the next conversion (and the
// destructor) first waits for it without limit, so two conversions never write one buffer at the
// same time and a block is never refilled while a worker still reads it. The two workers are
// started once and woken for each conversion; a worker that cannot be started has its block
// converted on the calling thread (and is tried again next time).
// Used from one thread (the viewer's drawing thread). The caller's ConvertParams and buffers
// must stay valid until WaitForPrevious returns or the object is destroyed.
class ConversionSplit
{
public:
    static constexpr int WAIT_MS = 100;

    ConversionSplit() = default;
    ConversionSplit(const ConversionSplit&) = delete;
    ConversionSplit& operator=(const ConversionSplit&) = delete;
    ~ConversionSplit();

    // Fills params for the phase and converts the whole mosaic (rows 1 ... H - 2).
    void ConvertBayer(int nBayerPattern, const unsigned char* pSrc, unsigned char* pDst, int nWidth, int nHeight,
                      ConvertParams (&params)[2]);
    // Fills params and converts the whole YUY2 picture with the procedure of nYuvMode.
    void ConvertYuy2(int nYuvMode, const unsigned char* pSrc, unsigned char* pDst, int nWidth, int nHeight,
                     ConvertParams (&params)[2]);
    // Runs proc on params[0] and params[1] at the same time. Fill params only after
    // WaitForPrevious (ConvertBayer and ConvertYuy2 do so).
    void Run(ConvertProc proc, ConvertParams (&params)[2]);
    // Waits without limit for blocks of earlier conversions that are still being converted.
    void WaitForPrevious();

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
        bool bBusy = false;    // caller's thread only: posted, and its done not yet taken
    };

    static void WorkerLoop(Worker& worker);

    Worker m_worker[2];
};
