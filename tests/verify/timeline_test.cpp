// The run's timeline: bytes per interval that add up to what arrived, a run
// too long for its points folded into coarser intervals, events capped with a
// count of those left out, and on the virtual board events that add up to
// the counts the report gives.
#include "vboard/boardconfig.h"
#include "vboard/boardinstall.h"
#include "verify/portlist.h"
#include "verify/timeline.h"
#include "verify/verifyrun.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace verify;
using std::chrono::milliseconds;

namespace {

uint64_t sum(const std::vector<uint64_t>& v)
{
    return std::accumulate(v.begin(), v.end(), uint64_t(0));
}

TEST(TimelineRecorder, KeepsBytesPerIntervalAndFoldsLongRuns)
{
    const struct {
        const char* name;
        std::vector<std::pair<int, uint64_t>> reads; // ms since the start, bytes
        double intervalS;
        std::vector<uint64_t> points; // empty: only the count is checked
        size_t count;
    } cases[] = {
        { "nothing", {}, 0.25, {}, 0 },
        { "one interval", { { 0, 5 }, { 249, 7 } }, 0.25, { 12 }, 1 },
        { "a gap stays a zero", { { 10, 1 }, { 760, 2 } }, 0.25, { 1, 0, 0, 2 }, 4 },
        { "last point folds once", { { 0, 1 }, { 499'999, 2 }, { 500'000, 4 } }, 0.5, {}, 1001 },
        { "three folds", { { 0, 3 }, { 3'999'999, 4 } }, 2.0, {}, 2000 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TimelineRecorder r;
        const TimelineRecorder::Clock::time_point t0 {};
        r.start(t0);
        uint64_t total = 0;
        for (const auto& [ms, n] : c.reads) {
            r.addBytes(t0 + milliseconds(ms), n);
            total += n;
        }
        const PortTimeline t = r.timeline();
        EXPECT_DOUBLE_EQ(t.intervalS, c.intervalS);
        EXPECT_EQ(t.bytes.size(), c.count);
        EXPECT_LE(t.bytes.size(), TimelineRecorder::MaxPoints);
        if (!c.points.empty()) {
            EXPECT_EQ(t.bytes, c.points);
        }
        EXPECT_EQ(sum(t.bytes), total);
    }
}

TEST(TimelineRecorder, KeepsTheFirstThousandEventsAndCountsTheRest)
{
    TimelineRecorder r;
    const TimelineRecorder::Clock::time_point t0 {};
    r.start(t0);
    for (int i = 0; i < 1003; ++i)
        r.addEvent(t0 + milliseconds(i), uint64_t(i) * 10, EventKind::Corrupt, 1);
    const PortTimeline t = r.timeline();
    ASSERT_EQ(t.events.size(), TimelineRecorder::MaxEvents);
    EXPECT_EQ(t.eventsLeftOut, 3u);
    EXPECT_DOUBLE_EQ(t.events.back().atS, 0.999);
    EXPECT_EQ(t.events.back().offset, 9990u);
    EXPECT_STREQ(eventKindName(EventKind::DeviceGone), "device gone");
}

// COM4 drops bytes, COM5 gets none (all are found lost at the end): each
// port's points add up to what it received, and its events of each kind to
// the report's count of that kind.
TEST(RunTimeline, EventsAddUpToTheCountsAndPointsToTheBytes)
{
    portio::DeviceNamespace ns;
    auto config = vboard::parseBoardOption("ports=3,queue=65536,drop=COM4:0.005,drop=COM5:1");
    ASSERT_TRUE(config) << config.error().text;
    vboard::installVirtualBoard(ns, *config);
    VerifySettings s;
    s.line.baud = 921600;
    s.bytes = 60000;
    s.minRate = 0;
    s.latencySamples = 1;
    s.runKey = 0;
    auto names = parsePortList("COM3-COM5");
    RunReport report = VerifyRun(ns, *names, *planWiring("loopback", *names), s).run();
    ASSERT_EQ(report.ports.size(), 3u);
    for (const PortReport& p : report.ports) {
        SCOPED_TRACE(p.port);
        EXPECT_EQ(sum(p.timeline.bytes), p.bytesReceived);
        EXPECT_DOUBLE_EQ(p.timeline.intervalS, 0.25);
        StreamCounts fromEvents;
        for (const auto& e : p.timeline.events) {
            EXPECT_GE(e.atS, 0);
            EXPECT_LE(e.offset, p.bytesReceived);
            if (e.kind == EventKind::Lost) fromEvents.lost += e.count;
            if (e.kind == EventKind::Corrupt) fromEvents.corrupt += e.count;
            if (e.kind == EventKind::Duplicate) fromEvents.duplicate += e.count;
        }
        EXPECT_EQ(fromEvents.lost, p.stream.lost);
        EXPECT_EQ(fromEvents.corrupt, p.stream.corrupt);
        EXPECT_EQ(fromEvents.duplicate, p.stream.duplicate);
    }
    EXPECT_GT(report.ports[1].stream.lost, 0u) << "COM4 drops 1 byte in 200";
    EXPECT_TRUE(report.ports[0].timeline.events.empty());
    EXPECT_EQ(report.ports[2].stream.lost, 60000u) << "COM5 receives nothing";
}

} // namespace
