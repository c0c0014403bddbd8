#include "verifycommand.h"

#include "interrupt.h"
#include "lineoptions.h"
#include "outputfile.h"
#include "progressline.h"
#include "usageerror.h"

#include "hostname.h"

#include "res/version.h"
#include "verify/htmlreport.h"
#include "verify/jsonreport.h"
#include "verify/portlist.h"
#include "verify/textreports.h"
#include "verify/verifyrun.h"

#include <fstream>
#include <iostream>

namespace cli {

namespace {

template <class T> T need(const std::optional<T>& v, const std::string& option, const std::string& given)
{
    if (!v) throw UsageError(option + ": \"" + given + "\" is not a valid value");
    return *v;
}

std::string joined(const std::vector<std::string>& items)
{
    std::string s;
    for (const auto& i : items)
        s += (s.empty() ? "" : ",") + i;
    return s;
}

} // namespace

CLI::App* VerifyCommand::add(CLI::App& app)
{
    auto* c = app.add_subcommand("verify", "Sends a checked pattern through the ports and reports every fault");
    c->add_option("ports", m_ports, "COM3-COM98, COM3,COM5 or device paths")->required();
    c->add_option("--baud", m_baud, "baud rate")->capture_default_str()->check(CLI::Range(1u, 0x7FFFFFFFu));
    c->add_option("--data-bits", m_dataBits, "5 to 8")->capture_default_str()->check(CLI::Range(5, 8));
    c->add_option("--parity", m_parity, "none|odd|even|mark|space")->capture_default_str();
    c->add_option("--stop-bits", m_stopBits, "1|1.5|2")->capture_default_str();
    c->add_option("--flow", m_flow, "none|rtscts|xonxoff")->capture_default_str();
    c->add_option("--wiring", m_wiring, "loopback|pairs|COMa:COMb,...")->capture_default_str();
    c->add_option("--modem-lines", m_modemLines, "check|skip (skip: the cable carries no modem lines)")
        ->capture_default_str();
    m_durationOpt = c->add_option("--duration", m_duration, "how long to send, e.g. 60s")->capture_default_str();
    m_bytesOpt
        = c->add_option("--bytes", m_bytes, "bytes to send per port")->check(CLI::Range(uint64_t(1), UINT64_MAX));
    m_durationOpt->excludes(m_bytesOpt);
    c->add_option("--min-rate", m_minRate, "least throughput as a fraction of line rate (0: not checked)")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 100.0));
    c->add_option("--drain-timeout", m_drain, "how long to wait for bytes in flight")->capture_default_str();
    c->add_option("--report", m_report, "JSON report file");
    c->add_option("--junit", m_junit, "JUnit XML file");
    c->add_option("--csv", m_csv, "CSV file");
    c->add_option("--html", m_html, "HTML page with charts, one self-contained file");
    c->add_flag("--quiet", m_quiet, "no progress and no table, only the result line");
    return c;
}

verify::VerifySettings VerifyCommand::settings() const
{
    verify::VerifySettings s;
    s.line.baud = m_baud;
    s.line.dataBits = uint8_t(m_dataBits);
    s.line.parity = need(parityCode(m_parity), "--parity", m_parity);
    s.line.stopBits = need(stopBitsCode(m_stopBits), "--stop-bits", m_stopBits);
    s.line.flow = need(flowCode(m_flow), "--flow", m_flow);
    s.wiring = m_wiring;
    s.modemLines = need(modemLinesChoice(m_modemLines), "--modem-lines", m_modemLines);
    if (m_bytesOpt->count())
        s.bytes = m_bytes;
    else
        s.duration = need(parseDuration(m_duration), "--duration", m_duration);
    s.minRate = m_minRate;
    s.drainTimeout = need(parseDuration(m_drain), "--drain-timeout", m_drain);
    return s;
}

int VerifyCommand::run(Context& context)
{
    const auto s = settings();
    auto ports = verify::parsePortList(joined(m_ports));
    if (!ports) throw UsageError(ports.error().text);
    auto sources = verify::planWiring(m_wiring, *ports);
    if (!sources) throw UsageError(sources.error().text);
    catchInterrupts();
    ProgressLine progress(m_quiet);
    verify::VerifyRun run(context.ns, *ports, *sources, s, &interruptFlag());
    auto report = run.run([&](const verify::Progress& p) { progress.show(p); });
    report.host = hostName();
    report.version = std::string("vesperline-cli ") + VESPERLINE_VERSION;
    progress.end();
    // A report the test log was promised but did not get fails the run.
    const bool written = writeReports(report);
    const std::string table = verify::summaryTable(report);
    // Flushed now: the process may take a moment more to end.
    std::cout << (m_quiet ? table.substr(table.rfind('\n', table.size() - 2) + 1) : table) << std::flush;
    return report.pass && written ? 0 : 1;
}

bool VerifyCommand::writeReports(const verify::RunReport& report) const
{
    bool ok = true;
    if (!m_report.empty()) ok &= writeFile(m_report, verify::jsonText(report));
    if (!m_junit.empty()) ok &= writeFile(m_junit, verify::junitXml(report));
    if (!m_csv.empty()) ok &= writeFile(m_csv, verify::csvTable(report));
    // From the JSON as written, so that the page shows the file's own numbers.
    if (!m_html.empty()) ok &= writeFile(m_html, verify::htmlReport(nlohmann::json::parse(verify::jsonText(report))));
    return ok;
}

} // namespace cli
