#pragma once

#include "portio/porterror.h"

#include <string>
#include <utility>
#include <vector>

namespace vboard {

// Links to the exposed ends, $XDG_RUNTIME_DIR/vesperline/board/COM3 -> /dev/pts/N,
// in a folder only the user can enter. Beside each link a lock (COM3.lock)
// holds the process id of the program that exposes the port and is locked
// while that program runs, so a second program refuses the port instead of
// taking its link over; a link and lock left by a run that crashed are taken
// over. Links and locks go when this object does, and also when the process
// ends by SIGTERM, SIGINT or SIGHUP (unless the program handles those itself).
class ExposedLinks {
public:
    // $XDG_RUNTIME_DIR/vesperline/board, or /tmp/vesperline-<uid>/board without one.
    static std::string defaultDir();

    explicit ExposedLinks(std::string dir = defaultDir());
    ~ExposedLinks();
    ExposedLinks(const ExposedLinks&) = delete;
    ExposedLinks& operator=(const ExposedLinks&) = delete;

    const std::string& dir() const { return m_dir; }
    portio::Status add(const std::string& name, const std::string& target);

private:
    portio::Status makeDir();
    portio::Status claim(const std::string& name, const std::string& link);

    std::string m_dir;
    std::vector<std::string> m_links;
    std::vector<std::pair<std::string, int>> m_locks; // path, locked descriptor
};

} // namespace vboard
