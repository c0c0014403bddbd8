#include "win32dcb.h"

namespace portio {

Dcb fromWin32Dcb(const DCB& d)
{
    Dcb r;
    r.BaudRate = d.BaudRate;
    r.fBinary = d.fBinary;
    r.fParity = d.fParity;
    r.fOutxCtsFlow = d.fOutxCtsFlow;
    r.fOutxDsrFlow = d.fOutxDsrFlow;
    r.fDtrControl = uint8_t(d.fDtrControl);
    r.fDsrSensitivity = d.fDsrSensitivity;
    r.fTXContinueOnXoff = d.fTXContinueOnXoff;
    r.fOutX = d.fOutX;
    r.fInX = d.fInX;
    r.fErrorChar = d.fErrorChar;
    r.fNull = d.fNull;
    r.fRtsControl = uint8_t(d.fRtsControl);
    r.fAbortOnError = d.fAbortOnError;
    r.XonLim = d.XonLim;
    r.XoffLim = d.XoffLim;
    r.ByteSize = d.ByteSize;
    r.Parity = d.Parity;
    r.StopBits = d.StopBits;
    r.XonChar = uint8_t(d.XonChar);
    r.XoffChar = uint8_t(d.XoffChar);
    r.ErrorChar = uint8_t(d.ErrorChar);
    r.EofChar = uint8_t(d.EofChar);
    r.EvtChar = uint8_t(d.EvtChar);
    return r;
}

void toWin32Dcb(const Dcb& r, DCB& d)
{
    d.BaudRate = r.BaudRate;
    d.fBinary = r.fBinary;
    d.fParity = r.fParity;
    d.fOutxCtsFlow = r.fOutxCtsFlow;
    d.fOutxDsrFlow = r.fOutxDsrFlow;
    d.fDtrControl = r.fDtrControl;
    d.fDsrSensitivity = r.fDsrSensitivity;
    d.fTXContinueOnXoff = r.fTXContinueOnXoff;
    d.fOutX = r.fOutX;
    d.fInX = r.fInX;
    d.fErrorChar = r.fErrorChar;
    d.fNull = r.fNull;
    d.fRtsControl = r.fRtsControl;
    d.fAbortOnError = r.fAbortOnError;
    d.XonLim = r.XonLim;
    d.XoffLim = r.XoffLim;
    d.ByteSize = r.ByteSize;
    d.Parity = r.Parity;
    d.StopBits = r.StopBits;
    d.XonChar = char(r.XonChar);
    d.XoffChar = char(r.XoffChar);
    d.ErrorChar = char(r.ErrorChar);
    d.EofChar = char(r.EofChar);
    d.EvtChar = char(r.EvtChar);
}

} // namespace portio
