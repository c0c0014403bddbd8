#include "portio/portdescription.h"
#include "portio/posix/sysfsdescription.h"

#include "tests/support/ptypair.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace portio;
namespace fs = std::filesystem;

// Real USB adapters cannot be attached here; what udev says of them is read
// by the same code that finds nothing for the nodes below.
TEST(PortDescription, SaysWhatKindOfDeviceEachTargetIs)
{
    PtyPair pty;
    const fs::path dir = fs::temp_directory_path() / ("vl-describe-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    fs::create_symlink(pty.slavePath(), dir / "link");
    std::ofstream(dir / "file") << "x";
    const struct {
        std::string target, text;
    } cases[] = {
        { pty.slavePath(), "pseudo-terminal" },
        { (dir / "link").string(), "pseudo-terminal" },
        { "vboard:0", "virtual board port 0" },
        { "vboard:95", "virtual board port 95" },
        { "rfc2217://127.0.0.1:3001", "" },
        { (dir / "file").string(), "" },
        { (dir / "missing").string(), "" },
        { "/dev/null", "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(describePort(c.target).text(), c.text) << c.target;
    fs::remove_all(dir);
}

TEST(PortDescription, JoinsWhatIsKnown)
{
    const struct {
        PortDescription d;
        std::string text;
    } cases[] = {
        { { "", "FTDI", "FT232R USB UART", "A1B2", "ftdi_sio", "USB 0403:6001" },
            "FTDI FT232R USB UART, serial A1B2, driver ftdi_sio, USB 0403:6001" },
        { { "", "", "", "", "serial8250" }, "driver serial8250" },
        { { "", "", "CP2102", "0001", "" }, "CP2102, serial 0001" },
        { {}, "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.d.text(), c.text);
}

namespace {

// A sysfs tree in a temporary folder, laid out as the kernel lays out
// its devices, buses and the char-device index.
class SysfsTree {
public:
    SysfsTree()
        : m_root(fs::temp_directory_path() / ("vl-sysfs-" + std::to_string(::getpid())))
    {
        fs::remove_all(m_root);
    }
    ~SysfsTree() { fs::remove_all(m_root); }

    std::string root() const { return m_root.string(); }
    void file(const std::string& path, const std::string& text)
    {
        fs::create_directories((m_root / path).parent_path());
        std::ofstream(m_root / path) << text << "\n";
    }
    // A link as sysfs makes it: relative, from `path` to `target` (both under the root).
    void link(const std::string& path, const std::string& target)
    {
        fs::create_directories((m_root / path).parent_path());
        fs::create_directories(m_root / target);
        fs::create_symlink(fs::relative(m_root / target, (m_root / path).parent_path()), m_root / path);
    }
    void device(const std::string& path, const char* subsystem, const char* driver)
    {
        fs::create_directories(m_root / path);
        if (subsystem) link(path + "/subsystem", std::string("bus/") + subsystem);
        if (driver) link(path + "/driver", std::string("bus/") + subsystem + "/drivers/" + driver);
    }

private:
    fs::path m_root;
};

} // namespace

// A minimal system (no udev daemon, as in the drivers' virtual machine):
// the driver, and the ids and strings of the USB or PCI device, from sysfs.
TEST(PortDescription, ReadsDriverAndHardwareFromSysfs)
{
    SysfsTree sys;
    const std::string pci = "devices/pci0000:00/0000:00:04.0";
    sys.device(pci, "pci", "serial");
    sys.file(pci + "/vendor", "0x1b36");
    sys.file(pci + "/device", "0x0004");
    // The serial core's port devices between the UART's tty and its driver.
    sys.device(pci + "/0000:00:04.0:0", "serial-base", "ctrl");
    sys.device(pci + "/0000:00:04.0:0/0000:00:04.0:0.1", "serial-base", "port");
    sys.link("dev/char/4:69", pci + "/0000:00:04.0:0/0000:00:04.0:0.1/tty/ttyS5");
    const std::string usb = "devices/pci0000:00/0000:00:05.0/usb1/1-1";
    sys.device(usb, "usb", "usb");
    sys.file(usb + "/idVendor", "0403");
    sys.file(usb + "/idProduct", "6001");
    sys.file(usb + "/manufacturer", "QEMU");
    sys.file(usb + "/product", "QEMU USB SERIAL");
    sys.file(usb + "/serial", "1-0000:00:05.0-1");
    sys.device(usb + "/1-1:1.0", "usb", "ftdi_sio");
    sys.device(usb + "/1-1:1.0/ttyUSB0", "usb-serial", "ftdi_sio");
    sys.link("dev/char/188:0", usb + "/1-1:1.0/ttyUSB0/tty/ttyUSB0");
    sys.device("devices/platform/serial8250", "platform", "serial8250");
    sys.link("dev/char/4:64", "devices/platform/serial8250/tty/ttyS0");
    sys.link("dev/char/1:3", "devices/virtual/mem/null");
    const struct {
        unsigned major, minor;
        std::string text;
    } cases[] = {
        { 4, 69, "driver serial, PCI 1b36:0004" },
        { 188, 0, "QEMU QEMU USB SERIAL, serial 1-0000:00:05.0-1, driver ftdi_sio, USB 0403:6001" },
        { 4, 64, "driver serial8250" }, { 1, 3, "" }, { 4, 70, "" }, // no such device
    };
    for (const auto& c : cases)
        EXPECT_EQ(describeFromSysfs(sys.root(), c.major, c.minor).text(), c.text) << c.major << ":" << c.minor;
}
