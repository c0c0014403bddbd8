#include "driverrequest.h"

namespace driverext {

bool issueControlCode(portio::Port& port, const ControlCode& code, const void* in, size_t inLen, void* out,
    size_t outLen, const MessageSink& sink)
{
    const portio::Status status = port.deviceControl(code.value, in, inLen, out, outLen);
    if (status.ok()) return true;
    say(sink, code.failureText);
    return false;
}

} // namespace driverext
