#pragma once

#include <cstdint>
#include <string>

// A remote port whose server never answers: it takes the connection and says
// nothing, or its queue of connections is full, so that a connect waits for
// its handshake. Either way an open waits up to its connect limit, seconds.
enum class Silence { NoAnswer, NoHandshake };

class SilentServer {
public:
    explicit SilentServer(Silence silence);
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    std::string target() const { return "rfc2217://127.0.0.1:" + std::to_string(m_port); }
    // An open is under way: a connection waits to be taken, or a connect for its handshake.
    bool connecting() const;

private:
    Silence m_silence;
    int m_fd = -1;
    int m_filler = -1;
    uint16_t m_port = 0;
};
