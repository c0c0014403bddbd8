#include "svgchart.h"

#include "markup.h"

#include <algorithm>
#include <cstdio>

namespace verify {

using nlohmann::json;

namespace {

std::string number(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    return text;
}

std::string rateLabel(double bytesPerSecond)
{
    char text[32];
    if (bytesPerSecond >= 1000)
        std::snprintf(text, sizeof text, "%.1f kB/s", bytesPerSecond / 1000);
    else
        std::snprintf(text, sizeof text, "%.0f B/s", bytesPerSecond);
    return text;
}

struct Frame {
    double left, top, width, height, spanS, top_rate;

    double x(double s) const { return left + width * std::clamp(s / spanS, 0.0, 1.0); }
    double y(double rate) const { return top + height * (1 - std::clamp(rate / top_rate, 0.0, 1.0)); }
};

// The rate as a step line: each interval's bytes spread over the interval.
std::string ratePath(const json& timeline, const Frame& f)
{
    const double interval = timeline.value("interval_s", 0.0);
    const auto& bytes = timeline["bytes_received"];
    if (interval <= 0 || bytes.empty()) return {};
    std::string d = "M" + number(f.x(0)) + " " + number(f.y(0));
    for (size_t i = 0; i < bytes.size(); ++i) {
        const double y = f.y(bytes[i].get<double>() / interval);
        d += " L" + number(f.x(double(i) * interval)) + " " + number(y) + " L" + number(f.x(double(i + 1) * interval))
            + " " + number(y);
    }
    return "<path class=\"rate\" d=\"" + d + "\"/>";
}

std::string eventMarks(const json& events, const Frame& f)
{
    std::string s;
    for (const auto& e : events) {
        const std::string x = number(f.x(e.value("time_s", 0.0)));
        s += "<line class=\"event\" x1=\"" + x + "\" y1=\"" + number(f.top) + "\" x2=\"" + x + "\" y2=\""
            + number(f.top + f.height) + "\"><title>" + markupEscaped(e.value("kind", std::string())) + " "
            + std::to_string(e.value("count", uint64_t(0))) + " at " + number(e.value("time_s", 0.0))
            + " s</title></line>";
    }
    return s;
}

std::string axisLabels(const Frame& f, double lineRate)
{
    const std::string bottom = number(f.top + f.height + 12);
    return "<text class=\"axis\" x=\"" + number(f.left) + "\" y=\"" + bottom + "\">0 s</text><text class=\"axis\" x=\""
        + number(f.left + f.width) + "\" y=\"" + bottom + "\" text-anchor=\"end\">" + number(f.spanS)
        + " s</text><text class=\"axis\" x=\"" + number(f.left - 4) + "\" y=\"" + number(f.y(lineRate) + 4)
        + "\" text-anchor=\"end\">" + rateLabel(lineRate) + "</text>";
}

} // namespace

std::string rateChartSvg(const json& port, double spanS, double lineRate, const ChartSize& size)
{
    const double labels = size.axes ? 64 : 2;
    const double below = size.axes ? 16 : 2;
    double peak = lineRate;
    const json& timeline = port["timeline"];
    const double interval = timeline.value("interval_s", 0.0);
    if (interval > 0)
        for (const auto& b : timeline["bytes_received"])
            peak = std::max(peak, b.get<double>() / interval);
    const Frame f { labels, 2, size.width - labels - 2, size.height - 2 - below, std::max(spanS, 0.001),
        std::max(peak * 1.1, 1.0) };
    const json& events = port["events"];
    const std::string name = markupEscaped(port.value("port", std::string()));
    std::string s = "<svg class=\"chart\" viewBox=\"0 0 " + std::to_string(size.width) + " "
        + std::to_string(size.height) + "\" role=\"img\" aria-label=\"" + name + ": rate over time, "
        + std::to_string(events.size()) + (events.size() == 1 ? " event" : " events") + "\">";
    s += "<rect class=\"plot\" x=\"" + number(f.left) + "\" y=\"" + number(f.top) + "\" width=\"" + number(f.width)
        + "\" height=\"" + number(f.height) + "\"/>";
    const std::string line = number(f.y(lineRate));
    s += "<line class=\"line-rate\" x1=\"" + number(f.left) + "\" y1=\"" + line + "\" x2=\"" + number(f.left + f.width)
        + "\" y2=\"" + line + "\"/>";
    s += ratePath(timeline, f) + eventMarks(events, f);
    if (size.axes) s += axisLabels(f, lineRate);
    return s + "</svg>";
}

} // namespace verify
