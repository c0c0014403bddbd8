#include "settings.h"

namespace verify {

using namespace portio;

Dcb toDcb(const LineSettings& line)
{
    Dcb d;
    d.BaudRate = line.baud;
    d.ByteSize = line.dataBits;
    d.Parity = line.parity;
    d.fParity = line.parity != NOPARITY;
    d.StopBits = line.stopBits;
    d.fDtrControl = DTR_CONTROL_ENABLE;
    const bool rtscts = line.flow == Flow::RtsCts;
    d.fOutxCtsFlow = rtscts;
    d.fRtsControl = rtscts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    d.fOutX = d.fInX = line.flow == Flow::XonXoff;
    return d;
}

double bitsPerCharacter(const LineSettings& line)
{
    const double stop = line.stopBits == ONE5STOPBITS ? 1.5 : line.stopBits == TWOSTOPBITS ? 2 : 1;
    return 1 + line.dataBits + (line.parity != NOPARITY ? 1 : 0) + stop;
}

double charactersPerSecond(const LineSettings& line)
{
    return line.baud / bitsPerCharacter(line);
}

const char* parityName(uint8_t parity)
{
    static const char* names[] = { "none", "odd", "even", "mark", "space" };
    return parity <= SPACEPARITY ? names[parity] : "unknown";
}

const char* stopBitsName(uint8_t stopBits)
{
    return stopBits == ONE5STOPBITS ? "1.5" : stopBits == TWOSTOPBITS ? "2" : "1";
}

const char* flowName(Flow flow)
{
    return flow == Flow::RtsCts ? "rtscts" : flow == Flow::XonXoff ? "xonxoff" : "none";
}

const char* modemLinesName(ModemLines choice)
{
    return choice == ModemLines::Skip ? "skip" : "check";
}

} // namespace verify
