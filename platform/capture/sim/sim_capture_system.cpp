#include "platform/capture/sim/sim_capture_system.h"

#include "platform/capture/sim/sim_camera.h"

#include <cstdlib>
#include <sstream>

namespace
{
constexpr int MAX_REPEAT = 64;

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
            strWhy = "repeat count must be 1 to 64";
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
    {
        std::string strOption = Trim(parts[i]);
        size_t nEq = strOption.find('=');
        std::string strKey = Trim(strOption.substr(0, nEq));
        std::string strValue = nEq == std::string::npos ? std::string() : Trim(strOption.substr(nEq + 1));
        bool bOk = nEq != std::string::npos;
        if (strKey == "model")
            bOk = bOk && strValue.size() <= 16, config.strModel = strValue;
        else if (strKey == "serial")
            bOk = bOk && strValue.size() <= 8, config.strSerial = strValue;
        else if (strKey == "pid")
            bOk = bOk && ParseNumber(strValue, 16, 0xFFFF, config.nProductId);
        else if (strKey == "busy")
            bOk = bOk && ParseNumber(strValue, 10, 255, config.nBusy);
        else if (strKey == "mode")
            bOk = bOk && ParseNumber(strValue, 10, 255, config.nMode);
        else
            bOk = false;
        if (!bOk)
        {
            strWhy = "bad option \"" + strOption + "\"";
            return false;
        }
    }
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
        if (!ParseItem(strItem, config, nRepeat, strWhy))
        {
            strErrors += (strErrors.empty() ? "" : "; ") + std::string("\"") + strItem + "\" left out: " + strWhy;
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
