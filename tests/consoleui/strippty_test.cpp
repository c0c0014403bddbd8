// The strip of a window on a pseudo-terminal: the counts are what the far end
// sent and received, whichever way the window sent; no modem line and no
// error count is shown as known.
#include "tests/consoleui/stripwindow.h"

#include "res/commandids.h"
#include "tests/support/ptypair.h"
#include "tests/support/qtfakeuiservices.h"

#include <gtest/gtest.h>

#include <numeric>
#include <thread>
#include <variant>

namespace {

using Send = std::variant<int, std::string>; // a command, or text typed

std::string pattern(size_t n)
{
    std::string s(n, '\0');
    std::iota(s.begin(), s.end(), '\0');
    return s;
}

void send(StripWindow& win, const Send& what)
{
    if (const int* id = std::get_if<int>(&what)) {
        ASSERT_TRUE(win.view().runCommand(*id));
        return;
    }
    for (char c : std::get<std::string>(what))
        win.view().typeByte(uint8_t(c));
}

TEST(StripPty, CountsWhatThePeerSentAndReceived)
{
    const struct {
        size_t peerSends;
        std::vector<Send> windowSends;
        size_t peerReceives;
    } cases[] = {
        { 0, { std::string("a") }, 1 },
        { 3000, { cmd::ID_SEND_FIXED_STRING }, 27 },
        { 20000, { cmd::ID_SEND_10K, cmd::ID_SEND_IMMEDIATE, std::string("xy") }, 10240 + 1 + 2 },
    };
    for (const auto& c : cases) {
        FakeUiServices ui;
        PtyPair pty;
        ASSERT_TRUE(testDevices().define("COM2", pty.slavePath()).ok());
        StripWindow win { ui };
        ASSERT_TRUE(win.connect("COM2"));
        std::string atPeer;
        std::thread peer([&] {
            pty.writeAll(pattern(c.peerSends));
            atPeer = pty.readExactly(c.peerReceives, std::chrono::seconds(20));
        });
        for (const Send& s : c.windowSends)
            send(win, s);
        ASSERT_TRUE(uiWaitFor([&] { return win.shown().size() >= qsizetype(c.peerSends); }));
        peer.join();
        EXPECT_EQ(atPeer.size(), c.peerReceives);
        EXPECT_TRUE(win.shows([&](const auto& s) { return s.rxBytes == c.peerSends && s.txBytes == atPeer.size(); }))
            << c.peerSends << ": " << win.strip().state().rxBytes << " " << win.strip().state().txBytes;
        EXPECT_TRUE(win.described("RX bytes").startsWith(QStringLiteral("RX %1 (").arg(c.peerSends)));
        EXPECT_TRUE(win.described("TX bytes").startsWith(QStringLiteral("TX %1 (").arg(c.peerReceives)));
        for (const char* line : { "CTS", "DSR", "DCD", "RI", "RTS", "DTR" })
            EXPECT_EQ(win.described(line), QString::fromLatin1(line) + " n/a");
        EXPECT_FALSE(win.part("RTS")->isEnabled());
        EXPECT_EQ(win.described("Line errors"), "Errors: n/a");
        win.click("Reset counters");
        EXPECT_TRUE(win.shows([](const auto& s) { return s.rxBytes == 0 && s.txBytes == 0; }));
        EXPECT_TRUE(win.described("RX bytes").startsWith("RX 0 ("));
        EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
        win.view().ClosePort();
        testDevices().undefine("COM2");
    }
}

} // namespace
