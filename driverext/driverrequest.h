#pragma once

#include "controlcodes.h"
#include "messagesink.h"

#include "portio/port.h"

namespace driverext {

// Issues one driver code and judges its immediate result: on failure the
// code's failure text goes to the sink and the caller carries on with its
// next step. Returns true when the driver carried the request out.
//
// Port::deviceControl() is synchronous, so a request never outlives the call:
// buffers on the caller's stack stay valid for as long as the driver uses
// them. There are no event objects either, so the "no event" failure of the
// original platform cannot occur here.
bool issueControlCode(portio::Port& port, const ControlCode& code, const void* in, size_t inLen, void* out,
    size_t outLen, const MessageSink& sink);

} // namespace driverext
