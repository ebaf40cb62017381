#pragma once

#include <string>

// What the settings file sets, with the defaults that hold when the file, a section or a key is
// missing. The console reads it once while it opens, before the control pages exist.
struct Settings
{
    // "Settings"
    int nCameraNo = -1; // device index 0 to 15; -1: the first idle camera
    int nTopMost = 0;   // non-zero: the main dialog stays above ordinary windows
    // "ViewWindow": the live viewer's YUY2 procedure for a mono and a colour camera
    int nMonoDecode = 0;
    int nColorDecode = 1;
    // "LineRate"
    int nInputMode = 0;   // 0 from the shooting environment, 1 typed rate
    double dFps = 1000.0; // lines per second, the text read as a number
    int nSize = 3620;     // object size in mm
    int nPixel = 640;     // pixels across the object
    int nSpeed = 75;      // object speed in km/h
    int nDirection = 0;   // 0 right to left, 1 left to right
    int nFpsStep = 10;    // step of the ',' and '.' keys
    // "Cursor": the guide line
    int nGuideColor = 0xC0C0C0; // 0x00BBGGRR
    int nGuideWidth = 1;        // at most GUIDE_WIDTH_MAX
    int nGuidePitch = 40;
    int nGuideDash = 6;
    // "RecControl"
    int nRecControl = 0; // 0 manual stop, 1 stop after the set time
    int nStopSec = 10;
    // "FileOption"
    std::string strFolder; // empty: the start-up directory
    int nFileNaming = 1;   // 0 save dialog, 1 name from the time of saving
    int nImageFormat = 0;  // 0 BMP colour, 1 BMP raw, 2 JPEG
    int nJpegQuality = 80;
};

// What Exit writes back: numbers as the pages' members hold them, texts as their fields show them.
struct SettingsWriteBack
{
    int nInputMode = 0;
    std::string strFps;
    std::string strSize;
    std::string strPixel;
    std::string strSpeed;
    int nDirection = -1; // the direction list's selection, -1 for none
    int nRecControl = 0;
    std::string strSec;
    std::string strFolder;
    int nFileNaming = 0;
    int nImageFormat = 0;
    std::string strQuality;
};

// "Tarnwick.ini" in a folder. Only the line-rate, recording and file-option keys are ever written;
// every other line of the file stays as it is.
class SettingsFile
{
  public:
    static constexpr int GUIDE_WIDTH_MAX = 4;

    explicit SettingsFile(const std::string& strFolder);

    const std::string& Path() const { return m_strPath; }
    // Every key, each with its default when missing, from one reading of the file; never creates
    // the file. A file that is not a regular file, is far too large or cannot be read is not read,
    // and one line on standard error says why.
    Settings Read() const;
    // The twelve keys Exit writes, in their order, in one replacement of the file; false when any
    // of them could not be written, and then one line on standard error says what and why. A file
    // that Read would not read is not written.
    bool Write(const SettingsWriteBack& back) const;

  private:
    std::string m_strPath;
};
