#pragma once

#include <cstdint>

// The serial-port vocabulary of the classic Windows communications API, kept
// with its names and values because the console, the torture test and the
// board's driver requests are all expressed in it.
namespace portio {

constexpr uint32_t MAXDWORD = 0xFFFFFFFFu;

// Event mask bits.
constexpr uint32_t EV_RXCHAR = 0x0001;

// Purge flags.
constexpr uint32_t PURGE_TXABORT = 0x0001;
constexpr uint32_t PURGE_RXABORT = 0x0002;
constexpr uint32_t PURGE_TXCLEAR = 0x0004;
constexpr uint32_t PURGE_RXCLEAR = 0x0008;
constexpr uint32_t PURGE_ALL = 0x000F;

// Escape functions.
enum class EscapeFunction : uint32_t {
    SETRTS = 3,
    CLRRTS = 4,
    SETDTR = 5,
    CLRDTR = 6,
    SETBREAK = 8,
    CLRBREAK = 9,
};

// Line-error flags reported by clearCommError().
constexpr uint32_t CE_RXOVER = 0x0001; // input queue overflow
constexpr uint32_t CE_OVERRUN = 0x0002; // character lost in the receiver
constexpr uint32_t CE_RXPARITY = 0x0004;
constexpr uint32_t CE_FRAME = 0x0008;
constexpr uint32_t CE_BREAK = 0x0010;

// Modem status bits reported by modemStatus().
constexpr uint32_t MS_CTS_ON = 0x0010;
constexpr uint32_t MS_DSR_ON = 0x0020;
constexpr uint32_t MS_RING_ON = 0x0040;
constexpr uint32_t MS_RLSD_ON = 0x0080; // DCD

// Parity codes.
constexpr uint8_t NOPARITY = 0;
constexpr uint8_t ODDPARITY = 1;
constexpr uint8_t EVENPARITY = 2;
constexpr uint8_t MARKPARITY = 3;
constexpr uint8_t SPACEPARITY = 4;

// Stop-bit codes.
constexpr uint8_t ONESTOPBIT = 0;
constexpr uint8_t ONE5STOPBITS = 1;
constexpr uint8_t TWOSTOPBITS = 2;

// DTR and RTS control modes.
constexpr uint8_t DTR_CONTROL_DISABLE = 0;
constexpr uint8_t DTR_CONTROL_ENABLE = 1;
constexpr uint8_t DTR_CONTROL_HANDSHAKE = 2;
constexpr uint8_t RTS_CONTROL_DISABLE = 0;
constexpr uint8_t RTS_CONTROL_ENABLE = 1;
constexpr uint8_t RTS_CONTROL_HANDSHAKE = 2;
constexpr uint8_t RTS_CONTROL_TOGGLE = 3;

// Published serial device-control codes for the modem lines.
constexpr uint32_t IOCTL_SERIAL_SET_RTS = 0x001B0030;
constexpr uint32_t IOCTL_SERIAL_CLR_RTS = 0x001B0034;
constexpr uint32_t IOCTL_SERIAL_SET_DTR = 0x001B0024;
constexpr uint32_t IOCTL_SERIAL_CLR_DTR = 0x001B0028;

// Line settings, field for field the device control block of the Windows API
// (without its length field, which has no meaning here).
struct Dcb {
    uint32_t BaudRate = 9600;
    bool fBinary = true;
    bool fParity = false;
    bool fOutxCtsFlow = false;
    bool fOutxDsrFlow = false;
    uint8_t fDtrControl = DTR_CONTROL_ENABLE;
    bool fDsrSensitivity = false;
    bool fTXContinueOnXoff = false;
    bool fOutX = false;
    bool fInX = false;
    bool fErrorChar = false;
    bool fNull = false;
    uint8_t fRtsControl = RTS_CONTROL_ENABLE;
    bool fAbortOnError = false;
    uint16_t XonLim = 0;
    uint16_t XoffLim = 0;
    uint8_t ByteSize = 8;
    uint8_t Parity = NOPARITY;
    uint8_t StopBits = ONESTOPBIT;
    uint8_t XonChar = 0x11;
    uint8_t XoffChar = 0x13;
    uint8_t ErrorChar = 0;
    uint8_t EofChar = 0;
    uint8_t EvtChar = 0;

    bool operator==(const Dcb&) const = default;
};

// Time-outs in milliseconds, with the Windows rules (see timeouts.h).
struct CommTimeouts {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;

    bool operator==(const CommTimeouts&) const = default;
};

// What clearCommError() reports: the line errors since the last call (cleared
// by the call) and the queue fill levels.
struct ComStat {
    uint32_t errors = 0;
    uint32_t cbInQue = 0;
    uint32_t cbOutQue = 0;
};

} // namespace portio
