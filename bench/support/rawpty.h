#pragma once

#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

// A pseudo-terminal pair for benchmarks: the master is the far end, the slave
// path is what the code under test opens; the slave starts in raw mode.
struct RawPty {
    int master = -1, slave = -1;
    std::string path;
    RawPty()
    {
        char name[128] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
        path = name;
        termios t {};
        ::tcgetattr(slave, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(slave, TCSANOW, &t);
    }
    ~RawPty()
    {
        ::close(master);
        ::close(slave);
    }
    RawPty(const RawPty&) = delete;
    RawPty& operator=(const RawPty&) = delete;
};
