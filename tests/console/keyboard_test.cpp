// Typing in a console window: what reaches the far end of a pseudo-terminal,
// byte by byte, and what never does.
#include "consolewindow.h"
#include "uiwait.h"

#include "consoleui/statusbar.h"
#include "consoleui/typedtext.h"
#include "portio/devicenamespace.h"
#include "tests/support/ptypair.h"
#include "tests/support/qtfakeuiservices.h"
#include "tests/support/testdevices.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <gtest/gtest.h>

#include <vector>

namespace {

void press(QWidget& w, int key, const QString& text, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent down(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(&w, &down);
    QKeyEvent up(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(&w, &up);
}

void type(QWidget& w, const QString& text)
{
    for (QChar c : text)
        press(w, c.toUpper().unicode(), QString(c));
}

QByteArray bytesOf(int key, const QString& text, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    return typedBytes(QKeyEvent(QEvent::KeyPress, key, mods, text));
}

class KeyboardPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testDevices().define("COM2", pty.slavePath()).ok());
        ASSERT_TRUE(win.connect("COM2"));
    }
    void TearDown() override { testDevices().undefine("COM2"); }

    // What went out before this point: a marker typed afterwards must be the
    // first byte the far end sees, so nothing else was sent in between.
    void expectNothingSent()
    {
        press(win.view(), Qt::Key_Z, QStringLiteral("z"));
        EXPECT_EQ(pty.readExactly(1), "z");
        pty.readAvailable();
    }
    QString console() const { return win.view().toPlainText(); }

    FakeUiServices ui;
    PtyPair pty;
    ConsoleWindow win { ui };
};

TEST_F(KeyboardPty, TypedTextGoesOutByteByByteAndIsShown)
{
    type(win.view(), QStringLiteral("abc"));
    EXPECT_EQ(pty.readExactly(3), "abc");
    EXPECT_EQ(console(), "abc");
    expectNothingSent();
}

TEST_F(KeyboardPty, EditingKeysSendTheirControlBytesAndEditThePane)
{
    type(win.view(), QStringLiteral("ab"));
    press(win.view(), Qt::Key_Backspace, QStringLiteral("\b"));
    press(win.view(), Qt::Key_Return, QStringLiteral("\r"));
    press(win.view(), Qt::Key_Tab, QStringLiteral("\t"));
    press(win.view(), Qt::Key_Escape, QStringLiteral("\x1b"));
    press(win.view(), Qt::Key_D, QStringLiteral("\x04"), Qt::ControlModifier);
    EXPECT_EQ(pty.readExactly(7), std::string("ab\x08\x0d\x09\x1b\x04"));
    EXPECT_EQ(console(), "a\n\t");
    expectNothingSent();
}

TEST_F(KeyboardPty, LatinOneCharacterIsItsOwnByte)
{
    press(win.view(), Qt::Key_Eacute, QString(QChar(0xE9)));
    EXPECT_EQ(pty.readExactly(1), "\xE9");
}

TEST_F(KeyboardPty, PasteCommandSendsNothing)
{
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    win.view().paste();
    EXPECT_TRUE(console().contains("pasted")) << console().toStdString();
    expectNothingSent();
}

// These go through the view's key handling; they need the view to take its
// bytes from typedBytes().
TEST_F(KeyboardPty, PasteKeySendsNothing)
{
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    press(win.view(), Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier);
    EXPECT_TRUE(console().contains("pasted")) << console().toStdString();
    expectNothingSent();
}

TEST_F(KeyboardPty, CharacterWithoutLatinOneByteIsNotSent)
{
    press(win.view(), 0, QString(QChar(0x20AC)));
    EXPECT_EQ(console(), QString(QChar(0x20AC)));
    expectNothingSent();
}

TEST_F(KeyboardPty, TypingInTheReceivePaneSendsNothing)
{
    type(win.pane(), QStringLiteral("qq"));
    expectNothingSent();
}

TEST_F(KeyboardPty, UnconnectedWindowOnlyEdits)
{
    win.view().ClosePort();
    type(win.view(), QStringLiteral("xy"));
    EXPECT_EQ(console(), "xy");
    ASSERT_TRUE(win.connect("COM2"));
    expectNothingSent();
}

// The console pane inserts plain typed keys itself; what that does to the
// text, the cursor and the undo history must be what the text control does.
TEST_F(KeyboardPty, TypingEditsThePaneAsAPlainTextEditWould)
{
    struct Key {
        int key;
        const char* text;
        Qt::KeyboardModifiers mods = Qt::NoModifier;
    };
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    const struct {
        const char* name;
        std::vector<Key> keys;
    } cases[] = {
        { "a typed run",
            { { Qt::Key_A, "a" }, { Qt::Key_B, "b" }, { Qt::Key_Space, " " }, { Qt::Key_C, "C", shift } } },
        { "typed after the cursor moved back",
            { { Qt::Key_A, "a" }, { Qt::Key_B, "b" }, { Qt::Key_Left, "" }, { Qt::Key_X, "x" }, { Qt::Key_Y, "y" } } },
        { "a backspace inside a run",
            { { Qt::Key_A, "a" }, { Qt::Key_B, "b" }, { Qt::Key_Backspace, "\b" }, { Qt::Key_D, "d" } } },
        { "a selection replaced",
            { { Qt::Key_A, "a" }, { Qt::Key_B, "b" }, { Qt::Key_C, "c" }, { Qt::Key_Home, "", shift },
                { Qt::Key_Z, "z" } } },
        { "up to the line above, at the column typed to",
            { { Qt::Key_A, "a" }, { Qt::Key_B, "b" }, { Qt::Key_C, "c" }, { Qt::Key_D, "d" }, { Qt::Key_Return, "\r" },
                { Qt::Key_E, "e" }, { Qt::Key_F, "f" }, { Qt::Key_Up, "" }, { Qt::Key_Q, "q" }, { Qt::Key_Down, "" },
                { Qt::Key_R, "r" } } },
        { "a Latin-1 letter between others",
            { { Qt::Key_A, "a" }, { Qt::Key_Eacute, "\xc3\xa9" }, { Qt::Key_B, "b" } } },
    };
    for (const auto& k : cases) {
        QPlainTextEdit plain;
        plain.setFont(win.view().font());
        win.view().clear();
        for (QPlainTextEdit* pane : { static_cast<QPlainTextEdit*>(&win.view()), &plain }) {
            pane->document()->clearUndoRedoStacks();
            for (const Key& key : k.keys)
                press(*pane, key.key, QString::fromUtf8(key.text), key.mods);
        }
        pty.readAvailable();
        EXPECT_EQ(console(), plain.toPlainText()) << k.name;
        EXPECT_EQ(win.view().textCursor().position(), plain.textCursor().position()) << k.name;
        EXPECT_EQ(win.view().textCursor().anchor(), plain.textCursor().anchor()) << k.name;
        // Undone step by step, the two histories pass through the same texts.
        int steps = 0;
        while (plain.document()->isUndoAvailable() && steps < 20) {
            plain.undo();
            win.view().undo();
            ++steps;
            EXPECT_EQ(console(), plain.toPlainText()) << k.name << ", undo step " << steps;
        }
        EXPECT_FALSE(win.view().document()->isUndoAvailable()) << k.name << ": more undo steps than the text control";
    }
}

// Text that an input method commits, or that a dead key composes, as a
// sequence of (preedit, commit) events.
struct ComposedCase {
    const char* what;
    std::vector<std::pair<QString, QString>> events;
    std::string sent;
    int notices; // "Characters outside Latin-1 are not sent" shown
};

class InputMethodPty : public KeyboardPty {
protected:
    void SetUp() override
    {
        KeyboardPty::SetUp();
        g_pStatusBar = &status;
        QObject::connect(&bar, &QStatusBar::messageChanged, [this](const QString& m) {
            if (m == "Characters outside Latin-1 are not sent") ++notices;
        });
    }
    void TearDown() override
    {
        g_pStatusBar = nullptr;
        KeyboardPty::TearDown();
    }
    void compose(const QString& preedit, const QString& commit)
    {
        QInputMethodEvent event(preedit, {});
        event.setCommitString(commit);
        QApplication::sendEvent(&win.view(), &event);
    }

    QStatusBar bar;
    CStatusBar status { &bar };
    int notices = 0;
};

TEST_F(InputMethodPty, CommittedLatinOneCharactersGoOutAsTypedOthersAreLeftOutWithOneNotice)
{
    EXPECT_TRUE(win.view().testAttribute(Qt::WA_InputMethodEnabled));
    const QString acute(QChar(0xB4)), euro(QChar(0x20AC));
    const ComposedCase cases[] = {
        { "dead acute + e", { { acute, {} }, { {}, QString(QChar(0xE9)) } }, "\xE9", 0 },
        { "input method word", { { "nai", {} }, { {}, QString::fromUtf8("na\xC3\xAFve") } }, "na\xEFve", 0 },
        { "outside Latin-1", { { {}, "a" + euro + euro + "b" } }, "ab", 1 },
        { "only outside Latin-1", { { {}, QString::fromUtf8("\xE2\x82\xAC\xF0\x9F\x98\x80") } }, "", 1 },
        { "preedit never committed", { { "ka", {} }, { {}, {} } }, "", 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        win.view().clear();
        bar.clearMessage();
        notices = 0;
        QString committed;
        for (const auto& [preedit, commit] : c.events) {
            compose(preedit, commit);
            committed += commit;
        }
        EXPECT_EQ(pty.readExactly(c.sent.size()), c.sent);
        expectNothingSent();
        EXPECT_EQ(notices, c.notices);
        EXPECT_TRUE(console().startsWith(committed)) << console().toStdString(); // shown in full, sent or not
    }
}

TEST(TypedBytes, EditingKeysWithOrWithoutPlatformText)
{
    for (const QString& text : { QString(), QStringLiteral("\r") })
        EXPECT_EQ(bytesOf(Qt::Key_Return, text), "\r");
    EXPECT_EQ(bytesOf(Qt::Key_Enter, {}, Qt::KeypadModifier), "\r");
    EXPECT_EQ(bytesOf(Qt::Key_Backspace, {}), "\b");
    EXPECT_EQ(bytesOf(Qt::Key_Tab, {}), "\t");
    EXPECT_EQ(bytesOf(Qt::Key_Backtab, {}, Qt::ShiftModifier), "\t");
    EXPECT_EQ(bytesOf(Qt::Key_Escape, {}), "\x1b");
}

TEST(TypedBytes, CtrlLetterIsItsControlCode)
{
    for (const QString& text : { QString(), QStringLiteral("d"), QStringLiteral("\x04") })
        EXPECT_EQ(bytesOf(Qt::Key_D, text, Qt::ControlModifier), "\x04");
    EXPECT_EQ(bytesOf(Qt::Key_A, {}, Qt::ControlModifier | Qt::ShiftModifier), "\x01");
    EXPECT_EQ(bytesOf(Qt::Key_Q, {}, Qt::ControlModifier), "\x11");
}

TEST(TypedBytes, ClipboardAndUndoKeysTypeNothing)
{
    const std::pair<int, Qt::KeyboardModifiers> keys[] = {
        { Qt::Key_V, Qt::ControlModifier },
        { Qt::Key_C, Qt::ControlModifier },
        { Qt::Key_X, Qt::ControlModifier },
        { Qt::Key_Z, Qt::ControlModifier },
        { Qt::Key_Insert, Qt::ShiftModifier },
        { Qt::Key_Insert, Qt::ControlModifier },
        { Qt::Key_Delete, Qt::ShiftModifier },
        { Qt::Key_Backspace, Qt::AltModifier },
    };
    for (auto [key, mods] : keys) {
        SCOPED_TRACE(QKeySequence(key | mods).toString().toStdString());
        EXPECT_TRUE(bytesOf(key, QStringLiteral("\x16"), mods).isEmpty());
    }
}

TEST(TypedBytes, CharactersMapAsLatinOneOrAreLeftOut)
{
    EXPECT_EQ(bytesOf(Qt::Key_Eacute, QString(QChar(0xE9))), "\xE9");
    EXPECT_EQ(bytesOf(Qt::Key_yen, QString(QChar(0xFF))), "\xFF");
    EXPECT_TRUE(bytesOf(0, QString(QChar(0x20AC))).isEmpty()); // not 0xAC, not '?'
    EXPECT_TRUE(bytesOf(0, QString::fromUtf8("\xF0\x9F\x98\x80")).isEmpty());
    EXPECT_EQ(bytesOf(0,
                  QString::fromUtf8("a\xE2\x82\xAC"
                                    "b")),
        "ab");
}

TEST(TypedBytes, KeysThatOnlyEditOrNavigateTypeNothing)
{
    EXPECT_TRUE(bytesOf(Qt::Key_Delete, QStringLiteral("\x7f")).isEmpty());
    EXPECT_TRUE(bytesOf(Qt::Key_Left, {}).isEmpty());
    EXPECT_TRUE(bytesOf(Qt::Key_X, QStringLiteral("x"), Qt::AltModifier).isEmpty());
    EXPECT_TRUE(bytesOf(Qt::Key_Shift, {}, Qt::ShiftModifier).isEmpty());
}

} // namespace
