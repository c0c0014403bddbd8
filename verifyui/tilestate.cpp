#include "tilestate.h"

namespace verifyui {

const char* tileStateName(TileState state)
{
    switch (state) {
    case TileState::Waiting:
        return "waiting";
    case TileState::RunningClean:
        return "running clean";
    case TileState::Passed:
        return "passed";
    case TileState::Stopped:
        return "stopped";
    case TileState::Error:
        return "error";
    case TileState::FailedToOpen:
        return "failed to open";
    case TileState::Busy:
        return "busy";
    default:
        return "not available";
    }
}

TileState tileStateOf(const verify::PortProgress& p, const verify::PortReport* report)
{
    if (p.openError) {
        // Held by another is not a fault of the port: it says so.
        if (*p.openError == portio::ErrorCode::Busy) return TileState::Busy;
        return *p.openError == portio::ErrorCode::NotFound ? TileState::NotAvailable : TileState::FailedToOpen;
    }
    if (report) {
        if (report->pass) return TileState::Passed;
        // Stopped before it was done, with nothing wrong found.
        return report->reason == "interrupted" ? TileState::Stopped : TileState::Error;
    }
    if (!p.failure.empty() || !p.reason.empty() || p.stream.total() > 0) return TileState::Error;
    return p.phase == verify::PortProgress::Phase::Waiting ? TileState::Waiting : TileState::RunningClean;
}

} // namespace verifyui
