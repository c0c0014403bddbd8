#include "context.h"
#include "latencycommand.h"
#include "portscommand.h"
#include "reportcommand.h"
#include "usageerror.h"
#include "verifycommand.h"

#include "res/version.h"

#include <CLI/CLI.hpp>

#include <iostream>

namespace {

constexpr int UsageStatus = 2;

int usageError(const std::string& message)
{
    std::cerr << "vesperline-cli: " << message << "\n";
    return UsageStatus;
}

bool isCommand(const std::string& name)
{
    return name == "ports" || name == "verify" || name == "latency" || name == "report";
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app { "Vesperline from the command line: lists ports, verifies them under load, times round trips",
        "vesperline-cli" };
    app.set_version_flag("--version", std::string("vesperline-cli ") + VESPERLINE_VERSION);
    app.require_subcommand(1, 1);
    app.fallthrough();
    cli::DeviceOptions devices;
    std::string board;
    auto* boardOpt = app.add_flag("--virtual-board{loopback}", board,
        "installs the simulated board (wiring loopback, pairs or open, or key=value items)");
    app.add_option("--map-file", devices.mapFile, "reads NAME=TARGET definitions, one a line; --map overrides them");
    app.add_option("--map", devices.maps, "defines a device name, e.g. COM3=/dev/ttyUSB0; repeatable");
    cli::PortsCommand ports;
    cli::VerifyCommand verify;
    cli::LatencyCommand latency;
    cli::ReportCommand report;
    auto* portsApp = ports.add(app);
    auto* verifyApp = verify.add(app);
    auto* latencyApp = latency.add(app);
    auto* reportApp = report.add(app);
    if (argc > 1 && argv[1][0] != '-' && !isCommand(argv[1]))
        return usageError(std::string("unknown command \"") + argv[1] + "\" (ports, verify, latency, report)");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        return usageError(e.what());
    }
    if (boardOpt->count()) devices.virtualBoard = board;
    portio::DeviceNamespace ns;
    if (auto problem = cli::installDevices(ns, devices); !problem.empty()) return usageError(problem);
    cli::Context context { ns, devices };
    try {
        if (*portsApp) return ports.run(context);
        if (*verifyApp) return verify.run(context);
        if (*latencyApp) return latency.run(context);
        if (*reportApp) return report.run();
    } catch (const cli::UsageError& e) {
        return usageError(e.what());
    }
    return UsageStatus;
}
