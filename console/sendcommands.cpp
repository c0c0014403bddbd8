#include "sendcommands.h"

#include "commandtable.h"
#include "consoletarget.h"
#include "writepath.h"

#include "res/commandids.h"
#include "res/texts.h"
#include "res/uiservices.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr size_t TenK = 10 * 1024;
constexpr uint8_t ImmediateByte = 0x63;

void show(ConsoleTarget& view, const char* text)
{
    view.ui().messageBox(QString::fromLatin1(text));
}

} // namespace

bool requireConnection(ConsoleTarget& view)
{
    if (view.m_portCtx.isConnected) return true;
    show(view, txt::NoPortConnected);
    return false;
}

void OnSend10K(ConsoleTarget& view)
{
    if (!requireConnection(view)) return;
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[TenK]);
    if (!block) {
        show(view, txt::Alloc10kFailed);
        return;
    }
    std::memset(block.get(), 0x41, TenK);
    writeAndWait(view, block.get(), TenK);
}

void OnSendImmediate(ConsoleTarget& view)
{
    if (!requireConnection(view)) return;
    auto port = view.m_portCtx.portHandle;
    if (port && port->transmitChar(ImmediateByte).ok())
        view.session().noteSent(1);
    else
        show(view, txt::SendImmediateFailed);
}

void OnSendFixedString(ConsoleTarget& view)
{
    if (!requireConnection(view)) return;
    // The terminating zero goes out on the line too.
    static constexpr char FixedString[] = "abcdefghijklmnopqrstuvwxyz";
    static_assert(sizeof FixedString == 27);
    writeAndWait(view, FixedString, sizeof FixedString);
}

void registerSendCommands(ConsoleCommandTable& table)
{
    table.add(cmd::ID_SEND_10K, OnSend10K);
    table.add(cmd::ID_SEND_IMMEDIATE, OnSendImmediate);
    table.add(cmd::ID_SEND_FIXED_STRING, OnSendFixedString);
}
