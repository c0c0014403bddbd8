#pragma once

#include "context.h"

#include <CLI/CLI.hpp>

#include <string>

namespace cli {

// vesperline-cli latency PORT [--count N] [--baud B]: one-byte round trips
// through a loopback plug or a peer that echoes.
class LatencyCommand {
public:
    CLI::App* add(CLI::App& app);
    int run(Context& context);

private:
    std::string m_port;
    int m_count = 100;
    uint32_t m_baud = 115200;
};

} // namespace cli
