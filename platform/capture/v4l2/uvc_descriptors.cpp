#include "platform/capture/v4l2/uvc_descriptors.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace
{

constexpr uint8_t DESC_CONFIGURATION = 0x02;
constexpr uint8_t DESC_INTERFACE = 0x04;
constexpr uint8_t DESC_CS_INTERFACE = 0x24;
constexpr uint8_t CLASS_VIDEO = 0x0E;
constexpr uint8_t SUBCLASS_VIDEO_CONTROL = 0x01;
constexpr uint8_t VC_EXTENSION_UNIT = 0x06;

constexpr size_t INTERFACE_MIN_LENGTH = 9;
// Header, unit id, GUID, control and pin counts, at least the control-size byte and the string index.
constexpr size_t EXTENSION_UNIT_MIN_LENGTH = 24;
constexpr size_t EXTENSION_UNIT_GUID_OFFSET = 4;

} // namespace

UvcDescriptors UvcDescriptors::Parse(const uint8_t* pData, size_t nLength)
{
    UvcDescriptors result;
    // Class-specific descriptors count only inside a VideoControl interface: the same subtype
    // value means a format in a VideoStreaming interface.
    bool bInVideoControl = false;
    size_t nPos = 0;
    while (nLength - nPos >= 2)
    {
        const uint8_t* pDesc = pData + nPos;
        const size_t nDescLength = pDesc[0];
        if (nDescLength < 2 || nDescLength > nLength - nPos)
            break;
        const uint8_t nType = pDesc[1];
        if (nType == DESC_INTERFACE)
            bInVideoControl = nDescLength >= INTERFACE_MIN_LENGTH && pDesc[5] == CLASS_VIDEO &&
                              pDesc[6] == SUBCLASS_VIDEO_CONTROL;
        else if (nType == DESC_CONFIGURATION)
            bInVideoControl = false;
        else if (nType == DESC_CS_INTERFACE && bInVideoControl && nDescLength >= EXTENSION_UNIT_MIN_LENGTH &&
                 pDesc[2] == VC_EXTENSION_UNIT)
        {
            ExtensionUnit unit;
            std::copy_n(pDesc + EXTENSION_UNIT_GUID_OFFSET, unit.guid.size(), unit.guid.begin());
            unit.nUnitId = pDesc[3];
            result.m_units.push_back(unit);
        }
        nPos += nDescLength;
    }
    return result;
}

UvcDescriptors UvcDescriptors::ReadFile(const std::string& strPath)
{
    std::ifstream file(strPath, std::ios::binary);
    if (!file)
        return {};
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    return Parse(bytes.data(), bytes.size());
}

int UvcDescriptors::FindExtensionUnit(const Guid& guid) const
{
    for (const ExtensionUnit& unit : m_units)
        if (unit.guid == guid)
            return unit.nUnitId;
    return -1;
}
