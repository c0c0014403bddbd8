// Linux: pseudo-terminals by their device number, everything else from udev.
#include "portio/portdescription.h"

#include <libudev.h>

#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace portio {

namespace {

// Unix98 pseudo-terminal slaves have majors 136 to 143.
bool isPseudoTerminal(dev_t device)
{
    return major(device) >= 136 && major(device) <= 143;
}

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};

std::string text(const char* s)
{
    return s ? std::string(s) : std::string();
}

// The first of the properties that is set, on the device or a parent.
std::string property(udev_device* device, std::initializer_list<const char*> names)
{
    for (udev_device* d = device; d; d = udev_device_get_parent(d))
        for (const char* name : names)
            if (const char* v = udev_device_get_property_value(d, name); v && *v) return v;
    return {};
}

// Without a running udev daemon the database is empty; the USB device's own
// attributes still say who made it.
std::string usbAttribute(udev_device* device, const char* name)
{
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
    return usb ? text(udev_device_get_sysattr_value(usb, name)) : std::string();
}

// The serial core's own "port" and "ctrl" devices (subsystem serial-base)
// sit between a UART's tty and the driver that serves it.
std::string driverOf(udev_device* device)
{
    for (udev_device* d = device; d; d = udev_device_get_parent(d)) {
        if (text(udev_device_get_subsystem(d)) == "serial-base") continue;
        if (const char* driver = udev_device_get_driver(d)) return driver;
    }
    return {};
}

std::string either(std::string first, std::string second)
{
    return first.empty() ? second : first;
}

PortDescription fromUdev(udev_device* d)
{
    PortDescription p;
    p.vendor = either(property(d, { "ID_VENDOR_FROM_DATABASE", "ID_VENDOR" }), usbAttribute(d, "manufacturer"));
    p.model = either(property(d, { "ID_MODEL_FROM_DATABASE", "ID_MODEL" }), usbAttribute(d, "product"));
    p.serial = either(property(d, { "ID_SERIAL_SHORT" }), usbAttribute(d, "serial"));
    p.driver = driverOf(d);
    return p;
}

} // namespace

PortDescription describeDeviceNode(const std::string& path)
{
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return {};
    if (isPseudoTerminal(st.st_rdev)) return PortDescription::ofKind("pseudo-terminal");
    std::unique_ptr<udev, UdevDeleter> u(udev_new());
    if (!u) return {};
    std::unique_ptr<udev_device, UdevDeleter> d(udev_device_new_from_devnum(u.get(), 'c', st.st_rdev));
    return d ? fromUdev(d.get()) : PortDescription {};
}

} // namespace portio
