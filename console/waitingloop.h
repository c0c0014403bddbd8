#pragma once

#include <functional>
#include <future>
#include <type_traits>

// Runs `work` on a helper thread while the calling (user-interface) thread
// keeps its windows painted and its timers running but takes no user input,
// and returns when the work has ended. For port operations that block (a
// write up to its time-out, a 20-second receive test).
void runExcludingUserInput(const std::function<void()>& work);

template <class F> auto runWhileWaiting(F work) -> std::invoke_result_t<F>
{
    using R = std::invoke_result_t<F>;
    std::packaged_task<R()> task(std::move(work));
    auto result = task.get_future();
    runExcludingUserInput([&task] { task(); });
    return result.get();
}
