#pragma once

#include <cstdint>

// The kernel's table of TCP sockets (/proc/net/tcp), read without taking up
// a server's connection: whether a socket whose local or remote end is
// 127.0.0.1:port is in `state`, the table's hex code ("0A" listening,
// "02" waiting for its handshake).
enum class TcpEnd { Local, Remote };
bool loopbackTcpIn(uint16_t port, TcpEnd end, const char* state);
