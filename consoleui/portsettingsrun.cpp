#include "portsettingsrun.h"

#include "session/portcontext.h"

#include "portsel/portsettingsdlg.h"

int runPortSettingsDialog(UiServices& ui, PortContext& portCtx, const QString& docTitle)
{
    PortLineSettings initial;
    initial.portName = portCtx.portName; // kept when no port is present
    const auto chosen = runPortSettingsDialog(ui, initial, docTitle);
    if (!chosen) return QDialog::Rejected;
    portCtx.portName = chosen->portName;
    portCtx.baudRate = chosen->line.baudRate;
    portCtx.dataBits = chosen->line.dataBits;
    portCtx.parityCode = chosen->line.parityCode;
    portCtx.stopBitsCode = chosen->line.stopBitsCode;
    // The DTR/DSR bit is not the dialog's.
    uint8_t flow = portCtx.flowFlags & ~(FLOW_RTS_CTS | FLOW_XON_XOFF);
    if (chosen->line.rtsCts) flow |= FLOW_RTS_CTS;
    if (chosen->line.xonXoff) flow |= FLOW_XON_XOFF;
    portCtx.flowFlags = flow;
    return QDialog::Accepted;
}
