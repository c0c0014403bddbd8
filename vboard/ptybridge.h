#pragma once

#include "boardcore.h"
#include "exposedlinks.h"

#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <vector>

struct pollfd;

namespace vboard {

// The far ends of exposed ports as pseudo-terminals that any program can
// open. What arrives there reaches the board port at the port's own pace and
// data bits, as from the wire; what the port sends comes out there. Modem
// lines do not cross: the port's inputs stay low.
class PtyBridge {
public:
    // Exposes the ports with these indices, linked in `links` by COM name.
    PtyBridge(std::shared_ptr<BoardCore> core, const std::vector<int>& indices, std::unique_ptr<ExposedLinks> links);
    ~PtyBridge();
    PtyBridge(const PtyBridge&) = delete;
    PtyBridge& operator=(const PtyBridge&) = delete;

    // The first problem met while setting up (no ptys, no link folder).
    const portio::Status& status() const { return m_status; }
    // "/dev/pts/N" of an exposed port, empty for the others.
    std::string ptyPath(int index) const;

private:
    struct End {
        int index = -1;
        int master = -1;
        int slave = -1; // kept open: the end stays raw, and no hang-up while nobody has it
        std::string path;
        std::deque<uint8_t> out;
        portio::Clock::time_point rxFreeAt {};
    };

    portio::Status openEnd(End& e);
    void hook(End& e);
    void run();
    std::optional<portio::Clock::time_point> prepare(std::vector<pollfd>& fds, portio::Clock::time_point now);
    void moveOut(End& e);
    void moveIn(End& e, portio::Clock::time_point now);

    std::shared_ptr<BoardCore> m_core;
    std::vector<std::unique_ptr<End>> m_ends;
    std::unique_ptr<ExposedLinks> m_links;
    portio::Status m_status;
    int m_wake = -1;
    bool m_stop = false; // under the board mutex
    std::thread m_thread;
};

} // namespace vboard
