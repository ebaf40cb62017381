#include "platform/capture/sim/sim_capture_system.h"

#include "platform/capture/sim/sim_camera.h"

#include <cstdlib>
#include <sstream>

namespace
{
constexpr int MAX_REPEAT = 64;
// Every listed device holds its register file, so the whole list is bounded too.
constexpr size_t MAX_DEVICES = 64;
// The camera's information bytes hold the model name and the serial number.
constexpr size_t MODEL_BYTES = 16;
constexpr size_t SERIAL_BYTES = 8;
// Ten million lines a second: far beyond any frame path, yet frame times stay whole nanoseconds.
constexpr int MAX_LINE_RATE = 10000000;

std::string Trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t");
    size_t b = s.find_last_not_of(" \t");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

std::vector<std::string> Split(const std::string& s, char c)
{
    std::vector<std::string> parts;
    std::stringstream in(s);
    std::string part;
    while (std::getline(in, part, c))
        parts.push_back(part);
    return parts;
}

// A whole number in the given base within 0..nMax; false for anything else.
bool ParseNumber(const std::string& s, int nBase, int nMax, int& nValue)
{
    if (s.empty())
        return false;
    char* pEnd = nullptr;
    long n = std::strtol(s.c_str(), &pEnd, nBase);
    if (*pEnd != '\0' || n < 0 || n > nMax)
        return false;
    nValue = static_cast<int>(n);
    return true;
}

// A text the camera holds in nMax bytes; its length counts bytes, as the camera does.
bool ParseText(const std::string& strKey, const std::string& strValue, size_t nMax, std::string& strOut,
               std::string& strWhy)
{
    if (strValue.size() > nMax)
    {
        strWhy = "\"" + strKey + "\" is " + std::to_string(strValue.size()) +
                 " bytes long; the camera holds " + std::to_string(nMax) + " bytes";
        return false;
    }
    strOut = strValue;
    return true;
}

// One option key=value; false with a reason when it cannot be read.
bool ParseOption(const std::string& strOption, SimCameraConfig& config, std::string& strWhy)
{
    size_t nEq = strOption.find('=');
    if (nEq == std::string::npos)
    {
        strWhy = "option \"" + strOption + "\" has no value";
        return false;
    }
    std::string strKey = Trim(strOption.substr(0, nEq));
    std::string strValue = Trim(strOption.substr(nEq + 1));
    const struct
    {
        const char* pszKey;
        int nBase;
        int nMax;
        int* pnValue;
        const char* pszRange;
    } numbers[] = {
        {"pid", 16, 0xFFFF, &config.nProductId, "a hex number up to ffff"},
        {"busy", 10, 255, &config.nBusy, "0 to 255"},
        {"mode", 10, 3, &config.nMode, "0 to 3"},
        {"rate", 10, MAX_LINE_RATE, &config.nLineRate, "0 to 10000000 lines a second"},
    };
    for (const auto& n : numbers)
    {
        if (strKey != n.pszKey)
            continue;
        if (ParseNumber(strValue, n.nBase, n.nMax, *n.pnValue))
            return true;
        strWhy = "\"" + strKey + "\" must be " + n.pszRange;
        return false;
    }
    if (strKey == "model")
        return ParseText(strKey, strValue, MODEL_BYTES, config.strModel, strWhy);
    if (strKey == "serial")
        return ParseText(strKey, strValue, SERIAL_BYTES, config.strSerial, strWhy);
    strWhy = "unknown option \"" + strKey + "\"";
    return false;
}

// One item: [N*]kind[:key=value]...; false with a reason when it cannot be read.
bool ParseItem(const std::string& strItem, SimCameraConfig& config, int& nRepeat, std::string& strWhy)
{
    std::string s = strItem;
    nRepeat = 1;
    size_t nStar = s.find('*');
    if (nStar != std::string::npos)
    {
        if (!ParseNumber(Trim(s.substr(0, nStar)), 10, MAX_REPEAT, nRepeat) || nRepeat < 1)
        {
            strWhy = "repeat count must be 1 to " + std::to_string(MAX_REPEAT);
            return false;
        }
        s = s.substr(nStar + 1);
    }
    std::vector<std::string> parts = Split(s, ':');
    std::string strKind = parts.empty() ? std::string() : Trim(parts[0]);
    if (strKind == "color" || strKind == "colour")
        config.bColor = true;
    else if (strKind == "mono")
        config.bColor = false;
    else if (strKind == "other")
        config.kind = SimDeviceKind::OTHER;
    else
    {
        strWhy = "kind must be color, mono or other";
        return false;
    }
    for (size_t i = 1; i < parts.size(); ++i)
        if (!ParseOption(Trim(parts[i]), config, strWhy))
            return false;
    return true;
}
} // namespace

SimCaptureSystem::SimCaptureSystem(const std::vector<SimCameraConfig>& configs)
{
    for (size_t i = 0; i < configs.size(); ++i)
        m_cameras.push_back(std::make_shared<SimCamera>(configs[i], static_cast<int>(i)));
}

std::shared_ptr<SimCaptureSystem> SimCaptureSystem::FromSpec(const std::string& strSpec, std::string* pError)
{
    std::vector<SimCameraConfig> configs;
    std::string strErrors;
    for (const std::string& strRaw : Split(strSpec, ','))
    {
        std::string strItem = Trim(strRaw);
        if (strItem.empty())
            continue;
        SimCameraConfig config;
        int nRepeat = 1;
        std::string strWhy;
        bool bOk = ParseItem(strItem, config, nRepeat, strWhy);
        if (bOk && configs.size() + static_cast<size_t>(nRepeat) > MAX_DEVICES)
        {
            strWhy = "the list holds at most " + std::to_string(MAX_DEVICES) + " devices in all";
            bOk = false;
        }
        if (!bOk)
        {
            strErrors +=
                (strErrors.empty() ? "" : "; ") + std::string("\"") + strItem + "\" left out: " + strWhy;
            continue;
        }
        configs.insert(configs.end(), static_cast<size_t>(nRepeat), config);
    }
    if (pError)
        *pError = strErrors;
    return std::make_shared<SimCaptureSystem>(configs);
}

bool SimCaptureSystem::ListVideoInputs(std::vector<std::shared_ptr<VideoInputDevice>>& devices)
{
    devices.assign(m_cameras.begin(), m_cameras.end());
    return true;
}
