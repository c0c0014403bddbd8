#pragma once

#include "portio/commtypes.h"
#include "portio/porterror.h"

#include <cstdint>

// The kernel's tty interface (termios2, serial counters, driver identity),
// kept apart because <asm/termbits.h> and <termios.h> cannot share a file.
namespace portio::tty {

// Line-error counters as the driver keeps them.
struct ErrorCounters {
    int frame = 0;
    int parity = 0;
    int overrun = 0;
    int brk = 0;
    int bufOverrun = 0;
};

// Raw mode for an open that does I/O: no line editing, echo, signals or
// character translation, reads see every byte; speed, data bits, parity, stop
// bits and hardware flow control stay as found.
Status makeRaw(int fd);

// The tty's line settings. Fields a tty has no place for come from `kept`.
Result<Dcb> readDcb(int fd, const Dcb& kept);
// Applies the settings; refuses what the driver cannot carry out, and a rate
// that does not read back as set (the previous settings are then restored).
Status writeDcb(int fd, const Dcb& dcb);

// True when the byte can be sent through the driver's out-of-band start
// character (software flow control off, the byte not 0x00).
bool canSendAsStartChar(int fd, uint8_t byte);
// Whether XON/XOFF flow control is on in either direction.
bool softwareFlowOn(int fd);
// Sends the byte ahead of the output queue: start character + TCION.
Status sendAsStartChar(int fd, uint8_t byte);

// NotSupported (with the OS text) on drivers without counters, such as ptys.
Result<ErrorCounters> readErrorCounters(int fd);
// A UART under the serial core (not a pty, USB adapter or modem class device).
bool isUartDriver(int fd);
// A pseudo-terminal (either end): its driver keeps no output queue, so
// TIOCOUTQ always answers 0 there.
bool isPseudoTerminal(int fd);

} // namespace portio::tty
