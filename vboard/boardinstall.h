#pragma once

#include "virtualboard.h"

#include "portio/devicenamespace.h"

#include <memory>

namespace vboard {

// Makes a board and serves its ports in the namespace as COM<first> ...;
// the namespace keeps the board alive until removeBoard().
std::shared_ptr<VirtualBoard> installVirtualBoard(portio::DeviceNamespace& ns, const BoardConfig& config);

} // namespace vboard
