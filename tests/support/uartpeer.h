#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// A real serial line for the tests that need one: the port under test
// (VESPERLINE_TEST_UART) and the port wired to it (VESPERLINE_TEST_UART_PEER),
// which the test holds as the far end, raw, 8 data bits. Both must be free:
// their settings are changed. Set in the drivers' virtual machine
// (scripts/test-drivers).
struct UartLine {
    std::string device, peer;
    // Both variables set, or nothing.
    static std::optional<UartLine> fromEnvironment();
    static const char* missing() { return "set VESPERLINE_TEST_UART and VESPERLINE_TEST_UART_PEER to run"; }
};

class UartPeer {
public:
    // Opens the far end and empties it of what an earlier test left on the
    // line, until the line has been quiet for a moment. Throws
    // std::runtime_error when the device cannot be opened.
    explicit UartPeer(const std::string& path);
    ~UartPeer();
    UartPeer(const UartPeer&) = delete;
    UartPeer& operator=(const UartPeer&) = delete;

    bool writeAll(std::string_view bytes, std::chrono::milliseconds limit = std::chrono::seconds(5));
    std::string readExactly(size_t n, std::chrono::milliseconds limit = std::chrono::seconds(5));

private:
    int m_fd = -1;
};

// Hangs up every user of the tty at `path`, as the kernel does when a
// device goes away (needs root, as in the virtual machine).
bool hangUpTty(const std::string& path);
