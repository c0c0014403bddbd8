#include "tcptable.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

bool loopbackTcpIn(uint16_t port, TcpEnd end, const char* state)
{
    std::ifstream table("/proc/net/tcp");
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X", port);
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, st;
        fields >> slot >> local >> remote >> st;
        if ((end == TcpEnd::Local ? local : remote) == wanted && st == state) return true;
    }
    return false;
}
