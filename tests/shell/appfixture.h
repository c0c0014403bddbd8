#pragma once

#include "shell/mainframe.h"
#include "shell/splitterframe.h"
#include "shell/vesperlineapp.h"
#include "shell/vesperlinedoc.h"

#include "tests/support/qtfakeuiservices.h"

#include <QCoreApplication>
#include <QEvent>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <memory>

// The application started as from a command line, with the fake services
// and profile settings kept away from the user's.
class AppTest : public ::testing::Test {
protected:
    void start(QStringList args = {})
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName("VesperlineTest");
        QCoreApplication::setApplicationName("VesperlineTest");
        args.prepend("vesperline");
        g_threadCount = 0; // a document opened from a file lowers it without having raised it
        app = std::make_unique<CVesperlineApp>(ui);
        ASSERT_TRUE(app->InitInstance(args));
    }
    void TearDown() override
    {
        app.reset();
        flushDeletes();
    }
    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    CMainFrame& frame() { return *app->mainFrame(); }
    QStringList titles()
    {
        QStringList t;
        for (auto* f : frame().frames())
            t << f->windowTitle();
        return t;
    }

    FakeUiServices ui;
    std::unique_ptr<CVesperlineApp> app;
};
