#pragma once

#include <string>

// Writes a picture as a JPEG file through libjpeg: pBgr holds nHeight rows of nWidth pixels, 3 bytes
// each in the order blue, green, red, the first row being the picture's bottom row (as the viewers
// keep it). The file holds the picture top row first, 3 components, at nQuality (the library takes
// values below 1 as 1 and above 100 as 100), baseline.
//
// The file is written as a FileWriter does: it takes the name strPath only once complete and
// closed, so a save that fails (a library error, a full disk, a folder gone) leaves nothing new
// under strPath and no partial file behind; a file that was already there stays as it was. A
// picture of width or height 0 is not written. Returns whether strPath now holds the picture; when
// not, *pError (when given) says why.
bool WriteJpegFile(const std::string& strPath, const unsigned char* pBgr, int nWidth, int nHeight,
                   int nQuality, std::string* pError = nullptr);
