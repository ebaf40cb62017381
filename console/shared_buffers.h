#pragma once

// The shared image buffers (allocated by the console when it opens).
extern unsigned char* g_pRawFrame;
extern unsigned char* g_pBgrFrame;
extern unsigned char* g_pLineScan;
extern unsigned char* g_pLineScanBgr;
