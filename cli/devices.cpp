#include "devices.h"

#include "vboard/boardconfig.h"
#include "vboard/boardinstall.h"

#include "portio/mapfile.h"

namespace cli {

namespace {

std::string installMapFile(portio::DeviceNamespace& ns, const std::string& path)
{
    auto entries = portio::readMapFile(path);
    if (!entries) return "--map-file " + entries.error().text;
    for (const auto& [d, where] : *entries)
        if (auto e = ns.define(d.name, d.target))
            return "--map-file " + where + ": " + d.name + "=" + d.target + ": " + e.text;
    return {};
}

} // namespace

std::string installDevices(portio::DeviceNamespace& ns, const DeviceOptions& options)
{
    if (options.virtualBoard) {
        auto config = vboard::parseBoardOption(*options.virtualBoard);
        if (!config) return config.error().text;
        const auto board = vboard::installVirtualBoard(ns, *config);
        // Another program would look for an exposed end in vain: say why.
        if (const auto& e = board->exposeStatus()) return "--virtual-board: " + e.text;
    }
    if (!options.mapFile.empty())
        if (auto problem = installMapFile(ns, options.mapFile); !problem.empty()) return problem;
    for (const auto& map : options.maps)
        if (auto e = ns.defineFromMapOption(map)) return "--map " + map + ": " + e.text;
    return {};
}

std::vector<std::string> candidateNames(const DeviceOptions& options)
{
    int last = 99;
    if (options.virtualBoard)
        if (auto config = vboard::parseBoardOption(*options.virtualBoard))
            last = std::max(last, config->firstCom + config->ports - 1);
    std::vector<std::string> names;
    for (int n = 1; n <= last; ++n)
        names.push_back("COM" + std::to_string(n));
    return names;
}

} // namespace cli
