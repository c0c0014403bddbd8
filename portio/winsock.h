#pragma once

#include "porterror.h"

#include <string>

// Windows build only: what every user of Winsock needs first.
namespace portio {

// Starts Winsock (WSAStartup) once for the process; later calls return what
// the first one found.
const Status& startWinsock();
// Turns a Winsock error code (WSAGetLastError()) into the enum in one place,
// with the system's own text for it; `what` names the operation. osErrno
// carries the Winsock code.
PortError socketError(int err, const std::string& what);
PortError lastSocketError(const std::string& what);

} // namespace portio
