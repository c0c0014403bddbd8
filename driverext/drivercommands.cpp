#include "drivercommands.h"

#include "driverrequest.h"

#include <string>

namespace driverext {

namespace {

// A query with its unset 3-byte input and its 1-byte output preset to 13;
// returns the output byte as the driver left it.
uint8_t query(portio::Port& port, const ControlCode& code, const MessageSink& sink)
{
    const uint8_t in[QUERY_INPUT_SIZE] = {};
    uint8_t out = QUERY_OUTPUT_PRESET;
    issueControlCode(port, code, in, sizeof in, &out, sizeof out, sink);
    return out;
}

void showResult(portio::Port& port, const ControlCode& code, const MessageSink& sink)
{
    const uint8_t value = query(port, code, sink);
    say(sink, std::to_string(static_cast<unsigned>(value)));
}

void queryThenNotice(portio::Port& port, const ControlCode& code, const char* notice, const MessageSink& sink)
{
    query(port, code, sink);
    say(sink, notice);
}

} // namespace

void installProfileN(portio::Port& port, const MessageSink& sink, const SetupOptions& options)
{
    runSetupSequence(port, profileN(), LetterForm::WithZero, sink, options);
}

void installProfileD(portio::Port& port, const MessageSink& sink, const SetupOptions& options)
{
    runSetupSequence(port, profileD(), LetterForm::WithZero, sink, options);
}

void resetCustom(portio::Port& port, const MessageSink& sink)
{
    const uint8_t in[CUSTOM_INPUT_SIZE] = {};
    issueControlCode(port, ResetCustom, in, sizeof in, nullptr, 0, sink);
}

void showLastReadResult(portio::Port& port, const MessageSink& sink)
{
    showResult(port, GetLastReadResult, sink);
}

void showLastReadResult2(portio::Port& port, const MessageSink& sink)
{
    showResult(port, GetLastReadResult2, sink);
}

void firmwareReset(portio::Port& port, const MessageSink& sink)
{
    queryThenNotice(port, FirmwareReset, txt::FirmwareResetNotice, sink);
}

void dumpUart(portio::Port& port, const MessageSink& sink)
{
    queryThenNotice(port, DumpUart, txt::DumpUartNotice, sink);
}

// When RADUZI1 names nothing there is no target to give ZUZARE2: that is a
// failed definition, not a definition with an empty target.
void defineAlias(portio::DeviceNamespace& devices, const MessageSink& sink)
{
    const portio::Result<std::string> target = devices.query(ALIAS_SOURCE);
    if (!target.ok() || !devices.define(ALIAS_NAME, target.value()).ok()) say(sink, txt::ErrorDefiningDosDevice);
}

} // namespace driverext
