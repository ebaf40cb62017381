#pragma once

#include "camera/camera_defs.h"
#include "camera/camera_info.h"
#include "camera/sample_grabber_cb.h"

#include <memory>

class CaptureFilter;
class CaptureGraphBuilder;
class CapturePin;
class CaptureSource;
class CaptureSystem;
class FilterGraph;
class SampleGrabber;

// The frame handler: called on the streaming thread with its context after each frame.
using FrameHandler = void (*)(void*);

// Camera access: finds the supported cameras, carries register and information requests over
// the extension unit, builds and runs the capture graph of one camera. Every call comes from
// one thread (the user-interface thread); only the frame callback runs on the streaming thread.
class CameraDevice
{
  public:
    CameraDevice() = default;
    CameraDevice(const CameraDevice&) = delete;
    CameraDevice& operator=(const CameraDevice&) = delete;
    // Takes the graph down first, so the streaming thread has stopped before the callback goes.
    ~CameraDevice() { Close(); }

    // Discovery: the number of supported cameras found (0 to 16), or CAMERA_ERR_COM_INIT,
    // CAMERA_ERR_NO_DEVICE, CAMERA_ERR_FAILED.
    int Init();
    // The lowest present index whose busy byte reads 0 now; -1 when none.
    int FindIdleCamera();

    int XuSet(int nCamera, int nSelector, int nValue);
    int XuGet(int nCamera, int nSelector);
    int CheckCamera(int nCamera, int nFlags);
    int ReadInfo(int nCamera, int nAddr);
    int WriteRegister8(int nCamera, int nReg, int nValue);
    int ReadRegister8(int nCamera, int nReg);
    int WriteRegister16(int nCamera, int nReg, int nValue);
    int ReadRegister16(int nCamera, int nReg);

    // Builds the capture graph of camera nCamera (negative: the first idle camera) with frames
    // of nWidth x nHeight, delivered into g_pRawFrame and then to pfnFrame(pFrameArg).
    int Open(int nCamera, int nWidth, int nHeight, FrameHandler pfnFrame, void* pFrameArg);
    // Starts the graph and waits until it runs: CAMERA_ERR_FAILED when it cannot start (it is
    // then left stopped), CAMERA_ERR_NOT_OPEN without a graph.
    int Run();
    int Stop();
    // Releases the graph and every capture source and ends the capture system's use on this
    // thread. A second Close does nothing more.
    int Close();
    // The first pin of the filter in that direction (the caller's reference), or null.
    static std::shared_ptr<CapturePin> GetPin(const std::shared_ptr<CaptureFilter>& pFilter,
                                              PinDirection dir);

    int m_nOpened = -1;
    CameraInfo m_info[CAMERA_MAX] = {};
    std::shared_ptr<FilterGraph> m_pGraph;
    std::shared_ptr<SampleGrabber> m_pGrabber;
    std::shared_ptr<CaptureFilter> m_pGrabberFilter;
    std::shared_ptr<CaptureSource> m_pCapture[CAMERA_MAX];
    std::shared_ptr<CaptureGraphBuilder> m_pBuilder;
    std::unique_ptr<SampleGrabberCB> m_pCallback;

  private:
    int XuRequest(int nCamera, int nSelector, uint32_t nFlags, int nValue);
    void ReadIdentity(int nCamera);
    void ReleaseAll();
    int WaitForState(bool bRun);

    // The capture system Init started on this thread; null once Close has ended its use.
    std::shared_ptr<CaptureSystem> m_pSystem;
};
