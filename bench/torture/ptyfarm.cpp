#include "ptyfarm.h"

#include <climits>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

PtyFarm::PtyFarm(int pairs)
{
    for (int i = 0; i < pairs; ++i) {
        int master = -1, slave = -1;
        char name[PATH_MAX] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
        termios raw {};
        tcgetattr(slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
        m_masters.push_back(master);
        m_slaves.push_back(slave);
        m_paths.emplace_back(name);
    }
    for (int fd : m_masters)
        m_readers.emplace_back([this, fd] { drain(fd); });
}

PtyFarm::~PtyFarm()
{
    m_stop.store(true);
    for (auto& reader : m_readers)
        reader.join();
    for (int fd : m_masters)
        close(fd);
    for (int fd : m_slaves)
        close(fd);
}

void PtyFarm::drain(int masterFd)
{
    char buffer[16384];
    while (!m_stop.load()) {
        pollfd p { masterFd, POLLIN, 0 };
        if (poll(&p, 1, 50) <= 0) continue;
        const ssize_t n = read(masterFd, buffer, sizeof buffer);
        if (n > 0) m_bytes.fetch_add(uint64_t(n));
    }
}
