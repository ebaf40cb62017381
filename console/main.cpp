// Start program. Until the main dialog exists it lists the supported cameras found, with their
// identity; with --demo it shows the first idle camera's live picture in a viewer window.

#include "camera/camera_device.h"
#include "buffers/shared_buffers.h"
#include "display/measure_rect.h"
#include "display/tarnwick_wnd.h"
#include "display/viewer_owner.h"
#include "platform/ui/ui_application.h"

#include <cstdio>
#include <cstring>

namespace
{
const char* ResultText(int nResult)
{
    switch (nResult)
    {
    case CAMERA_ERR_COM_INIT:
        return "the capture system cannot be started";
    case CAMERA_ERR_NO_DEVICE:
        return "no video-input device";
    default:
        return "a video-input device cannot be read";
    }
}

// Stands in for the main dialog in the demo, with fixed answers: the Gain page is current (so R,
// S and T do nothing), the guide line is on, "Center" is off and the line-scan position is 478
// (the guide line stands at column 960 - 478 - 2 = 480 of the full frame).
class DemoOwner : public ViewerOwner
{
  public:
    static constexpr int LINE_POSITION = 478;

    int GetTabSelection() const override { return 0; }
    void PostRecCommand(int) override {}
    int GetCursorCheck() const override { return 1; }
    int GetCenterCheck() const override { return 0; }
    int GetLinePosition() const override { return LINE_POSITION; }
};

// The demo's frame handler, on the streaming thread: the viewer's picture is stale, wake it.
void DemoFrame(void* pArg)
{
    auto* pViewer = static_cast<TarnwickWnd*>(pArg);
    pViewer->m_bConverted = 0;
    pViewer->SignalDraw();
}

int ListCameras()
{
    CameraDevice camera;
    const int nFound = camera.Init();
    if (nFound < 0)
    {
        std::printf("Camera access failed (%d): %s\n", nFound, ResultText(nFound));
        camera.Close();
        return 1;
    }
    std::printf("Supported cameras found: %d\n", nFound);
    for (int i = 0; i < CAMERA_MAX; ++i)
    {
        const CameraInfo& info = camera.m_info[i];
        if (!info.bPresent)
            continue;
        const int nMode = camera.ReadInfo(i, INFO_MODE);
        std::printf("  %d: model \"%.16s\", serial \"%.8s\", %s, busy %d, readout mode %d\n", i, info.szModel,
                    info.szSerial, info.bColor ? "colour" : "mono", camera.ReadInfo(i, INFO_BUSY), nMode);
    }
    camera.Close();
    return 0;
}

// Sets the live viewer up as the main dialog does when it opens the console.
void PrepareLiveViewer(TarnwickWnd& viewer, ViewerOwner& owner, int nMode, bool bColor, bool bFit)
{
    viewer.m_pOwner = &owner;
    viewer.m_nWidth = g_anViewWidth[nMode];
    viewer.m_nHeight = g_anFrameWidth[nMode];
    viewer.m_bRunning = 0;
    viewer.m_bConverted = 1;
    viewer.m_nBayerPattern = BAYER_GRBG;
    viewer.m_nSourceMode = bColor ? VIEW_SRC_BAYER : VIEW_SRC_RAW8;
    viewer.m_nYuvMode = bColor ? 1 : 0;
    viewer.m_bTopDown = 0;
    viewer.m_bOverlay = 1;
    viewer.m_nZoom = bFit ? VIEW_ZOOM_FIT : VIEW_ZOOM_1TO1;
}

int RunDemo(int argc, char** argv, bool bFit)
{
    if (!UiApplication::DisplayAvailable())
    {
        std::fprintf(stderr,
                     "The demo shows a window and needs a display, but neither DISPLAY nor WAYLAND_DISPLAY\n"
                     "is set. Start it from a desktop session, or under a virtual display:\n"
                     "  xvfb-run -a scripts/start.sh --demo\n");
        return 2;
    }
    UiApplication app(argc, argv);
    app.SetAppName("Tarnwick");

    CameraDevice camera;
    const int nFound = camera.Init();
    if (nFound < 0)
    {
        std::fprintf(stderr, "Camera access failed (%d): %s\n", nFound, ResultText(nFound));
        return 1;
    }
    const int nCamera = camera.FindIdleCamera();
    if (nCamera < 0)
    {
        std::fprintf(stderr,
                     "No idle supported camera found (%d supported). To try the demo without one:\n"
                     "  TARNWICK_SIM_CAMERAS=color scripts/start.sh --demo\n",
                     nFound);
        return 1;
    }
    int nMode = camera.ReadInfo(nCamera, INFO_MODE) & 0xFF;
    if (nMode >= READOUT_MODE_COUNT)
    {
        std::fprintf(stderr, "The camera reports readout mode %d; showing it as full frame.\n", nMode);
        nMode = 1;
    }
    camera.m_info[nCamera].nMode = nMode;
    if (!AllocateSharedBuffers())
    {
        std::fprintf(stderr, "Not enough memory for the image buffers.\n");
        return 1;
    }
    g_rcMeasure.Clear();

    DemoOwner owner;
    TarnwickWnd viewer;
    PrepareLiveViewer(viewer, owner, nMode, camera.m_info[nCamera].bColor != 0, bFit);
    int nResult = camera.Open(nCamera, g_anFrameWidth[nMode], g_anFrameHeight[nMode], DemoFrame, &viewer);
    if (nResult == CAMERA_OK)
        nResult = camera.Run();
    if (nResult == CAMERA_OK)
    {
        std::printf("Showing camera %d (\"%.16s\"), readout mode %d. Close the window to end.\n", nCamera,
                    camera.m_info[nCamera].szModel, nMode);
        // The viewer is the only window, so its own event loop serves until it closes.
        viewer.DoModal(nullptr);
    }
    else
        std::fprintf(stderr, "The camera cannot be opened or started (%d).\n", nResult);

    camera.Stop();
    camera.Close();
    // No thread may read the buffers once they are released.
    viewer.StopDrawThread();
    ReleaseSharedBuffers();
    return nResult == CAMERA_OK ? 0 : 1;
}

void PrintUsage()
{
    std::printf("Usage: tarnwick [--demo [--fit]]\n"
                "  (no option)  list the supported cameras found\n"
                "  --demo       show the first idle camera's live picture in a viewer window\n"
                "  --fit        with --demo: start the viewer fitted to the window instead of at 1:1\n");
}
} // namespace

int main(int argc, char** argv)
{
    bool bDemo = false;
    bool bFit = false;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--demo") == 0)
            bDemo = true;
        else if (std::strcmp(argv[i], "--fit") == 0)
            bFit = true;
        else
        {
            PrintUsage();
            return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
        }
    }
    if (bFit && !bDemo)
    {
        PrintUsage();
        return 2;
    }
    return bDemo ? RunDemo(argc, argv, bFit) : ListCameras();
}
