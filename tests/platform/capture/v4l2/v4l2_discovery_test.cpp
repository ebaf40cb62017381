#include "platform/capture/v4l2/v4l2_discovery.h"
#include "tests/platform/capture/v4l2/fake_v4l2_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

const char* CAMERA_NAME =
    "@device:pnp:\\\\?\\usb#vid_04b4&pid_6e51&mi_00#1-2#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

// A sysfs tree in a temporary directory, laid out as the kernel lays it out: the class entry
// links to the node's directory under its USB interface, and the node's "device" links back up.
class FakeSysfs
{
  public:
    FakeSysfs()
    {
        m_root = fs::temp_directory_path() /
                 ("tarnwick_sysfs_" + std::to_string(::getpid()) + "_" + std::to_string(s_nCount++));
        fs::create_directories(m_root / "sys/class/video4linux");
        fs::create_directories(m_root / "sys/devices/virtual");
        // The root hub above every device carries ids of its own.
        const fs::path hub = m_root / "sys/devices/pci0000:00/0000:00:14.0/usb1";
        fs::create_directories(hub);
        Write(hub / "idVendor", "1d6b");
        Write(hub / "idProduct", "0002");
    }
    ~FakeSysfs() { fs::remove_all(m_root); }

    std::string Root() const { return m_root.string() + "/"; }

    static void Write(const fs::path& path, const std::string& strText)
    {
        std::ofstream(path) << strText << "\n";
    }

    // A USB device at bus 1, port path strPort; returns its directory.
    fs::path AddUsbDevice(const std::string& strPort, const std::string& strVendor,
                          const std::string& strProduct)
    {
        fs::path dir = m_root / "sys/devices/pci0000:00/0000:00:14.0/usb1" / ("1-" + strPort);
        fs::create_directories(dir);
        if (!strVendor.empty())
            Write(dir / "idVendor", strVendor);
        Write(dir / "idProduct", strProduct);
        Write(dir / "busnum", "1");
        Write(dir / "devpath", strPort);
        return dir;
    }

    // A video node under interface 0 of the USB device (or with no parent device when usbDir is empty).
    void AddNode(const fs::path& usbDir, int nNode, int nIndex)
    {
        const std::string strName = "video" + std::to_string(nNode);
        fs::path nodeDir;
        if (usbDir.empty())
        {
            nodeDir = m_root / "sys/devices/virtual/video4linux" / strName;
            fs::create_directories(nodeDir);
        }
        else
        {
            const fs::path interfaceDir = usbDir / (usbDir.filename().string() + ":1.0");
            fs::create_directories(interfaceDir / "video4linux" / strName);
            Write(interfaceDir / "bInterfaceNumber", "00");
            nodeDir = interfaceDir / "video4linux" / strName;
            fs::create_directory_symlink("../..", nodeDir / "device");
        }
        Write(nodeDir / "name", "Camera");
        if (nIndex >= 0)
            Write(nodeDir / "index", std::to_string(nIndex));
        fs::create_directory_symlink(fs::relative(nodeDir, m_root / "sys/class/video4linux"),
                                     m_root / "sys/class/video4linux" / strName);
    }

  private:
    static inline int s_nCount = 0;
    fs::path m_root;
};

} // namespace

TEST(V4l2Discovery, ListsCaptureNodesInNodeOrderWithWindowsStyleNames)
{
    FakeSysfs sysfs;
    FakeV4l2Io io; // nothing opens: capture nodes are told by their index
    const fs::path webcam = sysfs.AddUsbDevice("1", "046d", "0825");
    sysfs.AddNode(webcam, 0, 0);
    sysfs.AddNode(webcam, 1, 1);
    const fs::path camera = sysfs.AddUsbDevice("2", "04B4", "6E51"); // capitals in the file
    sysfs.AddNode(camera, 10, 0);
    sysfs.AddNode(camera, 11, 1);
    const fs::path noVendor = sysfs.AddUsbDevice("3", "", "6e52");
    sysfs.AddNode(noVendor, 2, 0);
    sysfs.AddNode({}, 3, -1); // no parent device, no index file

    std::vector<V4l2DeviceEntry> entries = V4l2Discovery(io, sysfs.Root()).List();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].nNode, 0);
    EXPECT_EQ(
        entries[0].strDisplayName,
        "@device:pnp:\\\\?\\usb#vid_046d&pid_0825&mi_00#1-1#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global");
    EXPECT_EQ(entries[0].strDevicePath, sysfs.Root() + "dev/video0");
    EXPECT_EQ(fs::canonical(entries[0].strUsbDevicePath), fs::canonical(webcam));

    EXPECT_EQ(entries[1].nNode, 2);
    EXPECT_EQ(entries[1].strDisplayName.find("vid_"), std::string::npos);
    EXPECT_TRUE(entries[1].strUsbDevicePath.empty());
    EXPECT_EQ(entries[2].nNode, 3);
    EXPECT_EQ(entries[2].strDisplayName.find("vid_"), std::string::npos);

    EXPECT_EQ(entries[3].nNode, 10);
    EXPECT_EQ(entries[3].strDisplayName, CAMERA_NAME);
    EXPECT_EQ(fs::canonical(entries[3].strUsbDevicePath), fs::canonical(camera));
}

TEST(V4l2Discovery, DriverCapabilitiesDecideWhenTheNodeOpens)
{
    FakeSysfs sysfs;
    FakeV4l2Io io;
    const fs::path camera = sysfs.AddUsbDevice("2", "04b4", "6e51");
    sysfs.AddNode(camera, 0, 0);
    sysfs.AddNode(camera, 1, 0); // index says main node, the driver says metadata
    io.m_deviceCaps[sysfs.Root() + "dev/video0"] = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
    io.m_deviceCaps[sysfs.Root() + "dev/video1"] = V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;

    std::vector<V4l2DeviceEntry> entries = V4l2Discovery(io, sysfs.Root()).List();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].nNode, 0);
    EXPECT_EQ(entries[0].strDisplayName, CAMERA_NAME);
    EXPECT_EQ(io.OpenCount(), 0); // every probe closed its node
}

TEST(V4l2Discovery, NoVideoClassGivesNoDevices)
{
    FakeV4l2Io io;
    EXPECT_TRUE(V4l2Discovery(io, "/nonexistent-root/").List().empty());
}

TEST(V4l2Discovery, DisplayNamesKeepTheIdsInLowerCaseHex)
{
    EXPECT_EQ(V4l2Discovery::BuildUsbDisplayName(0x04B4, 0x6E52, 2, "3-1.4"),
              "@device:pnp:\\\\?\\usb#vid_04b4&pid_6e52&mi_02#3-1.4#{65e8773d-8f56-11d0-a3b9-00a0c9223196}"
              "\\global");
    EXPECT_EQ(V4l2Discovery::BuildUsbDisplayName(0x04B4, 0x6E51, -1, "1-2"),
              "@device:pnp:\\\\?\\usb#vid_04b4&pid_6e51#1-2#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global");
}
