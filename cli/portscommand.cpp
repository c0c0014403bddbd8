#include "portscommand.h"

#include "portio/portdescription.h"

#include <nlohmann/json.hpp>

#include <iostream>

namespace cli {

namespace {

struct PresentPort {
    std::string name, device;
    portio::PortDescription about;
};

std::vector<PresentPort> presentPorts(Context& context)
{
    std::vector<PresentPort> ports;
    for (const auto& name : candidateNames(context.devices)) {
        auto device = context.ns.query(name);
        if (!device || context.ns.probe(name)) continue;
        ports.push_back({ name, *device, portio::describePort(*device) });
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
            j.push_back({ { "port", p.name }, { "device", p.device }, { "description", p.about.text() },
                { "vendor", p.about.vendor }, { "model", p.about.model }, { "serial", p.about.serial },
                { "driver", p.about.driver }, { "hardware_id", p.about.hardwareId } });
        std::cout << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
        return 0;
    }
    for (const auto& p : ports)
        std::cout << p.name << "\t" << p.device << "\t" << p.about.text() << "\n";
    return 0;
}

} // namespace cli
