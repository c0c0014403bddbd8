#include "boardinstall.h"

namespace vboard {

std::shared_ptr<VirtualBoard> installVirtualBoard(portio::DeviceNamespace& ns, const BoardConfig& config)
{
    auto board = std::make_shared<VirtualBoard>(config);
    ns.installBoard(board, board->names());
    return board;
}

} // namespace vboard
