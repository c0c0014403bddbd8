#pragma once

#include "shell/splitterframe.h"
#include "shell/vesperlinedoc.h"

#include "console/commandtable.h"
#include "console/consolecommands.h"
#include "consoleui/recview.h"
#include "consoleui/vesperlineview.h"
#include "portio/devicenamespace.h"
#include "tests/support/ptypair.h"
#include "tests/support/testdevices.h"

#include <gtest/gtest.h>

#include <memory>

// What the shell hands a console window: every command, the tests' devices
// and the test's stand-in for the person at the screen.
struct ConsoleParts {
    explicit ConsoleParts(UiServices& ui)
        : environment { testDevices(), commands, ui }
    {
    }
    static ConsoleCommandTable allCommands()
    {
        ConsoleCommandTable table;
        registerConsoleCommands(table);
        return table;
    }

    ConsoleCommandTable commands = allCommands();
    ConsoleEnvironment environment;
};

// One console window, as the shell builds it, outside any main frame.
struct ConsoleWindow : ConsoleParts {
    using ConsoleParts::ConsoleParts;
    std::unique_ptr<CSplitterFrame> frame { new CSplitterFrame(new CVesperlineDoc, environment) };
    CVesperlineView& view() const { return *frame->m_pConsoleView; }
    CRecView& pane() const { return *frame->m_pRecView; }
    QString shown() const { return frame->m_pRecView->toPlainText(); }
    bool connect(const char* portName)
    {
        view().m_portCtx.portName = portName;
        return view().OpenPort() != 0;
    }
};

// A console window connected to its own pseudo-terminal, named `name`.
struct PtyConsole {
    PtyConsole(UiServices& ui, const char* name)
        : name(name)
        , win(ui)
    {
        EXPECT_TRUE(testDevices().define(name, pty.slavePath()).ok());
        EXPECT_TRUE(win.connect(name));
    }
    ~PtyConsole() { testDevices().undefine(name); }
    CVesperlineView& view() { return win.view(); }
    std::string name;
    PtyPair pty;
    ConsoleWindow win;
};
