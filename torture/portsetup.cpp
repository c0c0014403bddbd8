#include "portsetup.h"

#include "portio/commtypes.h"

namespace torture {

namespace {
constexpr uint32_t QueueSize = 4096;
constexpr uint32_t WriteLimitMs = 100000;
} // namespace

bool setUpTorturePort(portio::Port& port, uint32_t baudRate)
{
    using namespace portio;
    // Failures of the preparatory steps are not fatal: the writers still load
    // the line with whatever the port accepted.
    port.setCommMask(EV_RXCHAR);
    port.setupComm(QueueSize, QueueSize);
    port.purge(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    port.setTimeouts(CommTimeouts { MAXDWORD, 0, WriteLimitMs, 0, WriteLimitMs });
    port.escape(EscapeFunction::SETDTR);

    Result<Dcb> current = port.getState();
    Dcb dcb = current.ok() ? current.value() : Dcb {};
    dcb.BaudRate = baudRate;
    return port.setState(dcb).ok();
}

} // namespace torture
