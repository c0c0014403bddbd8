#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace cli {

// vesperline-cli report RUN.json --html FILE: the page of a saved report.
class ReportCommand {
public:
    CLI::App* add(CLI::App& app);
    int run();

private:
    std::string m_input;
    std::string m_html;
};

} // namespace cli
