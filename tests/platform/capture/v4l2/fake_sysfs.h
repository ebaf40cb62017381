#pragma once

#include "tests/platform/capture/v4l2/uvc_test_descriptors.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

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
        std::filesystem::create_directories(m_root / "sys/devices/virtual");
        // The root hub above every device carries ids of its own.
        const std::filesystem::path hub = m_root / "sys/devices/pci0000:00/0000:00:14.0/usb1";
        std::filesystem::create_directories(hub);
        Write(hub / "idVendor", "1d6b");
        Write(hub / "idProduct", "0002");
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
        std::filesystem::path dir = m_root / "sys/devices/pci0000:00/0000:00:14.0/usb1" / ("1-" + strPort);
        std::filesystem::create_directories(dir);
        if (!strVendor.empty())
            Write(dir / "idVendor", strVendor);
        Write(dir / "idProduct", strProduct);
        Write(dir / "busnum", "1");
        Write(dir / "devpath", strPort);
        return dir;
    }

    // A video node under interface 0 of the USB device (or with no parent device when usbDir is empty).
    void AddNode(const std::filesystem::path& usbDir, int nNode, int nIndex)
    {
        const std::string strName = "video" + std::to_string(nNode);
        std::filesystem::path nodeDir;
        if (usbDir.empty())
        {
            nodeDir = m_root / "sys/devices/virtual/video4linux" / strName;
            std::filesystem::create_directories(nodeDir);
        }
        else
        {
            const std::filesystem::path interfaceDir = usbDir / (usbDir.filename().string() + ":1.0");
            std::filesystem::create_directories(interfaceDir / "video4linux" / strName);
            Write(interfaceDir / "bInterfaceNumber", "00");
            nodeDir = interfaceDir / "video4linux" / strName;
            std::filesystem::create_directory_symlink("../..", nodeDir / "device");
        }
        Write(nodeDir / "name", "Camera");
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
    static inline int s_nCount = 0;
    std::filesystem::path m_root;
};
