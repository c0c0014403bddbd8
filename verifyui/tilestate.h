#pragma once

#include "verify/report.h"
#include "verify/verifyrun.h"

#include <optional>

namespace verifyui {

// What one port's tile shows at a glance.
// Busy: held by a console window, a torture run or another program.
enum class TileState : uint8_t { Waiting, RunningClean, Passed, Stopped, Error, FailedToOpen, Busy, NotAvailable };

// The words screen readers say after the port's name: "COM5, error".
const char* tileStateName(TileState state);
// While it runs, from its progress; once the run is over, from its report too.
TileState tileStateOf(const verify::PortProgress& progress, const verify::PortReport* report);

} // namespace verifyui
