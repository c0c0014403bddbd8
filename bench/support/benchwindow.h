#pragma once

#include "bench/support/fixedfileui.h"
#include "shell/splitterframe.h"
#include "tests/console/consolewindow.h"

#include <QString>

#include <string>

// One console window as the program builds it (900 x 600, shown) with its
// port COM2 standing for `device`, connected; `captureFile` answers the
// capture's file dialog. Ends the benchmark when the port does not open.
// The port is closed and COM2 forgotten when the window goes.
class BenchWindow {
public:
    explicit BenchWindow(const std::string& device, const QString& captureFile = {});
    ~BenchWindow();
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;

    CSplitterFrame& frame() { return m_frame; }
    CVesperlineView& view() const { return *m_frame.m_pConsoleView; }
    CRecView& pane() const { return *m_frame.m_pRecView; }

private:
    FixedFileUi m_ui; // a message goes to stderr
    ConsoleParts m_parts;
    CSplitterFrame m_frame;
};
