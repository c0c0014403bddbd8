#include "sysfsdescription.h"

#include <filesystem>
#include <fstream>

namespace portio {

namespace fs = std::filesystem;

namespace {

// One line of a sysfs attribute, without its newline; empty when missing.
std::string attribute(const fs::path& dir, const char* name)
{
    std::ifstream in(dir / name);
    std::string line;
    std::getline(in, line);
    return line;
}

// The last part of a symbolic link's target ("driver" -> .../drivers/ftdi_sio).
std::string linkName(const fs::path& link)
{
    std::error_code ec;
    const fs::path target = fs::read_symlink(link, ec);
    return ec ? std::string() : target.filename().string();
}

// "0x1b36" as sysfs writes PCI ids, "1b36" as people read them.
std::string hexId(std::string id)
{
    return id.starts_with("0x") ? id.substr(2) : id;
}

// The serial core's own "port" and "ctrl" devices (bus serial-base) sit
// between a UART's tty and the driver that serves it.
void noteDriver(PortDescription& d, const fs::path& dir)
{
    if (!d.driver.empty() || linkName(dir / "subsystem") == "serial-base") return;
    d.driver = linkName(dir / "driver");
}

// The first USB or PCI device on the way up names the hardware.
bool noteHardware(PortDescription& d, const fs::path& dir)
{
    if (const auto vendor = attribute(dir, "idVendor"); !vendor.empty()) {
        d.hardwareId = "USB " + vendor + ":" + attribute(dir, "idProduct");
        d.vendor = attribute(dir, "manufacturer");
        d.model = attribute(dir, "product");
        d.serial = attribute(dir, "serial");
        return true;
    }
    if (linkName(dir / "subsystem") == "pci") {
        d.hardwareId = "PCI " + hexId(attribute(dir, "vendor")) + ":" + hexId(attribute(dir, "device"));
        return true;
    }
    return false;
}

} // namespace

PortDescription describeFromSysfs(const std::string& sysRoot, unsigned major, unsigned minor)
{
    std::error_code ec;
    const fs::path root = fs::weakly_canonical(sysRoot, ec);
    fs::path dir
        = fs::canonical(fs::path(sysRoot) / "dev" / "char" / (std::to_string(major) + ":" + std::to_string(minor)), ec);
    PortDescription d;
    if (ec) return d;
    for (; dir.has_relative_path() && dir != root; dir = dir.parent_path()) {
        noteDriver(d, dir);
        if (noteHardware(d, dir)) break;
    }
    return d;
}

} // namespace portio
