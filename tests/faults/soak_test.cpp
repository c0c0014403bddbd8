// Soak: many connect/disconnect cycles and load-run start/stop cycles on the
// virtual board, sampling descriptors, threads and resident memory. Not part
// of the default run; scripts/soak runs it with the full cycle counts.
#include "faultfixture.h"

#include "tests/console/consolewindow.h"
#include "tests/console/portchoice.h"
#include "tests/console/uiwait.h"

#include "res/commandids.h"
#include "torture/tortureparams.h"
#include "torture/torturerun.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

int fromEnvironment(const char* name, int fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? std::atoi(value) : fallback;
}

struct Sample {
    int cycle;
    ResourceCounts counts;
    long rssKiB;
};

// Runs `cycle` n times, sampling after every `every` cycles (the first
// sample after the first batch, once start-up allocations are done).
std::vector<Sample> soak(const char* what, int n, int every, const std::function<void(int)>& cycle)
{
    std::vector<Sample> samples;
    for (int i = 1; i <= n; ++i) {
        cycle(i);
        if (i % every == 0 || i == n) {
            samples.push_back({ i, countResources(), residentKiB() });
            const Sample& s = samples.back();
            std::printf("%s %5d: %s, %ld KiB resident\n", what, s.cycle, describe(s.counts).c_str(), s.rssKiB);
        }
    }
    return samples;
}

void expectFlat(const char* what, const std::vector<Sample>& samples)
{
    ASSERT_FALSE(samples.empty());
    const Sample& first = samples.front();
    const Sample& last = samples.back();
    const double fdRatio = double(last.counts.fds) / first.counts.fds;
    const double threadRatio = double(last.counts.threads) / first.counts.threads;
    const double rssRatio = double(last.rssKiB) / double(first.rssKiB);
    std::printf("%s: last/first over cycles %d..%d: descriptors %.3f, threads %.3f, resident memory %.3f\n", what,
        first.cycle, last.cycle, fdRatio, threadRatio, rssRatio);
    ::testing::Test::RecordProperty(std::string(what) + "_rss_ratio", std::to_string(rssRatio));
    EXPECT_LE(last.counts.fds, first.counts.fds) << what;
    EXPECT_LE(last.counts.threads, first.counts.threads) << what;
    EXPECT_LT(rssRatio, 1.25) << what;
}

class Soak : public FaultTest {
protected:
    // A soak runs much longer than a fault case.
    Watchdog longWatch { std::chrono::seconds(3600) };
};

TEST_F(Soak, DISABLED_ConnectDisconnectCycles)
{
    installBoard(1);
    ListedPorts listed { 3 };
    ConsoleWindow win { ui };
    const int n = fromEnvironment("VL_SOAK_CONNECTS", 1000);
    const auto samples = soak("connect", n, fromEnvironment("VL_SOAK_EVERY", 100), [&](int) {
        queuePortChoice(ui, "COM3");
        ASSERT_TRUE(win.view().runCommand(cmd::ID_CONNECT_PORT));
        ASSERT_TRUE(win.view().m_portCtx.isConnected);
        win.pane().replaceText(QString());
        board->injectReceived(0, "x", 1);
        ASSERT_TRUE(uiWaitFor([&] { return win.shown() == "x"; }));
        ASSERT_TRUE(win.view().runCommand(cmd::ID_DISCONNECT_PORT));
    });
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
    expectFlat("connect", samples);
}

TEST_F(Soak, DISABLED_LoadRunStartStopCycles)
{
    installBoard(8, vboard::Wiring::Pairs);
    torture::setTortureParams({ 3, 8, 921600 });
    auto& run = torture::TortureRun::instance();
    ConsoleWindow win { ui };
    const int n = fromEnvironment("VL_SOAK_RUNS", 100);
    const auto samples = soak("load run", n, fromEnvironment("VL_SOAK_RUN_EVERY", 10), [&](int) {
        win.view().runCommand(cmd::ID_TORTURE_START);
        ASSERT_TRUE(run.running());
        ASSERT_TRUE(uiWaitFor([&] {
            const auto counts = run.blockCounts();
            return !counts.empty() && counts[0] >= 1;
        }));
        win.view().runCommand(cmd::ID_TORTURE_STOP);
        ASSERT_FALSE(run.running());
    });
    torture::setTortureParams({});
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('|').toStdString();
    expectFlat("load run", samples);
}

} // namespace
