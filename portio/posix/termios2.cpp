#include "termios2.h"
#include "portio/linesettings.h"
#include "uartdivisor.h"

#include <asm/termbits.h>
#include <cerrno>
#include <cmath>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace portio::tty {

namespace {

constexpr unsigned kUsbSerialMajor = 188;
constexpr unsigned kAcmMajor = 166;
constexpr unsigned kPtyMasterMajor = 128; // Unix98 masters: 128-135, slaves: 136-143
constexpr unsigned kPtyMajors = 16;
constexpr unsigned kBsdPtyMaster = 2, kBsdPtySlave = 3;

Status getAttrs(int fd, termios2& t)
{
    if (::ioctl(fd, TCGETS2, &t) != 0) return errnoError(errno, "reading the line settings (TCGETS2)");
    return okStatus();
}

Status setAttrs(int fd, const termios2& t)
{
    if (::ioctl(fd, TCSETS2, &t) != 0) return errnoError(errno, "writing the line settings (TCSETS2)");
    return okStatus();
}

uint8_t byteSizeOf(tcflag_t cflag)
{
    switch (cflag & CSIZE) {
    case CS5:
        return 5;
    case CS6:
        return 6;
    case CS7:
        return 7;
    default:
        return 8;
    }
}

tcflag_t sizeFlag(uint8_t byteSize)
{
    static constexpr tcflag_t flags[] = { CS5, CS6, CS7, CS8 };
    return flags[byteSize - 5];
}

uint8_t parityOf(tcflag_t cflag)
{
    if (!(cflag & PARENB)) return NOPARITY;
    if (cflag & CMSPAR) return (cflag & PARODD) ? MARKPARITY : SPACEPARITY;
    return (cflag & PARODD) ? ODDPARITY : EVENPARITY;
}

tcflag_t parityFlags(uint8_t parity)
{
    switch (parity) {
    case ODDPARITY:
        return PARENB | PARODD;
    case EVENPARITY:
        return PARENB;
    case MARKPARITY:
        return PARENB | CMSPAR | PARODD;
    case SPACEPARITY:
        return PARENB | CMSPAR;
    default:
        return 0;
    }
}

uint8_t stopBitsOf(tcflag_t cflag)
{
    if (!(cflag & CSTOPB)) return ONESTOPBIT;
    // The UART sends one and a half stop bits for five data bits.
    return (cflag & CSIZE) == CS5 ? ONE5STOPBITS : TWOSTOPBITS;
}

void encode(const Dcb& d, termios2& t)
{
    t.c_cflag &= ~(CBAUD | CIBAUD | CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT) | sizeFlag(d.ByteSize) | parityFlags(d.Parity);
    if (d.StopBits != ONESTOPBIT) t.c_cflag |= CSTOPB;
    if (d.fOutxCtsFlow || d.fRtsControl == RTS_CONTROL_HANDSHAKE) t.c_cflag |= CRTSCTS;
    t.c_ispeed = t.c_ospeed = d.BaudRate;
    t.c_iflag &= ~(INPCK | IXON | IXOFF | IXANY);
    if (d.fParity && d.Parity != NOPARITY) t.c_iflag |= INPCK;
    if (d.fOutX) t.c_iflag |= IXON;
    if (d.fInX) t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = d.XonChar;
    t.c_cc[VSTOP] = d.XoffChar;
}

// Devices without modem lines (ptys) keep their settings all the same.
void setLine(int fd, int bit, bool on)
{
    (void)::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bit);
}

void applyLines(int fd, const Dcb& d)
{
    setLine(fd, TIOCM_DTR, d.fDtrControl == DTR_CONTROL_ENABLE);
    if (d.fRtsControl != RTS_CONTROL_HANDSHAKE) setLine(fd, TIOCM_RTS, d.fRtsControl == RTS_CONTROL_ENABLE);
}

Status verifyRate(int fd, const termios2& old, uint32_t wanted)
{
    termios2 back {};
    if (auto e = getAttrs(fd, back)) return e;
    if (back.c_ospeed == wanted) return okStatus();
    (void)setAttrs(fd, old);
    return makeError(ErrorCode::InvalidArgument,
        "the driver does not carry out " + std::to_string(wanted) + " bits per second (it reports "
            + std::to_string(back.c_ospeed) + ")");
}

// A UART's clock over 16, or 0 where the divisor is not the whole story
// (no UART, or a custom divisor set with setserial).
uint32_t uartBaudBase(int fd)
{
    serial_struct ss {};
    if (!isUartDriver(fd) || ::ioctl(fd, TIOCGSERIAL, &ss) != 0) return 0;
    return (ss.flags & ASYNC_SPD_MASK) ? 0 : uint32_t(ss.baud_base);
}

// The serial core reads back any rate between its divisor's limits as set,
// though it makes the nearest its clock allows (1 baud: 1.76; 100000: 115200).
Status verifyUartRate(int fd, const termios2& old, uint32_t wanted)
{
    const uint32_t base = uartBaudBase(fd);
    if (!base || uartMakesRate(wanted, base)) return okStatus();
    (void)setAttrs(fd, old);
    return makeError(ErrorCode::InvalidArgument,
        "the UART cannot make " + std::to_string(wanted) + " bits per second from its clock (the nearest is "
            + std::to_string(std::lround(uartRate(wanted, base))) + ")");
}

} // namespace

Status makeRaw(int fd)
{
    termios2 t {};
    if (auto e = getAttrs(fd, t)) return e;
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | IUCLC | IMAXBEL);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOKE | ICANON | ISIG | IEXTEN);
    t.c_cflag |= CREAD | CLOCAL;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return setAttrs(fd, t);
}

Result<Dcb> readDcb(int fd, const Dcb& kept)
{
    termios2 t {};
    if (auto e = getAttrs(fd, t)) return e;
    Dcb d = kept;
    d.fBinary = true;
    d.BaudRate = t.c_ospeed;
    d.ByteSize = byteSizeOf(t.c_cflag);
    d.Parity = parityOf(t.c_cflag);
    d.fParity = (t.c_iflag & INPCK) != 0;
    d.StopBits = stopBitsOf(t.c_cflag);
    const bool hardware = (t.c_cflag & CRTSCTS) != 0;
    d.fOutxCtsFlow = hardware;
    if (hardware)
        d.fRtsControl = RTS_CONTROL_HANDSHAKE;
    else if (d.fRtsControl == RTS_CONTROL_HANDSHAKE)
        d.fRtsControl = RTS_CONTROL_ENABLE;
    d.fOutX = (t.c_iflag & IXON) != 0;
    d.fInX = (t.c_iflag & IXOFF) != 0;
    d.XonChar = t.c_cc[VSTART];
    d.XoffChar = t.c_cc[VSTOP];
    return d;
}

Status writeDcb(int fd, const Dcb& dcb)
{
    if (auto e = checkLineSettings(dcb)) return e;
    termios2 old {};
    if (auto e = getAttrs(fd, old)) return e;
    termios2 t = old;
    encode(dcb, t);
    if (auto e = setAttrs(fd, t)) return e;
    if (auto e = verifyRate(fd, old, dcb.BaudRate)) return e;
    if (auto e = verifyUartRate(fd, old, dcb.BaudRate)) return e;
    applyLines(fd, dcb);
    return okStatus();
}

bool canSendAsStartChar(int fd, uint8_t byte)
{
    return byte != 0 && !softwareFlowOn(fd);
}

bool softwareFlowOn(int fd)
{
    termios2 t {};
    return getAttrs(fd, t) || (t.c_iflag & (IXON | IXOFF));
}

Status sendAsStartChar(int fd, uint8_t byte)
{
    termios2 old {};
    if (auto e = getAttrs(fd, old)) return e;
    termios2 t = old;
    t.c_cc[VSTART] = byte;
    if (auto e = setAttrs(fd, t)) return e;
    const int rc = ::ioctl(fd, TCXONC, TCION);
    const int err = errno;
    (void)setAttrs(fd, old);
    if (rc != 0) return errnoError(err, "sending the byte ahead of the queue (TCION)");
    return okStatus();
}

Result<ErrorCounters> readErrorCounters(int fd)
{
    serial_icounter_struct c {};
    if (::ioctl(fd, TIOCGICOUNT, &c) != 0) return errnoError(errno, "reading the line-error counters (TIOCGICOUNT)");
    return ErrorCounters { c.frame, c.parity, c.overrun, c.brk, c.buf_overrun };
}

bool isUartDriver(int fd)
{
    struct stat st { };
    serial_struct ss {};
    if (::fstat(fd, &st) != 0 || ::ioctl(fd, TIOCGSERIAL, &ss) != 0) return false;
    // USB adapters and modem-class devices answer TIOCGSERIAL too, but queue
    // the start character behind their output like any other byte.
    const unsigned maj = major(st.st_rdev);
    return ss.type != PORT_UNKNOWN && maj != kUsbSerialMajor && maj != kAcmMajor;
}

bool isPseudoTerminal(int fd)
{
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    const unsigned maj = major(st.st_rdev);
    const bool ptmx = maj == 5 && minor(st.st_rdev) == 2; // a master opened through /dev/ptmx
    return (maj >= kPtyMasterMajor && maj < kPtyMasterMajor + kPtyMajors) || maj == kBsdPtyMaster || maj == kBsdPtySlave
        || ptmx;
}

} // namespace portio::tty
