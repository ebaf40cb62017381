#include "console/shared_buffers.h"

unsigned char* g_pRawFrame = nullptr;
unsigned char* g_pBgrFrame = nullptr;
unsigned char* g_pLineScan = nullptr;
unsigned char* g_pLineScanBgr = nullptr;
