// A command that waits on its port keeps the event loop turning, refuses to
// let its window close, and hands back the work's result.
#include "consolewindow.h"

#include "tests/support/qtfakeuiservices.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

TEST(RunWaiting, EventsRunWhileWaitingAndTheWindowCannotClose)
{
    FakeUiServices ui;
    ConsoleWindow win { ui };
    win.frame->show();
    std::atomic<bool> timerRan { false };
    bool busyInside = false;
    bool closed = true;
    QTimer::singleShot(0, [&] {
        busyInside = win.view().isBusy();
        closed = win.frame->close();
        timerRan = true;
    });
    const int result = win.view().runWaiting([&] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!timerRan && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return 42;
    });
    EXPECT_EQ(result, 42);
    EXPECT_TRUE(timerRan);
    EXPECT_TRUE(busyInside);
    EXPECT_FALSE(closed);
    EXPECT_TRUE(win.frame->isVisible());
    EXPECT_FALSE(win.view().isBusy());
}

TEST(CommandTable, CommandWithoutHandlerIsRefused)
{
    FakeUiServices ui;
    ConsoleWindow win { ui };
    EXPECT_FALSE(win.view().hasCommand(1));
    EXPECT_FALSE(win.view().runCommand(1));
}

} // namespace
