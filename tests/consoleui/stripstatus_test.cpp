// The strip's status text when a window's device goes: the port name and the
// device path as the pane shows them, every Latin-1 character as itself.
#include "tests/consoleui/stripwindow.h"

#include "tests/support/ptypair.h"
#include "tests/support/qtfakeuiservices.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

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
        fs::create_symlink(pty.slavePath(), link);
    }
    ~NamedLink()
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    PtyPair pty;
    fs::path dir;
    fs::path link;
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
        StripWindow win;
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

} // namespace
