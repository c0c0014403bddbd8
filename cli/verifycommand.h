#pragma once

#include "context.h"

#include "verify/report.h"

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace cli {

// vesperline-cli verify PORTS [options]
class VerifyCommand {
public:
    CLI::App* add(CLI::App& app);
    int run(Context& context);

private:
    verify::VerifySettings settings() const;
    bool writeReports(const verify::RunReport& report) const; // false when a file could not be written

    std::vector<std::string> m_ports;
    uint32_t m_baud = 115200;
    int m_dataBits = 8;
    std::string m_parity = "none";
    std::string m_stopBits = "1";
    std::string m_flow = "none";
    std::string m_wiring = "loopback";
    std::string m_modemLines = "check";
    std::string m_duration = "10s";
    uint64_t m_bytes = 0;
    double m_minRate = 0.9;
    std::string m_drain = "2s";
    std::string m_report, m_junit, m_csv;
    std::string m_html;
    bool m_quiet = false;
    CLI::Option* m_durationOpt = nullptr;
    CLI::Option* m_bytesOpt = nullptr;
};

} // namespace cli
