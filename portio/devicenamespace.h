#pragma once

#include "port.h"
#include "portprovider.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace portio {

// Device names such as COM3, and the paths "\\.\COM3" that select them, mapped
// to the device that serves them. Names are matched case-insensitively. A name
// is looked up in these layers, first match wins:
//   1. definitions made in this process (--map NAME=TARGET, define());
//   2. the virtual board's ports, while a board is installed;
//   3. the user's links $XDG_CONFIG_HOME/vesperline/dosdevices/<name> -> target
//      (read, never written);
//   4. the usual Linux convention: /dev/ttyS*, then /dev/ttyUSB*, then
//      /dev/ttyACM*, numbered COM1, COM2, ... in that order, each series
//      ending at its first missing node.
// A target is a character device path, a remote port "rfc2217://HOST:PORT"
// (connected to only when opened), or a target of the installed board.
class DeviceNamespace {
public:
    struct Config {
        std::string devDir = "/dev";
        std::string linkDir; // empty: $XDG_CONFIG_HOME (or ~/.config) + /vesperline/dosdevices
    };

    DeviceNamespace();
    explicit DeviceNamespace(Config config);
    ~DeviceNamespace();

    // Process-local definition; refuses a target that is not a port.
    Status define(std::string_view name, std::string_view target);
    // Removes a process-local definition.
    void undefine(std::string_view name);
    // A --map command-line value "NAME=TARGET": defines NAME as TARGET.
    Status defineFromMapOption(std::string_view option);
    // The target that a name (or a "\\.\" path) resolves to now.
    Result<std::string> query(std::string_view name) const;

    // Board layer: the provider, and the names it serves with their targets.
    void installBoard(std::shared_ptr<PortProvider> provider, std::map<std::string, std::string> names);
    void removeBoard();

    // Exclusive open for I/O of a "\\.\NAME" path or a bare name.
    Result<PortPtr> open(std::string_view path, Access access);
    // Exclusive read-only open that changes nothing on the port, closed at once.
    Status probe(std::string_view path);
    // Ends the opens of a name under way in other threads now (they fail
    // as Aborted), so that a stopped run need not wait seconds for remote
    // servers; later opens are not affected.
    void abortOpens(std::string_view path);

    // Splits "\\.\NAME" into NAME (a bare name is returned as it is).
    static std::string_view stripPrefix(std::string_view path);

private:
    Result<std::string> resolve(std::string_view path) const;
    Result<PortPtr> openTarget(const std::string& target, Access access, OpenPurpose purpose);

    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace portio
