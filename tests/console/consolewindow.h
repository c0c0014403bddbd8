#pragma once

#include "shell/splitterframe.h"
#include "shell/vesperlinedoc.h"

#include "console/recview.h"
#include "console/vesperlineview.h"

#include <memory>

// One console window, as the shell builds it, outside any main frame.
struct ConsoleWindow {
    std::unique_ptr<CSplitterFrame> frame { new CSplitterFrame(new CVesperlineDoc) };
    CVesperlineView& view() const { return *frame->m_pConsoleView; }
    CRecView& pane() const { return *frame->m_pRecView; }
    QString shown() const { return frame->m_pRecView->toPlainText(); }
    bool connect(const char* portName)
    {
        view().m_portCtx.portName = portName;
        return view().OpenPort() != 0;
    }
};
