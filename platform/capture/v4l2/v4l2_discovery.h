#pragma once

#include <string>
#include <vector>

// One video capture node as the backend lists it.
struct V4l2DeviceEntry
{
    int nNode = -1;               // N of /dev/videoN
    std::string strDevicePath;    // the device node to open
    std::string strDisplayName;   // the device path in the form the camera code matches
    std::string strUsbDevicePath; // sysfs directory of the USB device; empty when not on USB
};

// Lists the video capture nodes from sysfs alone, ordered by node number: no node is opened, so
// that devices the program has no business with are never touched (binding opens the chosen
// ones). A node counts as capture when sysfs gives it index 0 within its device (a UVC camera's
// metadata node comes after its capture node), or no index at all. The display name follows the Windows
// device-path form, e.g.
//   @device:pnp:\\?\usb#vid_04b4&pid_6e51&mi_00#1-2#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global
// with the vendor and product ids in lower-case hex, the interface number, and the USB bus and
// port path as the instance.
class V4l2Discovery
{
  public:
    // strRoot is the file-system root under which "sys/class/video4linux" and "dev" are found.
    explicit V4l2Discovery(std::string strRoot = "/") : m_strRoot(std::move(strRoot)) {}

    std::vector<V4l2DeviceEntry> List() const;

    // nInterface negative: the device is not composite and the name carries no interface.
    static std::string BuildUsbDisplayName(unsigned nVendor, unsigned nProduct, int nInterface,
                                           const std::string& strInstance);
    static std::string BuildOtherDisplayName(const std::string& strNodeName);

  private:
    std::string m_strRoot;
};
