#include "rfc2217port.h"

namespace portio {

// The RFC 2217 client runs on POSIX sockets and poll(); the Windows build
// names such targets but cannot open them yet.
Result<PortPtr> Rfc2217Port::open(const Rfc2217Target& target, Access, OpenPurpose)
{
    return makeError(ErrorCode::NotSupported, "remote ports (rfc2217://) are not available in the Windows build");
}

} // namespace portio
