#pragma once

#include "capturefile.h"
#include "portio/port.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>

// Flow-control bits of PortContext::flowFlags.
constexpr uint8_t FLOW_DTR_DSR = 0x01;
constexpr uint8_t FLOW_RTS_CTS = 0x02;
constexpr uint8_t FLOW_XON_XOFF = 0x04;

// One console window's port connection: the chosen port and its line
// settings, the open port, the connected and capture flags.
struct PortContext {
    std::shared_ptr<portio::Port> portHandle; // the open port (empty when none)
    std::string portName = "None"; // COM3 and so on, without the "\\.\" prefix; "None": no port chosen
    std::atomic<int32_t> isConnected { 0 };
    int32_t reportLineErrors = 1;
    std::atomic<int32_t> captureOn { 0 };
    uint8_t dataBits = 8;
    uint8_t flowFlags = 0;
    uint8_t parityCode = 0;
    uint8_t stopBitsCode = 0;
    uint32_t baudRate = 9600;
    // RTS and DTR as the user last set them on this connection (Assert/Drop);
    // none: as the open leaves them. A device that comes back gets them again.
    std::optional<bool> rtsChosen;
    std::optional<bool> dtrChosen;
    // The receive thread while connected; joined by ClosePort, so it never
    // outlives the port or the panes.
    std::thread readerThread;
    // Written by the receive thread while captureOn is set.
    CaptureFile captureFile;
};

// Notes an Assert/Drop RTS or DTR request (IOCTL_SERIAL_SET_RTS and the
// like) the port carried out; other codes are ignored.
void rememberOutput(PortContext& ctx, uint32_t controlCode);
