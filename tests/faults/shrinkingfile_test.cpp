// A file that shrinks between the file dialog and the send: what is left of
// it goes out, an emptied file gives its message, nothing crashes.
#include "faultfixture.h"

#include "tests/console/consolewindow.h"

#include "res/commandids.h"
#include "tests/support/ptypair.h"
#include "tests/support/testdevices.h"

#include <QTemporaryDir>

#include <fstream>
#include <future>
#include <unistd.h>

namespace {

class ShrinkingFile : public FaultTest {
protected:
    void SetUp() override { ASSERT_TRUE(testDevices().define("COM2", pty.slavePath()).ok()); }
    void TearDown() override
    {
        testDevices().undefine("COM2");
        FaultTest::TearDown();
    }
    // Sends a file of `before` bytes that shrinks to `after` once chosen;
    // returns what reached the far end.
    std::string sendShrinking(size_t before, size_t after)
    {
        const std::string file = dir.filePath("shrinks.bin").toStdString();
        std::ofstream(file, std::ios::binary) << std::string(before, 'S');
        ui.onFileChosen = [&](const QString&) { EXPECT_EQ(::truncate(file.c_str(), off_t(after)), 0); };
        ui.queueFileName(QString::fromStdString(file));
        auto far = std::async(std::launch::async, [&] { return pty.readExactly(after); });
        EXPECT_TRUE(win.view().runCommand(cmd::ID_SEND_FILE));
        ui.onFileChosen = nullptr;
        std::string got = far.get();
        return got + pty.readAvailable();
    }

    PtyPair pty;
    QTemporaryDir dir;
    ConsoleWindow win { ui };
};

TEST_F(ShrinkingFile, WhatIsLeftIsSentAndNothingMore)
{
    const Baseline base;
    ASSERT_TRUE(win.connect("COM2"));
    EXPECT_EQ(sendShrinking(1 << 20, 3000), std::string(3000, 'S'));
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
    EXPECT_EQ(win.view().m_portCtx.isConnected, 1);
    ASSERT_TRUE(win.view().runCommand(cmd::ID_DISCONNECT_PORT));
    EXPECT_TRUE(base.restored()) << base.report();
}

TEST_F(ShrinkingFile, AFileEmptiedAfterTheDialogIsRefusedWithItsMessage)
{
    ASSERT_TRUE(win.connect("COM2"));
    EXPECT_EQ(sendShrinking(4096, 0), "");
    EXPECT_EQ(ui.messages, QStringList { "File map could not be opened." });
    EXPECT_EQ(win.view().m_portCtx.isConnected, 1);
}

} // namespace
