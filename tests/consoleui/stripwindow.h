#pragma once

#include "tests/console/consolewindow.h"
#include "tests/console/uiwait.h"

#include "consoleui/linestatusstrip.h"

#include <QAbstractButton>
#include <QLabel>

// A console window with its line status strip, found as a screen reader
// finds it: by accessible names.
struct StripWindow : ConsoleWindow {
    using ConsoleWindow::ConsoleWindow;
    LineStatusStrip& strip() const { return *frame->lineStatusStrip(); }

    QWidget* part(const QString& name) const
    {
        for (auto* w : strip().findChildren<QWidget*>())
            if (w->accessibleName() == name) return w;
        return nullptr;
    }
    QString described(const QString& name) const
    {
        const QWidget* w = part(name);
        return w ? w->accessibleDescription() : QStringLiteral("<no %1>").arg(name);
    }
    void click(const QString& name) const
    {
        if (auto* b = qobject_cast<QAbstractButton*>(part(name))) b->click();
    }
    // Waits until the strip shows `cond` of its state.
    bool shows(const std::function<bool(const linestatus::LineState&)>& cond) const
    {
        return uiWaitFor([&] { return cond(strip().state()); });
    }
};
