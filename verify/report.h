#pragma once

#include "settings.h"
#include "streamcounts.h"
#include "timeline.h"

#include "portio/linecounters.h"

#include <chrono>
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
    std::chrono::milliseconds waited { 0 }; // the longest a line took to follow
    std::chrono::milliseconds limit { 0 }; // how long each line was given
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
    PortTimeline timeline;
};

struct RunReport {
    bool pass = false;
    bool interrupted = false;
    double durationS = 0;
    std::chrono::system_clock::time_point started {};
    // Set by the program that ran it: the machine's name and its own version.
    std::string host;
    std::string version;
    VerifySettings settings;
    std::vector<PortReport> ports;
};

// Decides a port's result from its counts; the first reason found is kept.
void judge(PortReport& port, const VerifySettings& settings);
// The first fault in a receiver's counts ("12 bytes lost"), or nothing;
// `misroutedFrom` names the ports whose data came instead, when known.
std::string streamFault(const StreamCounts& counts, const std::vector<std::string>& misroutedFrom);

} // namespace verify
