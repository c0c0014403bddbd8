#include "portscommand.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <iostream>

namespace cli {

namespace {

namespace fs = std::filesystem;

struct PresentPort {
    std::string name, device, description;
};

// The kernel driver's name, where sysfs has one.
std::string description(const std::string& device)
{
    if (device.starts_with("vboard:")) return "virtual board port";
    if (device.starts_with("/dev/pts/")) return "pseudo-terminal";
    std::error_code ec;
    const auto driver
        = fs::read_symlink(fs::path("/sys/class/tty") / fs::path(device).filename() / "device" / "driver", ec);
    return ec ? std::string() : driver.filename().string();
}

std::vector<PresentPort> presentPorts(Context& context)
{
    std::vector<PresentPort> ports;
    for (const auto& name : candidateNames(context.devices)) {
        auto device = context.ns.query(name);
        if (!device || context.ns.probe(name)) continue;
        ports.push_back({ name, *device, description(*device) });
    }
    return ports;
}

} // namespace

CLI::App* PortsCommand::add(CLI::App& app)
{
    auto* c = app.add_subcommand("ports", "Lists the ports present: COM name, device, description");
    c->add_flag("--json", m_json, "as a JSON array");
    return c;
}

int PortsCommand::run(Context& context)
{
    const auto ports = presentPorts(context);
    if (m_json) {
        nlohmann::json j = nlohmann::json::array();
        for (const auto& p : ports)
            j.push_back({ { "port", p.name }, { "device", p.device }, { "description", p.description } });
        std::cout << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
        return 0;
    }
    for (const auto& p : ports)
        std::cout << p.name << "\t" << p.device << "\t" << p.description << "\n";
    return 0;
}

} // namespace cli
