#pragma once

#include "tests/support/waitfor.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

// The thread that owns a session, in a test: calls posted from other threads
// wait here until the test's own thread runs them, as an event loop would.
class OwnerQueue {
public:
    std::function<void(std::function<void()>)> poster()
    {
        return [this](std::function<void()> call) {
            std::lock_guard lock(m_mutex);
            m_calls.push_back(std::move(call));
            ++m_posted;
        };
    }
    // Runs what is queued now; the number of calls run so far.
    size_t runPending()
    {
        for (;;) {
            std::function<void()> call;
            {
                std::lock_guard lock(m_mutex);
                if (m_calls.empty()) return m_ran;
                call = std::move(m_calls.front());
                m_calls.pop_front();
                ++m_ran;
            }
            call();
        }
    }
    size_t posted() const
    {
        std::lock_guard lock(m_mutex);
        return m_posted;
    }
    // Waits for `cond`, running the posted calls meanwhile.
    bool waitFor(const std::function<bool()>& cond, std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        return ::waitFor(
            [&] {
                runPending();
                return cond();
            },
            limit);
    }

private:
    mutable std::mutex m_mutex;
    std::deque<std::function<void()>> m_calls;
    size_t m_posted = 0;
    size_t m_ran = 0;
};
