#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>

// A ser2net process for tests: RFC 2217 on 127.0.0.1 at a free port, with
// the given tty behind it. Started by the constructor, which returns once the
// port accepts connections; stopped (SIGTERM, then reaped) by the destructor.
class Ser2netServer {
public:
    // The program, or empty when it is not installed.
    static std::string program();

    explicit Ser2netServer(const std::string& ttyPath); // throws std::runtime_error
    ~Ser2netServer();
    Ser2netServer(const Ser2netServer&) = delete;
    Ser2netServer& operator=(const Ser2netServer&) = delete;

    uint16_t port() const { return m_port; }
    std::string target() const { return "rfc2217://127.0.0.1:" + std::to_string(m_port); }
    // Ends the server at once, as a crash would (SIGKILL), and reaps it.
    void kill();

private:
    bool start(const std::string& ttyPath);
    void stop(int signal);

    std::string m_dir;
    pid_t m_pid = -1;
    uint16_t m_port = 0;
};
