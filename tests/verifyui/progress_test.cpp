// What the run window makes of the progress a run leaves while it goes on:
// the summary counts and the progress bar, for runs in every phase.
#include "verifyui/verifywindow.h"

#include "tests/support/qtfakeuiservices.h"

#include <QLabel>
#include <QProgressBar>
#include <gtest/gtest.h>

using namespace verifyui;

namespace {

using Phase = verify::PortProgress::Phase;

struct LaneCase {
    Phase phase;
    uint64_t received;
    const char* failure; // "" when it takes part
};

struct ProgressCase {
    const char* name;
    std::vector<int> sources;
    std::vector<LaneCase> lanes;
    const char* summary;
    int bar; // of 1000
};

verify::Progress progressOf(const std::vector<LaneCase>& lanes)
{
    verify::Progress p;
    p.ports = int(lanes.size());
    for (const LaneCase& c : lanes) {
        verify::PortProgress l;
        l.phase = c.phase;
        l.received = c.received;
        l.failure = c.failure;
        if (*c.failure) l.openError = portio::ErrorCode::Busy;
        p.bytesReceived += c.received;
        p.lanes.push_back(l);
    }
    return p;
}

// Only a port that finished clean counts as passing; a held port counts as
// failing and is left out of the progress bar, as is the port that hears it.
TEST(VerifyProgress, SummaryCountsOnlyFinishedPortsAsPassingAndTheBarOnlyPortsThatReceive)
{
    const ProgressCase cases[] = {
        { "preparing", { 0, 1, 2, 3 },
            { { Phase::Waiting, 0, "" }, { Phase::Waiting, 0, "" }, { Phase::Waiting, 0, "" },
                { Phase::Waiting, 0, "" } },
            "0 passing, 0 failing, 4 running, 0 bytes received, 0.0 s", 0 },
        { "one busy", { 0, 1, 2, 3 },
            { { Phase::Running, 500, "" }, { Phase::Waiting, 0, "busy" }, { Phase::Running, 500, "" },
                { Phase::Done, 1000, "" } },
            "0 passing, 1 failing, 3 running, 2000 bytes received, 0.0 s", 666 },
        { "busy source", { 1, 0, 3, 2 },
            { { Phase::Waiting, 0, "busy" }, { Phase::Running, 0, "" }, { Phase::Running, 1000, "" },
                { Phase::Running, 500, "" } },
            "0 passing, 1 failing, 3 running, 1500 bytes received, 0.0 s", 750 },
        { "all busy", { 0, 1 }, { { Phase::Waiting, 0, "busy" }, { Phase::Waiting, 0, "busy" } },
            "0 passing, 2 failing, 0 bytes received, 0.0 s", 0 },
    };
    for (const ProgressCase& c : cases) {
        SCOPED_TRACE(c.name);
        VerifyPlan plan;
        for (size_t i = 0; i < c.lanes.size(); ++i)
            plan.ports.push_back("COM" + std::to_string(i + 3));
        plan.sources = c.sources;
        plan.settings.bytes = 1000;
        portio::DeviceNamespace ns; // the run is never started
        FakeUiServices ui;
        VerifyWindow window(ns, plan, ui);
        window.showProgress(progressOf(c.lanes));
        EXPECT_EQ(window.summary()->text().toStdString(), c.summary);
        EXPECT_EQ(window.progressBar()->value(), c.bar);
    }
}

} // namespace
