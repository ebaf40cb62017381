#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

// Synthetic USB descriptors of a video camera, shared by the descriptor, channel and discovery tests.
namespace uvc_test
{

// {4A8C02AD-FF78-4697-ADD4-21AC993393F2} in descriptor byte order.
inline const std::vector<uint8_t> CAMERA_GUID = {0xAD, 0x02, 0x8C, 0x4A, 0x78, 0xFF, 0x97, 0x46,
                                                 0xAD, 0xD4, 0x21, 0xAC, 0x99, 0x33, 0x93, 0xF2};
inline const std::vector<uint8_t> OTHER_GUID(16, 0x5A);

inline std::vector<uint8_t> ExtensionUnit(uint8_t nUnit, const std::vector<uint8_t>& guid)
{
    // bLength, CS_INTERFACE, VC_EXTENSION_UNIT, bUnitID, GUID, bNumControls, bNrInPins, baSourceID,
    // bControlSize, bmControls, iExtension
    std::vector<uint8_t> desc = {27, 0x24, 0x06, nUnit};
    desc.insert(desc.end(), guid.begin(), guid.end());
    desc.insert(desc.end(), {4, 1, 2, 2, 0x0F, 0x00, 0});
    return desc;
}

// Device and configuration descriptors with a VideoControl interface holding its header, an
// extension unit with another GUID (unit 4) and the camera's (unit 3), then a VideoStreaming
// interface whose format descriptor shares the extension unit's subtype value and carries the
// camera GUID's bytes.
inline std::vector<uint8_t> CameraDescriptors()
{
    std::vector<uint8_t> bytes = {18,   0x01, 0x00, 0x02, 0xEF, 0x02, 0x01, 0x40, 0xB4,
                                  0x04, 0x51, 0x6E, 0x00, 0x01, 0x01, 0x02, 0x03, 0x01};
    auto add = [&bytes](std::vector<uint8_t> desc) { bytes.insert(bytes.end(), desc.begin(), desc.end()); };
    add({9, 0x02, 0x00, 0x00, 0x02, 0x01, 0x00, 0x80, 0xFA}); // configuration
    add({9, 0x04, 0x00, 0x00, 0x01, 0x0E, 0x01, 0x00, 0x02}); // VideoControl interface
    add({13, 0x24, 0x01, 0x00, 0x01, 0x4D, 0x00, 0x00, 0x6C, 0xDC, 0x02, 0x01, 0x01}); // header
    add(ExtensionUnit(4, OTHER_GUID));
    add(ExtensionUnit(3, CAMERA_GUID));
    add({9, 0x04, 0x01, 0x00, 0x00, 0x0E, 0x02, 0x00, 0x00}); // VideoStreaming interface
    std::vector<uint8_t> format = {26, 0x24, 0x06, 0x07};
    format.insert(format.end(), CAMERA_GUID.begin(), CAMERA_GUID.end());
    format.resize(26, 0);
    add(format);
    return bytes;
}

} // namespace uvc_test

// A sysfs tree in a temporary directory, laid out as the kernel lays it out: the class entry
// links to the node's directory under its USB interface, and the node's "device" links back up.
class FakeSysfs
{
  public:
    FakeSysfs()
    {
        m_root = std::filesystem::temp_directory_path() /
                 ("tarnwick_sysfs_" + std::to_string(::getpid()) + "_" + std::to_string(s_nCount++));
        std::filesystem::create_directories(m_root / "sys/class/video4linux");
        // The root hub above every device carries ids of its own.
        std::filesystem::create_directories(m_root / HUB);
        Write(m_root / HUB / "idVendor", "1d6b");
        Write(m_root / HUB / "idProduct", "0002");
    }
    ~FakeSysfs() { std::filesystem::remove_all(m_root); }

    std::string Root() const { return m_root.string() + "/"; }

    static void Write(const std::filesystem::path& path, const std::string& strText)
    {
        std::ofstream(path) << strText << "\n";
    }

    // A USB device at bus 1, port path strPort; returns its directory.
    std::filesystem::path AddUsbDevice(const std::string& strPort, const std::string& strVendor,
                                       const std::string& strProduct)
    {
        std::filesystem::path dir = m_root / HUB / ("1-" + strPort);
        std::filesystem::create_directories(dir);
        if (!strVendor.empty())
            Write(dir / "idVendor", strVendor);
        Write(dir / "idProduct", strProduct);
        return dir;
    }

    // A video node under interface 0 of the USB device (or with no parent device when usbDir is empty).
    void AddNode(const std::filesystem::path& usbDir, int nNode, int nIndex)
    {
        const std::string strName = "video" + std::to_string(nNode);
        const std::filesystem::path nodeDir =
            usbDir.empty() ? m_root / "sys/devices/virtual/video4linux" / strName
                           : usbDir / (usbDir.filename().string() + ":1.0") / "video4linux" / strName;
        std::filesystem::create_directories(nodeDir);
        if (!usbDir.empty())
        {
            Write(nodeDir / "../../bInterfaceNumber", "00");
            std::filesystem::create_directory_symlink("../..", nodeDir / "device");
        }
        if (nIndex >= 0)
            Write(nodeDir / "index", std::to_string(nIndex));
        std::filesystem::create_directory_symlink(
            std::filesystem::relative(nodeDir, m_root / "sys/class/video4linux"),
            m_root / "sys/class/video4linux" / strName);
    }

    // A webcam on video0 and the camera on video2, with its descriptors and a metadata node
    // video3; returns the camera's USB device directory.
    std::filesystem::path AddWebcamAndCamera()
    {
        AddNode(AddUsbDevice("1", "046d", "0825"), 0, 0);
        const std::filesystem::path camera = AddUsbDevice("2", "04b4", "6e51");
        const std::vector<uint8_t> bytes = uvc_test::CameraDescriptors();
        std::ofstream(camera / "descriptors", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
        AddNode(camera, 2, 0);
        AddNode(camera, 3, 1);
        return camera;
    }

  private:
    static constexpr const char* HUB = "sys/devices/pci0000:00/0000:00:14.0/usb1";
    static inline int s_nCount = 0;
    std::filesystem::path m_root;
};
