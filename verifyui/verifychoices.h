#pragma once

#include "portsel/portlinesettings.h"
#include "verify/settings.h"

#include "portio/porterror.h"

#include <cstdint>
#include <string>
#include <vector>

namespace verifyui {

// What the Verify Ports dialog asks for, as the person typed it. The dialog
// keeps the last choices for the rest of the session.
struct VerifyChoices {
    bool portsAsList = false; // else first and count
    int firstCom = 3; // COMn of the first port
    int count = 96;
    std::string list = "COM3-COM98";
    LineSettingsValue line { 115200, 8, 0, 0, false, false };
    std::string wiring = "loopback";
    verify::ModemLines modemLines = verify::ModemLines::Check;
    bool byBytes = false; // else for a time
    double durationS = 10;
    uint64_t bytes = 1 << 20; // per port
    double minRate = 0.9;
};

// A run ready to start: the ports, the port each one receives from, the settings.
struct VerifyPlan {
    std::vector<std::string> ports;
    std::vector<int> sources;
    verify::VerifySettings settings;
};

// The run the choices describe, or why they do not describe one.
portio::Result<VerifyPlan> planRun(const VerifyChoices& choices);
// The port list the choices name, in the form the port list parser reads.
std::string portListText(const VerifyChoices& choices);

} // namespace verifyui
