// Linux: pseudo-terminals by their device number, everything else from
// sysfs, with the names of udev's hardware database where it has them.
#include "portio/portdescription.h"
#include "sysfsdescription.h"

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

// The first of the properties that is set, on the device or a parent.
std::string property(udev_device* device, std::initializer_list<const char*> names)
{
    for (udev_device* d = device; d; d = udev_device_get_parent(d))
        for (const char* name : names)
            if (const char* v = udev_device_get_property_value(d, name); v && *v) return v;
    return {};
}

void prefer(std::string& field, std::string known)
{
    if (!known.empty()) field = std::move(known);
}

// Without a running udev daemon the database is empty and sysfs says it all.
void addDatabaseNames(PortDescription& p, dev_t device)
{
    std::unique_ptr<udev, UdevDeleter> u(udev_new());
    if (!u) return;
    std::unique_ptr<udev_device, UdevDeleter> d(udev_device_new_from_devnum(u.get(), 'c', device));
    if (!d) return;
    prefer(p.vendor, property(d.get(), { "ID_VENDOR_FROM_DATABASE", "ID_VENDOR" }));
    prefer(p.model, property(d.get(), { "ID_MODEL_FROM_DATABASE", "ID_MODEL" }));
    prefer(p.serial, property(d.get(), { "ID_SERIAL_SHORT" }));
}

} // namespace

PortDescription describeDeviceNode(const std::string& path)
{
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return {};
    if (isPseudoTerminal(st.st_rdev)) return PortDescription::ofKind("pseudo-terminal");
    PortDescription p = describeFromSysfs("/sys", major(st.st_rdev), minor(st.st_rdev));
    addDatabaseNames(p, st.st_rdev);
    return p;
}

} // namespace portio
