#include "reportcommand.h"

#include "outputfile.h"

#include "verify/htmlreport.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <iostream>
#include <sstream>

namespace cli {

namespace {

// A verify report has these; anything else would make an empty page.
bool looksLikeReport(const nlohmann::json& j)
{
    return j.is_object() && j.contains("result") && j.contains("settings") && j.contains("ports")
        && j["ports"].is_array() && j["settings"].is_object();
}

} // namespace

CLI::App* ReportCommand::add(CLI::App& app)
{
    auto* c = app.add_subcommand("report", "Makes the HTML page of a saved JSON report (verify --report)");
    c->add_option("report", m_input, "the JSON report")->required();
    c->add_option("--html", m_html, "the HTML page to write")->required();
    return c;
}

int ReportCommand::run()
{
    std::ifstream in(m_input, std::ios::binary);
    if (!in) {
        std::cerr << "vesperline-cli: cannot read " << m_input << "\n";
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    const auto report = nlohmann::json::parse(text.str(), nullptr, false);
    if (report.is_discarded() || !looksLikeReport(report)) {
        std::cerr << "vesperline-cli: " << m_input << " is not a report of vesperline-cli verify\n";
        return 1;
    }
    std::string page;
    try {
        page = verify::htmlReport(report);
    } catch (const nlohmann::json::exception& e) {
        // A field of the wrong type: say so rather than write half a page.
        std::cerr << "vesperline-cli: " << m_input << " is not a report of vesperline-cli verify: " << e.what() << "\n";
        return 1;
    }
    return writeFile(m_html, page) ? 0 : 1;
}

} // namespace cli
