// The strip when a window's device goes: the status text names the port and
// the device path as the pane shows them, every Latin-1 character as itself;
// the counts go on across a reconnect, the session's own lines not counted.
#include "tests/consoleui/stripwindow.h"

#include "tests/support/ptypair.h"
#include "tests/support/qtfakeuiservices.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A link to a pseudo-terminal, in a folder of its own, named with `suffix`
// (UTF-8, as file names are).
struct NamedLink {
    explicit NamedLink(const std::string& suffix)
        : dir(fs::temp_directory_path() / ("vl-status-" + std::to_string(::getpid())))
        , link(dir / ("tty" + suffix))
    {
        fs::create_directories(dir);
        plugNew();
    }
    PtyPair& pty() { return *ptys.back(); }
    // A new pseudo-terminal, the link led to it in one step.
    void plugNew()
    {
        ptys.push_back(std::make_unique<PtyPair>());
        fs::create_symlink(pty().slavePath(), dir / "next");
        fs::rename(dir / "next", link);
    }
    ~NamedLink()
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    fs::path dir;
    fs::path link;
    std::vector<std::unique_ptr<PtyPair>> ptys;
};

TEST(StripStatus, ShowsTheDevicePathsLatin1CharactersAsThemselves)
{
    const struct {
        const char* utf8;
        char16_t shown;
    } cases[] = { { "A", u'A' }, { "\xC3\xA9", u'\u00E9' }, { "\xC2\xB0", u'\u00B0' }, { "\xC3\xBF", u'\u00FF' } };
    for (const auto& c : cases) {
        FakeUiServices ui;
        NamedLink device(c.utf8);
        ASSERT_TRUE(testDevices().define("COM2", device.link.string()).ok());
        StripWindow win { ui };
        ASSERT_TRUE(win.connect("COM2"));
        fs::remove(device.link);
        const QString expected
            = QStringLiteral("COM2 (%1) disconnected")
                  .arg(QString::fromStdString(device.dir.string()) + QStringLiteral("/tty") + QChar(c.shown));
        EXPECT_TRUE(uiWaitFor([&] { return win.described("Connection status") == expected; }))
            << c.utf8 << ": " << win.described("Connection status").toStdString();
        win.view().ClosePort();
        testDevices().undefine("COM2");
    }
}

std::string marker(char tag)
{
    return std::string("#") + tag + "#";
}

// n bytes of letters in short lines, ending in a mark of their own ("#a#").
std::string pattern(size_t n, char tag)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
        s[i] = i % 64 == 63 ? '\n' : char('a' + i % 26);
    return s.replace(n - 3, 3, marker(tag));
}

// The far end hangs up (the pane gets the "gone" line) and a new device takes
// the node: what both ends sent before and after is counted once, exactly.
TEST(StripStatus, CountsGoOnAcrossAReconnect)
{
    const struct {
        size_t before, after;
    } cases[] = { { 3, 3 }, { 3000, 2000 } };
    for (const auto& c : cases) {
        FakeUiServices ui;
        NamedLink device("R");
        ASSERT_TRUE(testDevices().define("COM2", device.link.string()).ok());
        StripWindow win { ui };
        ASSERT_TRUE(win.connect("COM2"));
        const auto exchange = [&](size_t n, char first) {
            ASSERT_TRUE(device.pty().writeAll(pattern(n, first)));
            win.view().typeByte(uint8_t(first));
            EXPECT_EQ(device.pty().readExactly(1), std::string(1, first));
        };
        exchange(c.before, 'a');
        ASSERT_TRUE(uiWaitFor([&] { return win.shown().contains(QString::fromStdString(marker('a'))); }));
        device.pty().closeMaster();
        ASSERT_TRUE(uiWaitFor([&] { return win.described("Connection status").endsWith(" disconnected"); }));
        device.plugNew();
        ASSERT_TRUE(uiWaitFor([&] { return win.described("Connection status").endsWith(" reconnected"); }));
        exchange(c.after, 'A');
        ASSERT_TRUE(uiWaitFor([&] { return win.shown().contains(QString::fromStdString(marker('A'))); }));
        EXPECT_TRUE(win.shows([&](const auto& s) { return s.rxBytes >= c.before + c.after && s.txBytes >= 2; }))
            << win.strip().state().rxBytes << " " << win.strip().state().txBytes;
        EXPECT_EQ(win.strip().state().rxBytes, c.before + c.after);
        EXPECT_EQ(win.strip().state().txBytes, 2u);
        EXPECT_TRUE(win.shown().contains("is gone")) << "the pane should show the line the count leaves out";
        win.view().ClosePort();
        testDevices().undefine("COM2");
    }
}

} // namespace
