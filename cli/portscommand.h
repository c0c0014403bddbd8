#pragma once

#include "context.h"

#include <CLI/CLI.hpp>

namespace cli {

// vesperline-cli ports [--json]
class PortsCommand {
public:
    CLI::App* add(CLI::App& app);
    int run(Context& context);

private:
    bool m_json = false;
};

} // namespace cli
