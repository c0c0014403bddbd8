// The line settings written into the port for every flow-control choice.
#include "console/commandtable.h"
#include "consoleui/vesperlineview.h"
#include "portio/devicenamespace.h"
#include "tests/support/qtfakeuiservices.h"
#include "tests/support/testdevices.h"

#include <gtest/gtest.h>

namespace {

portio::Dcb portAsRead()
{
    portio::Dcb dcb;
    dcb.fBinary = false;
    dcb.fDsrSensitivity = true;
    dcb.fTXContinueOnXoff = true;
    dcb.fErrorChar = true;
    dcb.fNull = true;
    dcb.fAbortOnError = true;
    dcb.ErrorChar = '?';
    dcb.EofChar = 0x1A;
    dcb.EvtChar = '!';
    dcb.XonChar = 1;
    dcb.XoffChar = 2;
    return dcb;
}

TEST(LineSettings, EveryFlowCombination)
{
    for (uint8_t flow = 0; flow < 8; ++flow) {
        SCOPED_TRACE(int(flow));
        PortContext ctx;
        ctx.flowFlags = flow;
        ctx.baudRate = 115200;
        ctx.dataBits = 5;
        ctx.parityCode = 4;
        ctx.stopBitsCode = 1;
        const portio::Dcb in = portAsRead();
        const portio::Dcb dcb = lineSettingsDcb(in, ctx);
        EXPECT_EQ(dcb.BaudRate, 115200u);
        EXPECT_EQ(dcb.ByteSize, 5);
        EXPECT_EQ(dcb.Parity, 4);
        EXPECT_EQ(dcb.StopBits, 1);
        EXPECT_TRUE(dcb.fBinary);
        EXPECT_TRUE(dcb.fParity);
        EXPECT_EQ(dcb.fOutxDsrFlow, bool(flow & 1));
        EXPECT_EQ(dcb.fDtrControl, flow & 1 ? portio::DTR_CONTROL_HANDSHAKE : portio::DTR_CONTROL_ENABLE);
        EXPECT_EQ(dcb.fOutxCtsFlow, bool(flow & 2));
        EXPECT_EQ(dcb.fRtsControl, flow & 2 ? portio::RTS_CONTROL_HANDSHAKE : portio::RTS_CONTROL_ENABLE);
        EXPECT_EQ(dcb.fOutX, bool(flow & 4));
        EXPECT_EQ(dcb.fInX, bool(flow & 4));
        EXPECT_EQ(dcb.XonChar, 0x11);
        EXPECT_EQ(dcb.XoffChar, 0x13);
        EXPECT_EQ(dcb.XonLim, 100);
        EXPECT_EQ(dcb.XoffLim, 100);
        // What the settings do not cover stays as the port had it.
        EXPECT_EQ(dcb.fDsrSensitivity, in.fDsrSensitivity);
        EXPECT_EQ(dcb.fTXContinueOnXoff, in.fTXContinueOnXoff);
        EXPECT_EQ(dcb.fErrorChar, in.fErrorChar);
        EXPECT_EQ(dcb.fNull, in.fNull);
        EXPECT_EQ(dcb.fAbortOnError, in.fAbortOnError);
        EXPECT_EQ(dcb.ErrorChar, in.ErrorChar);
        EXPECT_EQ(dcb.EofChar, in.EofChar);
        EXPECT_EQ(dcb.EvtChar, in.EvtChar);
    }
}

// What a bare view needs: no commands, the application's namespace.
struct BareEnvironment {
    ConsoleCommandTable commands;
    FakeUiServices ui;
    ConsoleEnvironment environment { testDevices(), commands, ui };
};

TEST(LineSettings, NullContextIsRefused)
{
    BareEnvironment bare;
    CVesperlineView view(bare.environment);
    EXPECT_EQ(view.ApplyLineSettings(nullptr), 0);
}

TEST(PortContextDefaults, NewViewIsUnconnectedWithDefaults)
{
    BareEnvironment bare;
    CVesperlineView view(bare.environment);
    const auto& ctx = view.m_portCtx;
    EXPECT_EQ(g_pLatestView, &view);
    EXPECT_EQ(ctx.portName, "None");
    EXPECT_EQ(ctx.isConnected, 0);
    EXPECT_EQ(ctx.reportLineErrors, 1);
    EXPECT_EQ(ctx.captureOn, 0);
    EXPECT_EQ(ctx.baudRate, 9600u);
    EXPECT_EQ(ctx.dataBits, 8);
    EXPECT_EQ(ctx.flowFlags | ctx.parityCode | ctx.stopBitsCode, 0);
}

TEST(PortContextDefaults, AnyViewsDestructionClearsTheLatestView)
{
    BareEnvironment bare;
    auto* first = new CVesperlineView(bare.environment);
    CVesperlineView second(bare.environment);
    delete first;
    EXPECT_EQ(g_pLatestView, nullptr);
}

} // namespace
