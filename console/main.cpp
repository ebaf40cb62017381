// Placeholder start program: lists the supported cameras found, with their identity.

#include "camera/camera_device.h"

#include <cstdio>

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
} // namespace

int main()
{
    CameraDevice camera;
    int nFound = camera.Init();
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
        int nMode = camera.ReadInfo(i, INFO_MODE);
        std::printf("  %d: model \"%.16s\", serial \"%.8s\", %s, busy %d, readout mode %d\n", i, info.szModel,
                    info.szSerial, info.bColor ? "colour" : "mono", camera.ReadInfo(i, INFO_BUSY), nMode);
    }
    camera.Close();
    return 0;
}
