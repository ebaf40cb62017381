#pragma once

// Identity of one camera index; all 0 for an index without a camera. Every information field
// holds the low 8 bits of the byte read, 255 where the read failed.
struct CameraInfo
{
    int bPresent;
    int nInfo0;
    int nBusy;
    int bColor;
    int nInfo3;
    int nInfo5;
    int nInfo6;
    int nMode; // readout mode 0 to 3, written by the console when it opens the camera
    char szModel[16]; // not terminated
    char szSerial[8]; // not terminated
    unsigned char abExtra1[8];
    unsigned char abExtra2[16];
};
