// The console window on a port of the virtual board: received bytes, line
// settings as the port received them, DTR seen at the far end.
#include "consolewindow.h"
#include "uiwait.h"

#include "portio/devicenamespace.h"
#include "tests/support/qtfakeuiservices.h"
#include "tests/support/testdevices.h"
#include "vboard/virtualboard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

class ReceiveBoard : public ::testing::Test {
protected:
    void SetUp() override
    {
        vboard::BoardConfig config;
        config.ports = 2;
        board = std::make_shared<vboard::VirtualBoard>(config);
        testDevices().installBoard(board, board->names());
    }
    void TearDown() override { testDevices().removeBoard(); }

    bool shows(const QString& text)
    {
        return uiWaitFor([&] { return win.shown() == text; });
    }

    FakeUiServices ui;
    std::shared_ptr<vboard::VirtualBoard> board;
    ConsoleWindow win { ui };
};

TEST_F(ReceiveBoard, BytesFromTheLineAppearInOrder)
{
    ASSERT_TRUE(win.connect("COM3"));
    const std::string bytes = std::string("\rline one\r\nline two\0end", 23);
    board->injectReceived(0, bytes.data(), bytes.size());
    EXPECT_TRUE(shows(QStringLiteral("\nline one\nline two") + QChar(0x2400) + QStringLiteral("end")))
        << win.shown().toStdString();
}

TEST_F(ReceiveBoard, OpenRaisesDtrAndCloseDropsItWhileDataFlows)
{
    ASSERT_TRUE(win.connect("COM3"));
    EXPECT_TRUE(board->modemOutputs(0).dtr);
    std::atomic<bool> stop { false };
    std::thread remote([&] {
        const std::string block(64, 'q');
        while (!stop)
            board->injectReceived(0, block.data(), block.size());
    });
    ASSERT_TRUE(uiWaitFor([&] { return win.shown().size() > 500; }));
    EXPECT_EQ(win.view().ClosePort(), 1);
    stop = true;
    remote.join();
    EXPECT_FALSE(win.view().receiveThreadRunning());
    EXPECT_FALSE(board->modemOutputs(0).dtr);
    EXPECT_TRUE(win.connect("COM3"));
}

TEST_F(ReceiveBoard, LineSettingsReachThePort)
{
    auto& ctx = win.view().m_portCtx;
    ctx.baudRate = 19200;
    ctx.dataBits = 7;
    ctx.parityCode = 2;
    ctx.stopBitsCode = 2;
    ctx.flowFlags = FLOW_RTS_CTS | FLOW_XON_XOFF;
    ASSERT_TRUE(win.connect("COM4"));
    const portio::Dcb dcb = board->dcb(1);
    EXPECT_EQ(dcb.BaudRate, 19200u);
    EXPECT_EQ(dcb.ByteSize, 7);
    EXPECT_EQ(dcb.Parity, 2);
    EXPECT_EQ(dcb.StopBits, 2);
    EXPECT_TRUE(dcb.fParity);
    EXPECT_TRUE(dcb.fOutxCtsFlow);
    EXPECT_EQ(dcb.fRtsControl, portio::RTS_CONTROL_HANDSHAKE);
    EXPECT_TRUE(dcb.fOutX && dcb.fInX);
    EXPECT_EQ(dcb.XonLim, 100);
}

TEST_F(ReceiveBoard, RefusedSettingsFailSilentlyAndLeaveThePortFree)
{
    win.view().m_portCtx.baudRate = 50000000; // far above the board's limit
    EXPECT_FALSE(win.connect("COM3"));
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_EQ(win.view().m_portCtx.isConnected, 0);
    win.view().m_portCtx.baudRate = 9600;
    EXPECT_TRUE(win.connect("COM3"));
}

TEST_F(ReceiveBoard, UnpluggedPortEndsTheThreadWithALineAndCanBeClosed)
{
    ASSERT_TRUE(win.connect("COM3"));
    board->unplug(0);
    ASSERT_TRUE(uiWaitFor([&] { return !win.view().receiveThreadRunning(); }));
    EXPECT_TRUE(uiWaitFor([&] { return win.shown().contains("[port COM3 is gone: "); })) << win.shown().toStdString();
    EXPECT_EQ(win.view().ClosePort(), 1);
}

} // namespace
