#pragma once

#include "port.h"

#include <string_view>

namespace portio {

// A source of ports that are not device nodes (the virtual board, remote
// ports). The device namespace hands it every target it claims.
class PortProvider {
public:
    virtual ~PortProvider() = default;
    // True for targets of this provider (for example "vboard:5").
    virtual bool owns(std::string_view target) const = 0;
    // Whether a target it owns is well formed, for define(); opening is the real test.
    virtual Status checkTarget(std::string_view target) const { return okStatus(); }
    // Exclusive open of one of its ports.
    virtual Result<PortPtr> open(std::string_view target, Access access, OpenPurpose purpose) = 0;
    // Ends the opens of `target` under way now, as Aborted, where an open
    // can wait (for a remote server); opens that start later are not affected.
    virtual void abortOpens(std::string_view target) { }
};

} // namespace portio
