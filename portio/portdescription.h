#pragma once

#include <string>
#include <utility>

namespace portio {

// What the system knows of the device behind a port, for showing beside its
// COM name. Fields the system does not know are empty.
struct PortDescription {
    std::string kind; // "pseudo-terminal", "virtual board port N"; empty for other devices
    std::string vendor;
    std::string model;
    std::string serial;
    std::string driver;
    std::string hardwareId; // "USB 0403:6001", "PCI 1b36:0004": vendor and product (device) id

    static PortDescription ofKind(std::string kind)
    {
        PortDescription d;
        d.kind = std::move(kind);
        return d;
    }

    // One line: the kind, or "vendor model, serial S, driver D, USB v:p" with what is known.
    std::string text() const;
};

// For a namespace target: a device path (symbolic links followed), a board
// target "vboard:N", or a remote port (described by nothing).
PortDescription describePort(const std::string& target);

// The platform's part: what the device database says of a device node.
PortDescription describeDeviceNode(const std::string& path);

} // namespace portio
