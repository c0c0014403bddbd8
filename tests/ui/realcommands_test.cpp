// The commands that wait or run in the background, through the real windows:
// Receive 2K and the torture test's Start and Stop, each checked in the
// receive pane and by the pseudo-terminal peer on the far end.
#include "realapp.h"

#include "tests/console/uiwait.h"

#include "consoleui/recview.h"
#include "consoleui/vesperlineview.h"
#include "res/commandids.h"
#include "shell/mainframe.h"
#include "shell/splitterframe.h"
#include "torture/tortureparams.h"

#include <QLineEdit>
#include <QRegularExpression>

#include <string>

namespace {

#define EXPECT_SCRIPT_DONE(script)                                                                                     \
    EXPECT_TRUE((script).problems().isEmpty()) << (script).problems().join("\n").toStdString()

// The torture parameters hold for the whole process: put back after each test.
class RealCommands : public RealApp {
protected:
    void TearDown() override
    {
        torture::setTortureParams(m_saved);
        RealApp::TearDown();
    }
    QString title() const { return frame().activeFrame()->windowTitle(); }

private:
    torture::TortureParams m_saved = torture::tortureParams();
};

ModalScript::Match isPortInfo()
{
    return [](QWidget* w) { return w->windowTitle() == QLatin1String("Port Info"); };
}

// Fills "Port Info" as typed and presses OK.
ModalScript::Act enterPortInfo(const QString& first, const QString& count, const QString& baud)
{
    return [=](QWidget* w) {
        const std::pair<const char*, QString> fields[]
            = { { "firstComPort", first }, { "portCount", count }, { "baudRate", baud } };
        for (const auto& [name, text] : fields)
            if (auto* edit = w->findChild<QLineEdit*>(QLatin1String(name))) edit->setText(text);
        pressButton(QStringLiteral("OK"))(w);
    };
}

// What a torture writer sends: 1024-byte blocks of the printable characters in turn.
bool isTortureTraffic(const std::string& bytes)
{
    for (size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] != char(' ' + (i % 1024) % 95)) return false;
    return !bytes.empty();
}

} // namespace

// Receive 2K disconnects the window, asks for the port and reads 2,048 bytes
// with a handle of its own: they are reported, not shown in the pane, and
// nothing goes out on the line. The port is free again afterwards.
TEST_F(RealCommands, Receive2KReadsThePeersBytesAndFreesThePort)
{
    connectToPeer();
    ASSERT_TRUE(peer.send("connected\r\n"));
    ASSERT_TRUE(paneShows("connected"));
    const std::string block(2048, 'K');
    {
        ModalScript script(std::chrono::seconds(25));
        // A pseudo-terminal has no board driver: the profile's four requests are refused.
        script.then("port settings dialog", isPortDialog(), choosePort(PeerPort))
            .then("GetExtra", isMessageBox("GetExtra failed"),
                [&](QWidget* w) {
                    // The port is open by now: what arrives from here on counts.
                    peer.send(block);
                    pressButton("OK")(w);
                })
            .then("SetExtra", isMessageBox("SetExtra failed"), pressButton("OK"))
            .then("SetCustom", isMessageBox("SetCustom failed"), pressButton("OK"))
            .then("SetProtocol", isMessageBox("SetProtocol failed"), pressButton("OK"))
            .then("completed", isMessageBox("Asynchronous read completed"), pressButton("OK"));
        choose(cmd::ID_RECEIVE_2K);
        EXPECT_SCRIPT_DONE(script);
    }
    EXPECT_EQ(title().toStdString(), "Thread 1");
    EXPECT_FALSE(view().m_portCtx.isConnected);
    EXPECT_EQ(peer.take(0), "");

    connectToPeer(); // the port was closed
    ASSERT_TRUE(peer.send("after\r\n"));
    ASSERT_TRUE(paneShows("after"));
    EXPECT_EQ(pane().toPlainText().toStdString(), "connected\nafter\n");
}

// Start Test on the peer's port alone: its blocks reach the peer and the
// pane counts them; Stop Test ends the writing and frees the port at once.
TEST_F(RealCommands, TortureStartAndStopOnThePeersPort)
{
    connectToPeer();
    {
        ModalScript script;
        script.then("Port Info", isPortInfo(), enterPortInfo(" 77", "1\t", "115200"));
        choose(cmd::ID_TORTURE_PARAMS);
        EXPECT_SCRIPT_DONE(script);
    }
    EXPECT_EQ(torture::tortureParams(), (torture::TortureParams { 77, 1, 115200 }));
    {
        ModalScript script; // no window may open
        choose(cmd::ID_TORTURE_START);
        EXPECT_SCRIPT_DONE(script);
    }
    EXPECT_EQ(title().toStdString(), "Thread 1");
    std::string received = peer.take(3 * 1024);
    EXPECT_TRUE(isTortureTraffic(received));
    const QRegularExpression counted(QStringLiteral("^COM 77   KB sent: ([1-9][0-9]*)$"));
    ASSERT_TRUE(uiWaitFor([&] { return counted.match(pane().toPlainText().trimmed()).hasMatch(); }))
        << pane().toPlainText().toStdString();

    choose(cmd::ID_TORTURE_STOP);
    const auto shown = counted.match(pane().toPlainText().trimmed());
    ASSERT_TRUE(shown.hasMatch()) << pane().toPlainText().toStdString();
    // Every block counted reaches the peer. Taken before the port is opened
    // again: an open empties the port's queues, and a pty's output queue is
    // what the peer has not read yet.
    const size_t countedBytes = shown.captured(1).toULongLong() * 1024;
    received += peer.take(countedBytes > received.size() ? countedBytes - received.size() : 0);
    EXPECT_LE(countedBytes, received.size());
    connectToPeer(); // free
    received += peer.take(0);
    EXPECT_TRUE(isTortureTraffic(received));
    EXPECT_EQ(peer.take(1, std::chrono::milliseconds(300)), ""); // the writer has ended
}
