#pragma once

#include "settings.h"
#include "streamcounts.h"

#include "portio/linecounters.h"

#include <optional>
#include <string>
#include <vector>

namespace verify {

struct LatencyStats {
    double medianUs = 0;
    double p99Us = 0;
};

// The handshake-line check: passed, failed (with what did not follow), not
// available where the port has no modem lines, or skipped on request (a
// cable that carries none).
struct ModemCheck {
    enum class State : uint8_t { NotAvailable, Passed, Failed, Skipped };
    State state = State::NotAvailable;
    std::string detail;
};

const char* modemStateName(ModemCheck::State state);

struct PortReport {
    std::string port; // as listed
    std::string device; // what the name stands for
    std::string source; // the port whose data this one receives
    bool pass = false;
    std::string reason; // why it failed; empty when it passed
    uint64_t bytesSent = 0; // by the source, for this port
    uint64_t bytesReceived = 0;
    StreamCounts stream;
    std::optional<portio::LineCounters> lineErrors; // nullopt: not available
    double lineRateFraction = 0;
    std::optional<LatencyStats> latency;
    ModemCheck modem;
    std::optional<FirstError> firstError;
    std::vector<std::string> misroutedFrom;
};

struct RunReport {
    bool pass = false;
    bool interrupted = false;
    double durationS = 0;
    VerifySettings settings;
    std::vector<PortReport> ports;
};

// Decides a port's result from its counts; the first reason found is kept.
void judge(PortReport& port, const VerifySettings& settings);
// The first fault in a receiver's counts ("12 bytes lost"), or nothing;
// `misroutedFrom` names the ports whose data came instead, when known.
std::string streamFault(const StreamCounts& counts, const std::vector<std::string>& misroutedFrom);

} // namespace verify
