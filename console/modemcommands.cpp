#include "modemcommands.h"

#include "commandtable.h"
#include "consoletarget.h"
#include "sendcommands.h"

#include "portio/commtypes.h"
#include "res/commandids.h"
#include "res/texts.h"
#include "res/uiservices.h"

namespace {

constexpr ModemLineCommand Commands[4] = {
    { cmd::ID_ASSERT_RTS, portio::IOCTL_SERIAL_SET_RTS, txt::SetRtsFailed },
    { cmd::ID_DROP_RTS, portio::IOCTL_SERIAL_CLR_RTS, txt::ClrRtsFailed },
    { cmd::ID_ASSERT_DTR, portio::IOCTL_SERIAL_SET_DTR, txt::SetDtrFailed },
    { cmd::ID_DROP_DTR, portio::IOCTL_SERIAL_CLR_DTR, txt::ClrDtrFailed },
};

} // namespace

void runModemLineCommand(ConsoleTarget& view, const ModemLineCommand& command)
{
    if (!requireConnection(view)) return;
    // Same shape as the board driver's requests: a 3-byte input area that
    // carries nothing for these codes, a 1-byte output area preset to CR.
    uint8_t in[3] = {};
    uint8_t out[1] = { 0x0D };
    uint32_t returned = 0;
    auto port = view.m_portCtx.portHandle;
    // The port layer carries the request out before it returns, so nothing
    // is left pending when the areas go away.
    const bool ok = port && port->deviceControl(command.controlCode, in, sizeof in, out, sizeof out, &returned).ok();
    if (ok) {
        rememberOutput(view.m_portCtx, command.controlCode);
        view.modemLineSet(command.controlCode);
    } else
        view.ui().messageBox(QString::fromLatin1(command.failureText));
}

void registerModemCommands(ConsoleCommandTable& table)
{
    for (const ModemLineCommand& command : Commands)
        table.add(command.commandId, [&command](ConsoleTarget& view) { runModemLineCommand(view, command); });
}
