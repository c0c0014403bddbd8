#pragma once

#include <cstdint>

// The COM-PORT-OPTION of Telnet (RFC 2217): commands a client sends inside
// IAC SB 44 ... IAC SE; the server answers each with the code + 100.
namespace portio::rfc2217 {

constexpr uint8_t COM_PORT_OPTION = 44;
constexpr uint8_t SERVER_OFFSET = 100;

constexpr uint8_t SET_BAUDRATE = 1;
constexpr uint8_t SET_DATASIZE = 2;
constexpr uint8_t SET_PARITY = 3;
constexpr uint8_t SET_STOPSIZE = 4;
constexpr uint8_t SET_CONTROL = 5;
constexpr uint8_t NOTIFY_LINESTATE = 6;
constexpr uint8_t NOTIFY_MODEMSTATE = 7;
constexpr uint8_t FLOWCONTROL_SUSPEND = 8;
constexpr uint8_t FLOWCONTROL_RESUME = 9;
constexpr uint8_t SET_LINESTATE_MASK = 10;
constexpr uint8_t SET_MODEMSTATE_MASK = 11;
constexpr uint8_t PURGE_DATA = 12;

// SET-CONTROL values.
constexpr uint8_t FLOW_REQUEST = 0;
constexpr uint8_t FLOW_NONE = 1;
constexpr uint8_t FLOW_XONXOFF = 2;
constexpr uint8_t FLOW_HARDWARE = 3;
constexpr uint8_t BREAK_ON = 5;
constexpr uint8_t BREAK_OFF = 6;
constexpr uint8_t DTR_ON = 8;
constexpr uint8_t DTR_OFF = 9;
constexpr uint8_t RTS_ON = 11;
constexpr uint8_t RTS_OFF = 12;
constexpr uint8_t INFLOW_NONE = 14;
constexpr uint8_t INFLOW_XONXOFF = 15;
constexpr uint8_t INFLOW_HARDWARE = 16;

// PURGE-DATA values.
constexpr uint8_t PURGE_RX = 1;
constexpr uint8_t PURGE_TX = 2;
constexpr uint8_t PURGE_BOTH = 3;

// NOTIFY-LINESTATE bits.
constexpr uint8_t LINE_BREAK = 0x10;
constexpr uint8_t LINE_FRAMING = 0x08;
constexpr uint8_t LINE_PARITY = 0x04;
constexpr uint8_t LINE_OVERRUN = 0x02;
constexpr uint8_t LINE_ERRORS = LINE_BREAK | LINE_FRAMING | LINE_PARITY | LINE_OVERRUN;

// NOTIFY-MODEMSTATE: the upper four bits are the levels of DCD, RI, DSR and
// CTS, in the same places as the MS_*_ON bits of modemStatus().
constexpr uint8_t MODEM_LEVELS = 0xF0;

// Answers to SET-CONTROL share one code; this says which request a value
// answers (flow, break, DTR, RTS or inbound flow).
constexpr int controlFamily(uint8_t value)
{
    return value <= 3 ? 0 : value <= 6 ? 1 : value <= 9 ? 2 : value <= 12 ? 3 : 4;
}

} // namespace portio::rfc2217
