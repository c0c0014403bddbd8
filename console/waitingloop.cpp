#include "waitingloop.h"

#include <QEventLoop>
#include <QMetaObject>

#include <atomic>
#include <thread>

void runExcludingUserInput(const std::function<void()>& work)
{
    QEventLoop loop;
    std::atomic<bool> done { false };
    std::thread helper([&] {
        work();
        done = true;
        // Queued, so it is handled inside exec() even when the work ends first.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    while (!done)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    helper.join();
}
