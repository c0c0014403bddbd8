#pragma once

#include "portio/devicenamespace.h"
#include "tests/support/ptypair.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// A device a test unplugs and plugs in again: a link in a folder of its own,
// mapped to a COM name, that leads to one pseudo-terminal after another, as a
// replugged adapter's node comes back.
class ReplugLine {
public:
    ReplugLine();
    ~ReplugLine();
    ReplugLine(const ReplugLine&) = delete;
    ReplugLine& operator=(const ReplugLine&) = delete;

    std::string portName() const { return "COM41"; }
    std::string linkPath() const { return m_link.string(); }
    portio::DeviceNamespace& devices() { return m_devices; }
    // The pseudo-terminal the link leads to now (the far end is its master).
    PtyPair& pty() { return *m_ptys.back(); }

    // The node goes.
    void removeLink();
    // The far end hangs up: reads of the port fail, and its node in /dev/pts
    // goes with it.
    void hangUp();
    // A new pseudo-terminal, and the link led to it in one step. A locked
    // one cannot be opened until pty().lockSlave(false).
    void plugNew(bool locked = false);

private:
    std::filesystem::path m_dir;
    std::filesystem::path m_link;
    std::vector<std::unique_ptr<PtyPair>> m_ptys;
    portio::DeviceNamespace m_devices;
};
