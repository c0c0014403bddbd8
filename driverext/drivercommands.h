#pragma once

#include "messagesink.h"
#include "setupsequence.h"

#include "portio/devicenamespace.h"
#include "portio/port.h"

namespace driverext {

// The diagnostic commands that act on a connected port. The caller checks that
// the window is connected ("No port connected") before it calls them; the
// window's receive thread may keep reading the same port meanwhile.

// Profile N with the letter 'N' and a zero byte.
void installProfileN(portio::Port& port, const MessageSink& sink, const SetupOptions& options = {});
// Profile D (character table included) with the letter 'D' and a zero byte.
void installProfileD(portio::Port& port, const MessageSink& sink, const SetupOptions& options = {});
// Takes the driver out of custom mode.
void resetCustom(portio::Port& port, const MessageSink& sink);

// Shows the driver's one-byte result as a decimal number, after the failure
// text when the query fails ("13" when the driver left the byte alone).
void showLastReadResult(portio::Port& port, const MessageSink& sink);
void showLastReadResult2(portio::Port& port, const MessageSink& sink);

// Ask the board's firmware to restart / to dump its UART; the notice follows
// whether or not the driver took the request.
void firmwareReset(portio::Port& port, const MessageSink& sink);
void dumpUart(portio::Port& port, const MessageSink& sink);

// Needs no port: makes ZUZARE2 name the device that RADUZI1 names.
inline constexpr const char* ALIAS_SOURCE = "RADUZI1";
inline constexpr const char* ALIAS_NAME = "ZUZARE2";
void defineAlias(portio::DeviceNamespace& devices, const MessageSink& sink);

} // namespace driverext
