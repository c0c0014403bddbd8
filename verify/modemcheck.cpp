#include "modemcheck.h"

#include <algorithm>
#include <thread>

namespace verify {

using namespace portio;

namespace {

struct Step {
    EscapeFunction function;
    uint32_t lines; // watcher's inputs that must follow
    bool on;
    const char* text;
};

constexpr Step Steps[] = {
    { EscapeFunction::SETRTS, MS_CTS_ON, true, "CTS does not follow RTS" },
    { EscapeFunction::SETDTR, MS_DSR_ON | MS_RLSD_ON, true, "DSR and DCD do not follow DTR" },
    { EscapeFunction::CLRRTS, MS_CTS_ON, false, "CTS does not follow RTS" },
    { EscapeFunction::CLRDTR, MS_DSR_ON | MS_RLSD_ON, false, "DSR and DCD do not follow DTR" },
    { EscapeFunction::SETRTS, MS_CTS_ON, true, "CTS does not follow RTS" },
    { EscapeFunction::SETDTR, MS_DSR_ON | MS_RLSD_ON, true, "DSR and DCD do not follow DTR" },
};

ModemCheck notAvailable(const PortError& e)
{
    return { ModemCheck::State::NotAvailable, e.text };
}

bool stopped(const std::atomic<bool>* stop)
{
    return stop && stop->load();
}

struct Followed {
    bool followed;
    std::chrono::milliseconds took;
};

// Modem lines settle in microseconds on a board, in a few milliseconds
// through a USB adapter: polled, since not every driver signals changes.
// A stopped run does not wait out the time-out of a line that never follows.
Result<Followed> follows(
    Port& watcher, const Step& step, std::chrono::milliseconds limit, const std::atomic<bool>* stop)
{
    const auto start = std::chrono::steady_clock::now();
    const auto took = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    };
    for (;;) {
        auto status = watcher.modemStatus();
        if (!status) return status.error();
        const uint32_t seen = *status & step.lines;
        if (seen == (step.on ? step.lines : 0)) return Followed { true, took() };
        if (took() >= limit || stopped(stop)) return Followed { false, took() };
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace

ModemCheck checkModemLines(
    Port& driver, Port& watcher, std::chrono::milliseconds timeout, const std::atomic<bool>* stop)
{
    if (auto s = watcher.modemStatus(); !s) return notAvailable(s.error());
    // A remote port learns of a change only when its server next looks.
    ModemCheck check { ModemCheck::State::Passed, {}, {}, std::max(timeout, watcher.modemStatusDelay()) };
    for (const Step& step : Steps) {
        if (auto e = driver.escape(step.function)) {
            if (e.code == ErrorCode::NotSupported) return notAvailable(e);
            return { ModemCheck::State::Failed, e.text, check.waited, check.limit };
        }
        auto ok = follows(watcher, step, check.limit, stop);
        if (!ok) return notAvailable(ok.error());
        if (stopped(stop)) return { ModemCheck::State::NotAvailable, "the run was stopped" };
        check.waited = std::max(check.waited, ok->took);
        if (!ok->followed) return { ModemCheck::State::Failed, step.text, check.waited, check.limit };
    }
    return check;
}

} // namespace verify
