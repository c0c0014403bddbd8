#include "connectcommands.h"

#include "commandtable.h"
#include "vesperlineview.h"

#include "portsettingsrun.h"
#include "res/commandids.h"
#include "res/texts.h"

void OnConnectPort(CVesperlineView& view)
{
    PortContext& ctx = view.m_portCtx;
    if (ctx.isConnected) return;
    // A cancelled dialog leaves the last chosen port in place, so the open is
    // tried again; the decision rests on the name alone.
    runPortSettingsDialog(ctx, view.documentTitle());
    if (ctx.portName == txt::NoPortName) return;
    if (!view.OpenPort()) return;
    view.setDocumentTitle(
        view.documentTitle() + QString::fromLatin1(txt::ConnectedTo) + QString::fromStdString(ctx.portName));
}

void OnDisconnectPort(CVesperlineView& view)
{
    PortContext& ctx = view.m_portCtx;
    if (!ctx.isConnected) return;
    view.ClosePort();
    const QString title = view.documentTitle();
    const qsizetype cut = title.indexOf(QString::fromLatin1(txt::ConnectedTo));
    if (cut >= 0) view.setDocumentTitle(title.left(cut));
    ctx.portName = txt::NoPortName;
}

void registerConnectCommands(ConsoleCommandTable& table)
{
    table.add(cmd::ID_CONNECT_PORT, OnConnectPort);
    table.add(cmd::ID_DISCONNECT_PORT, OnDisconnectPort);
}
