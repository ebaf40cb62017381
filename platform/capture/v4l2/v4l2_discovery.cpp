#include "platform/capture/v4l2/v4l2_discovery.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>

namespace fs = std::filesystem;

namespace
{

constexpr const char* NODE_PREFIX = "video";
constexpr const char* CAPTURE_CLASS_SUFFIX = "#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

// The first line of a sysfs attribute, without its line end; nullopt when it cannot be read.
std::optional<std::string> ReadAttribute(const fs::path& path)
{
    std::ifstream file(path);
    std::string strLine;
    if (!file || !std::getline(file, strLine))
        return std::nullopt;
    while (!strLine.empty() && (strLine.back() == '\n' || strLine.back() == '\r' || strLine.back() == ' '))
        strLine.pop_back();
    return strLine;
}

std::optional<unsigned> ReadNumber(const fs::path& path, int nBase)
{
    std::optional<std::string> strText = ReadAttribute(path);
    if (!strText || strText->empty())
        return std::nullopt;
    unsigned nValue = 0;
    const char* pEnd = strText->data() + strText->size();
    auto [pStop, ec] = std::from_chars(strText->data(), pEnd, nValue, nBase);
    if (ec != std::errc() || pStop != pEnd)
        return std::nullopt;
    return nValue;
}

// N of "videoN", or -1 for any other name.
int NodeNumber(const std::string& strName)
{
    const std::string strPrefix = NODE_PREFIX;
    if (strName.size() <= strPrefix.size() || strName.compare(0, strPrefix.size(), strPrefix) != 0)
        return -1;
    int nNumber = -1;
    const char* pEnd = strName.data() + strName.size();
    auto [pStop, ec] = std::from_chars(strName.data() + strPrefix.size(), pEnd, nNumber);
    if (ec != std::errc() || pStop != pEnd || nNumber < 0)
        return -1;
    return nNumber;
}

bool IsInside(const fs::path& path, const fs::path& root)
{
    auto [itRoot, itPath] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
    return itRoot == root.end();
}

} // namespace

std::string V4l2Discovery::BuildUsbDisplayName(unsigned nVendor, unsigned nProduct, int nInterface,
                                               const std::string& strInstance)
{
    char szIds[48];
    if (nInterface >= 0)
        std::snprintf(szIds, sizeof szIds, "vid_%04x&pid_%04x&mi_%02x", nVendor & 0xFFFF, nProduct & 0xFFFF,
                      unsigned(nInterface) & 0xFF);
    else
        std::snprintf(szIds, sizeof szIds, "vid_%04x&pid_%04x", nVendor & 0xFFFF, nProduct & 0xFFFF);
    return std::string("@device:pnp:\\\\?\\usb#") + szIds + "#" + strInstance + CAPTURE_CLASS_SUFFIX;
}

std::string V4l2Discovery::BuildOtherDisplayName(const std::string& strNodeName)
{
    return "@device:pnp:\\\\?\\v4l2#" + strNodeName + CAPTURE_CLASS_SUFFIX;
}

std::vector<V4l2DeviceEntry> V4l2Discovery::List() const
{
    std::vector<V4l2DeviceEntry> entries;
    const fs::path root(m_strRoot);
    const fs::path classDir = root / "sys/class/video4linux";
    std::error_code ec;
    fs::directory_iterator it(classDir, ec);
    if (ec)
        return entries;
    std::error_code ecCanonical;
    const fs::path sysRoot = fs::canonical(root / "sys", ecCanonical);
    for (; it != fs::directory_iterator(); it.increment(ec))
    {
        if (ec)
            break;
        const std::string strName = it->path().filename().string();
        const int nNode = NodeNumber(strName);
        if (nNode < 0)
            continue;
        V4l2DeviceEntry entry;
        entry.nNode = nNode;
        entry.strDevicePath = (root / "dev" / strName).string();
        std::optional<unsigned> nIndex = ReadNumber(it->path() / "index", 10);
        if (nIndex && *nIndex != 0)
            continue;

        // The node's parent device is a USB interface; the USB device is the first directory
        // upwards that carries vendor or product ids.
        std::error_code ecDevice;
        fs::path dir = fs::canonical(it->path() / "device", ecDevice);
        std::optional<unsigned> nInterface;
        if (!ecDevice)
            nInterface = ReadNumber(dir / "bInterfaceNumber", 16);
        for (; !ecDevice && !ecCanonical && IsInside(dir, sysRoot) && dir != sysRoot; dir = dir.parent_path())
        {
            if (!fs::exists(dir / "idVendor") && !fs::exists(dir / "idProduct"))
                continue;
            // Never look past the node's own USB device (to its hub) for ids it lacks.
            std::optional<unsigned> nVendor = ReadNumber(dir / "idVendor", 16);
            std::optional<unsigned> nProduct = ReadNumber(dir / "idProduct", 16);
            if (!nVendor || !nProduct)
                break;
            std::optional<std::string> strBus = ReadAttribute(dir / "busnum");
            std::optional<std::string> strPort = ReadAttribute(dir / "devpath");
            const std::string strInstance =
                strBus && strPort ? *strBus + "-" + *strPort : dir.filename().string();
            entry.strDisplayName =
                BuildUsbDisplayName(*nVendor, *nProduct, nInterface ? int(*nInterface) : -1, strInstance);
            entry.strUsbDevicePath = dir.string();
            break;
        }
        if (entry.strDisplayName.empty())
            entry.strDisplayName = BuildOtherDisplayName(strName);
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(),
              [](const V4l2DeviceEntry& a, const V4l2DeviceEntry& b) { return a.nNode < b.nNode; });
    return entries;
}
