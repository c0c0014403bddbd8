// The application's real windows driven as a person would: the real port
// settings dialog, Qt's file dialogs and message boxes, key presses in the
// console pane; a pseudo-terminal peer checks what reaches the line.
#include "realapp.h"

#include "tests/console/uiwait.h"

#include "consoleui/recview.h"
#include "consoleui/statusbar.h"
#include "consoleui/vesperlineview.h"
#include "res/commandids.h"
#include "shell/mainframe.h"
#include "shell/splitterframe.h"

#include <QInputMethodEvent>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string fileContent(const QString& path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    return { std::istreambuf_iterator<char>(in), {} };
}

std::string everyByteValue()
{
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += char(i);
    return bytes;
}

#define EXPECT_SCRIPT_DONE(script)                                                                                     \
    EXPECT_TRUE((script).problems().isEmpty()) << (script).problems().join("\n").toStdString()

class RealWindows : public RealApp {
protected:
    std::string captureIndicator() const { return g_pStatusBar->paneText(CStatusBar::CapturePane).toStdString(); }
    // The capture through the real file dialog, into `path`.
    void startCapture(const QString& path)
    {
        ModalScript script;
        script.then("file dialog", isFileDialog(), chooseFile(path));
        choose(cmd::ID_START_CAPTURE);
        EXPECT_SCRIPT_DONE(script);
    }
    QTemporaryDir dir;
};

TEST_F(RealWindows, ConnectTypeAndReceive)
{
    {
        ModalScript script;
        script.then("no port box", isMessageBox("No port connected"), pressButton("OK"));
        choose(cmd::ID_SEND_10K);
        EXPECT_SCRIPT_DONE(script);
    }
    connectToPeer();
    EXPECT_EQ(frame().activeFrame()->windowTitle().toStdString(), "Thread 1 connected to COM77");

    QTest::keyClicks(&view(), "Hi there");
    QTest::keyClick(&view(), Qt::Key_Return);
    QTest::keyClick(&view(), Qt::Key_Backspace);
    QTest::keyClick(&view(), Qt::Key_D, Qt::ControlModifier);
    QTest::sendKeyEvent(QTest::Click, &view(), Qt::Key_Eacute, QString(QChar(0xE9)), Qt::NoModifier);
    const std::string typed = "Hi there\r\b\x04\xE9";
    EXPECT_EQ(peer.take(typed.size()), typed);

    // Text from an input method: the Latin-1 part goes out, the rest is refused once.
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf8("\xC3\xA0 \xE2\x82\xAC!"));
    QApplication::sendEvent(&view(), &commit);
    EXPECT_EQ(peer.take(3), "\xE0 !");
    EXPECT_EQ(statusMessage().toStdString(), "Characters outside Latin-1 are not sent");

    ASSERT_TRUE(peer.send("from the peer\r\nsecond line"));
    EXPECT_TRUE(paneShows("from the peer\nsecond line")) << pane().toPlainText().toStdString();
    EXPECT_FALSE(pane().toPlainText().contains("Hi")); // typed text is never echoed locally
}

// Capture into a file that does not exist yet and into one that holds other
// content: each holds exactly the bytes received while capturing.
TEST_F(RealWindows, CaptureIntoANewAndAnExistingFile)
{
    connectToPeer();
    ASSERT_TRUE(peer.send("before-capture\r\n"));
    ASSERT_TRUE(paneShows("before-capture"));
    const struct {
        const char* name;
        const char* oldContent; // null: the file does not exist
    } cases[] = { { "brand-new.cap", nullptr }, { "existing.cap", "old content that must go, longer than the new" } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(c.name);
        if (c.oldContent) std::ofstream(path.toStdString(), std::ios::binary) << c.oldContent;
        startCapture(path);
        ASSERT_EQ(captureIndicator(), "CAPTURE IS ACTIVE");
        EXPECT_EQ(fileContent(path), ""); // created, or emptied, on OK

        const std::string captured = everyByteValue() + "\r\n" + c.name + "-end";
        ASSERT_TRUE(peer.send(captured));
        EXPECT_TRUE(uiWaitFor([&] { return fileContent(path).size() >= captured.size(); }));
        {
            ModalScript script;
            script.then("already active box", isMessageBox("Capture already active"), pressButton("OK"));
            choose(cmd::ID_START_CAPTURE);
            EXPECT_SCRIPT_DONE(script);
        }
        choose(cmd::ID_STOP_CAPTURE);
        EXPECT_EQ(captureIndicator(), "CAPTURE NOT ACTIVE");

        ASSERT_TRUE(peer.send(std::string("after-") + c.name));
        ASSERT_TRUE(paneShows(QStringLiteral("after-%1").arg(c.name)));
        EXPECT_EQ(fileContent(path), captured);
    }
}

TEST_F(RealWindows, SendDataFromFileGoesOutUnchanged)
{
    connectToPeer();
    std::string content;
    for (int i = 0; i < 12; ++i)
        content += everyByteValue() + "\r\n";
    const QString path = dir.filePath("to-send.bin");
    std::ofstream(path.toStdString(), std::ios::binary) << content;

    ModalScript script;
    script.then("file dialog", isFileDialog(), chooseFile(path));
    choose(cmd::ID_SEND_FILE);
    EXPECT_SCRIPT_DONE(script);
    EXPECT_EQ(peer.take(content.size()), content);
    EXPECT_EQ(fileContent(path), content);
}

// What the send commands put on the line, as the peer sees it; a key typed
// afterwards comes right after, so nothing else went out in between.
TEST_F(RealWindows, SendCommandsAsThePeerSeesThem)
{
    connectToPeer();
    const struct {
        int id;
        std::string bytes;
    } cases[] = {
        { cmd::ID_SEND_10K, std::string(10240, 'A') },
        { cmd::ID_SEND_FIXED_STRING, std::string("abcdefghijklmnopqrstuvwxyz", 27) },
        { cmd::ID_SEND_IMMEDIATE, "c" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        ModalScript script; // no window may open
        choose(c.id);
        QTest::keyClick(&view(), '|');
        EXPECT_EQ(peer.take(c.bytes.size() + 1), c.bytes + "|");
        EXPECT_SCRIPT_DONE(script);
    }
}

// The dialogs behind the menu items that do not touch the port open for real
// and close with their buttons.
TEST_F(RealWindows, MenuDialogsOpenAndCloseWithTheirButtons)
{
    const auto isA = [](const char* className) { return [className](QWidget* w) { return w->inherits(className); }; };
    const struct {
        int id;
        const char* dialog;
        const char* button;
    } cases[] = {
        { cmd::ID_APP_ABOUT, "CAboutDlg", "OK" },
        { cmd::ID_TORTURE_PARAMS, "CTortureParamsDlg", "Cancel" },
        { cmd::ID_CONNECT_PORT, "CPortSettingsDlg", "Cancel" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dialog);
        ModalScript script;
        script.then(c.dialog, isA(c.dialog), pressButton(c.button));
        choose(c.id);
        EXPECT_SCRIPT_DONE(script);
    }
    EXPECT_FALSE(view().m_portCtx.isConnected);
}

} // namespace
