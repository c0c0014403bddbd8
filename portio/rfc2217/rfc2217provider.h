#pragma once

#include "portio/portprovider.h"

#include <mutex>
#include <vector>

namespace portio {

class OpenAbort;

// Remote ports "rfc2217://HOST:PORT": connects only when a port is opened,
// and only to the host and port the target names.
class Rfc2217Provider final : public PortProvider {
public:
    bool owns(std::string_view target) const override;
    Status checkTarget(std::string_view target) const override;
    Result<PortPtr> open(std::string_view target, Access access, OpenPurpose purpose) override;
    void abortOpens(std::string_view target) override;

private:
    std::mutex m_mutex;
    struct Opening {
        std::string target;
        OpenAbort* abort;
    };
    std::vector<Opening> m_opening; // the opens under way
};

} // namespace portio
