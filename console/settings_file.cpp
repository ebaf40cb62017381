#include "console/settings_file.h"

#include "pages/number_text.h"
#include "platform/sys/profile_file.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace
{
constexpr const char* SETTINGS_FILE_NAME = "Tarnwick.ini";

constexpr std::string_view SEC_SETTINGS = "Settings";
constexpr std::string_view SEC_VIEW_WINDOW = "ViewWindow";
constexpr std::string_view SEC_LINE_RATE = "LineRate";
constexpr std::string_view SEC_CURSOR = "Cursor";
constexpr std::string_view SEC_REC_CONTROL = "RecControl";
constexpr std::string_view SEC_FILE_OPTION = "FileOption";

// The integer keys in the order they are read, each with its default (that of Settings).
struct IntKey
{
    std::string_view strSection;
    std::string_view strKey;
    int Settings::*pMember;
};

const IntKey INT_KEYS_BEFORE_FPS[] = {
    {SEC_SETTINGS, "CameraNo", &Settings::nCameraNo},
    {SEC_SETTINGS, "TopMost", &Settings::nTopMost},
    {SEC_VIEW_WINDOW, "MonoDecode", &Settings::nMonoDecode},
    {SEC_VIEW_WINDOW, "ColorDecode", &Settings::nColorDecode},
    {SEC_LINE_RATE, "Mode", &Settings::nInputMode},
};

const IntKey INT_KEYS_AFTER_FPS[] = {
    {SEC_LINE_RATE, "Size", &Settings::nSize},          {SEC_LINE_RATE, "Pixel", &Settings::nPixel},
    {SEC_LINE_RATE, "Speed", &Settings::nSpeed},        {SEC_LINE_RATE, "Direction", &Settings::nDirection},
    {SEC_LINE_RATE, "UpDownStep", &Settings::nFpsStep}, {SEC_CURSOR, "Color", &Settings::nGuideColor},
    {SEC_CURSOR, "Thick", &Settings::nGuideWidth},      {SEC_CURSOR, "Pitch", &Settings::nGuidePitch},
    {SEC_CURSOR, "Length", &Settings::nGuideDash},      {SEC_REC_CONTROL, "Mode", &Settings::nRecControl},
    {SEC_REC_CONTROL, "Sec", &Settings::nStopSec},
};

const IntKey INT_KEYS_AFTER_PATH[] = {
    {SEC_FILE_OPTION, "Naming", &Settings::nFileNaming},
    {SEC_FILE_OPTION, "Format", &Settings::nImageFormat},
    {SEC_FILE_OPTION, "Quality", &Settings::nJpegQuality},
};

template <std::size_t N> void ReadInts(const ProfileFile& file, const IntKey (&keys)[N], Settings& s)
{
    for (const IntKey& key : keys)
        s.*key.pMember = file.GetInt(key.strSection, key.strKey, s.*key.pMember);
}
} // namespace

SettingsFile::SettingsFile(const std::string& strFolder) : m_strPath(strFolder + "/" + SETTINGS_FILE_NAME) {}

Settings SettingsFile::Read() const
{
    const ProfileFile file(m_strPath);
    if (!file.IsUsable())
        std::fprintf(stderr, "tarnwick: %s: not read or written: %s\n", m_strPath.c_str(),
                     file.Error().c_str());
    Settings s;
    ReadInts(file, INT_KEYS_BEFORE_FPS, s);
    s.dFps = TextToDouble(file.GetText(SEC_LINE_RATE, "Fps", "1000"));
    ReadInts(file, INT_KEYS_AFTER_FPS, s);
    s.nGuideWidth = std::min(s.nGuideWidth, GUIDE_WIDTH_MAX);
    s.strFolder = file.GetText(SEC_FILE_OPTION, "Path", "");
    ReadInts(file, INT_KEYS_AFTER_PATH, s);
    return s;
}

bool SettingsFile::Write(const SettingsWriteBack& back) const
{
    ProfileFile file(m_strPath);
    const struct
    {
        std::string_view strSection;
        std::string_view strKey;
        std::string strText;
    } keys[] = {
        {SEC_LINE_RATE, "Mode", std::to_string(back.nInputMode)},
        {SEC_LINE_RATE, "Fps", back.strFps},
        {SEC_LINE_RATE, "Size", back.strSize},
        {SEC_LINE_RATE, "Pixel", back.strPixel},
        {SEC_LINE_RATE, "Speed", back.strSpeed},
        {SEC_LINE_RATE, "Direction", std::to_string(back.nDirection)},
        {SEC_REC_CONTROL, "Mode", std::to_string(back.nRecControl)},
        {SEC_REC_CONTROL, "Sec", back.strSec},
        {SEC_FILE_OPTION, "Path", back.strFolder},
        {SEC_FILE_OPTION, "Naming", std::to_string(back.nFileNaming)},
        {SEC_FILE_OPTION, "Format", std::to_string(back.nImageFormat)},
        {SEC_FILE_OPTION, "Quality", back.strQuality},
    };
    std::string strUnstored;
    for (const auto& key : keys)
        if (!file.SetText(key.strSection, key.strKey, key.strText) && file.IsUsable())
            strUnstored += std::string(strUnstored.empty() ? "" : ", ") + "[" + std::string(key.strSection) +
                           "] " + std::string(key.strKey);
    // One write for all twelve keys; a file that was not read is not written. One line says what
    // was not written, and why.
    std::string strWhy;
    if (!file.Save())
        strWhy = file.Error();
    else if (!strUnstored.empty())
        strWhy = strUnstored + " (a line break cannot be stored)";
    if (!strWhy.empty())
        std::fprintf(stderr, "tarnwick: %s: not written: %s\n", m_strPath.c_str(), strWhy.c_str());
    return strWhy.empty();
}
