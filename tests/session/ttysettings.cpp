#include "ttysettings.h"

#include <asm/termbits.h> // struct termios2; not with <termios.h>
#include <sys/ioctl.h>

bool readTtySettings(int fd, TtySettings& settings)
{
    termios2 t {};
    if (::ioctl(fd, TCGETS2, &t) != 0) return false;
    settings.baud = t.c_ospeed;
    settings.stopBits = t.c_cflag & CSTOPB ? 2 : 1;
    settings.rtsCts = t.c_cflag & CRTSCTS;
    return true;
}
