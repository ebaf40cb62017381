#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The extension units that a USB video device declares in its VideoControl interfaces, read
// from the raw descriptors (device descriptor followed by the configuration descriptors, as the
// USB device's sysfs "descriptors" file holds them).
class UvcDescriptors
{
  public:
    // A GUID in the byte order of the descriptor: the first three fields little-endian.
    using Guid = std::array<uint8_t, 16>;

    struct ExtensionUnit
    {
        Guid guid;
        int nUnitId;
    };

    UvcDescriptors() = default;

    // Never reads past nLength; parsing ends at a descriptor with a length below 2 or one that
    // runs past the end, keeping what was found before it.
    static UvcDescriptors Parse(const uint8_t* pData, size_t nLength);
    // Parses the file; an unreadable file gives no units.
    static UvcDescriptors ReadFile(const std::string& strPath);

    // The unit id of the extension unit with this GUID, or -1.
    int FindExtensionUnit(const Guid& guid) const;
    const std::vector<ExtensionUnit>& ExtensionUnits() const { return m_units; }

  private:
    std::vector<ExtensionUnit> m_units;
};
