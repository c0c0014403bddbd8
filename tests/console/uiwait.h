#pragma once

#include <QCoreApplication>

#include <chrono>
#include <functional>
#include <thread>

// Runs the event loop until the condition holds or the limit has passed.
inline bool uiWaitFor(const std::function<bool()>& cond, std::chrono::milliseconds limit = std::chrono::seconds(5))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!cond()) {
        if (std::chrono::steady_clock::now() >= end) return cond();
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
