#include "latencycommand.h"

#include "verify/latency.h"

#include <cstdio>

namespace cli {

CLI::App* LatencyCommand::add(CLI::App& app)
{
    auto* c = app.add_subcommand("latency", "Times one-byte round trips (loopback plug or echoing peer)");
    c->add_option("port", m_port, "COM name or device path")->required();
    c->add_option("--count", m_count, "round trips")->capture_default_str()->check(CLI::Range(1, 1000000));
    c->add_option("--baud", m_baud, "baud rate")->capture_default_str()->check(CLI::Range(1u, 0x7FFFFFFFu));
    return c;
}

int LatencyCommand::run(Context& context)
{
    auto port = context.ns.open(m_port, portio::Access::ReadWrite);
    if (!port) {
        std::fprintf(stderr, "%s: cannot be opened: %s\n", m_port.c_str(), port.error().text.c_str());
        return 1;
    }
    verify::LineSettings line;
    line.baud = m_baud;
    auto result = (*port)->setState(verify::toDcb(line));
    if (result) {
        std::fprintf(stderr, "%s: line settings refused: %s\n", m_port.c_str(), result.text.c_str());
        return 1;
    }
    auto stats = verify::measureLatency(**port, **port, m_count, std::chrono::seconds(1));
    (*port)->close();
    if (!stats) {
        std::fprintf(stderr, "%s: %s\n", m_port.c_str(), stats.error().text.c_str());
        return 1;
    }
    std::printf(
        "%s: %d round trips, median %.0f us, p99 %.0f us\n", m_port.c_str(), m_count, stats->medianUs, stats->p99Us);
    return 0;
}

} // namespace cli
