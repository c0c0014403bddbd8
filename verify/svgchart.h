#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace verify {

// How one port's rate-over-time chart is drawn.
struct ChartSize {
    int width = 240;
    int height = 64;
    bool axes = false; // time and rate labels (the larger charts)
};

// An inline SVG of a report port's `timeline`: bytes per second over the
// sending time `spanS` (shared by every chart of a page, so that moments
// line up), the line rate `lineRate` (bytes per second) as a dashed line and
// each of its `events` as a red mark at its time.
std::string rateChartSvg(const nlohmann::json& port, double spanS, double lineRate, const ChartSize& size);

} // namespace verify
