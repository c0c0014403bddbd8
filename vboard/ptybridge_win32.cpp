#include "ptybridge.h"

namespace vboard {

// Windows has no pseudo-terminals to expose board ports on; the board works
// without them and says so.
PtyBridge::PtyBridge(std::shared_ptr<BoardCore> core, const std::vector<int>&, std::unique_ptr<ExposedLinks> links)
    : m_core(std::move(core))
    , m_links(std::move(links))
    , m_status(portio::makeError(portio::ErrorCode::NotSupported,
          "exposed ports need pseudo-terminals, which the Windows build does not have"))
{
}

PtyBridge::~PtyBridge() = default;

std::string PtyBridge::ptyPath(int) const
{
    return {};
}

} // namespace vboard
