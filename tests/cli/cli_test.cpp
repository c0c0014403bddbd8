#include "cliprocess.h"
#include "runtimedir.h"

#include "res/version.h"
#include "tests/support/echopeer.h"
#include "tests/support/ptypair.h"
#include "tests/support/pyserial.h"
#include "tests/support/ser2netserver.h"
#include "tests/support/silentserver.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <filesystem>
#include <optional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using nlohmann::json;

namespace {

// Runs this short cannot show a rate: the rate check is left out.
const std::vector<std::string> FastBoard { "--baud", "921600", "--drain-timeout", "2s", "--min-rate", "0" };

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST(Cli, ExitStatusAndMessageForEachKindOfCall)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* text; // in stdout or stderr
    };
    const Case cases[] = {
        { { "--version" }, 0, "vesperline-cli " VESPERLINE_VERSION "\n" },
        { { "latency", "COM3", "--virtual-board", "--count", "5" }, 0, "COM3: 5 round trips, median" },
        { { "latency", "COM3", "--virtual-board=open", "--count", "5" }, 1, "no byte came back" },
        { { "verify", "COM3", "--virtual-board", "--parity", "bogus" }, 2, "--parity" },
        { { "verify", "COM3", "--virtual-board", "--baud", "fast" }, 2, "--baud" },
        { { "verify", "COM3-COMx", "--virtual-board" }, 2, "\"COM3-COMx\" is not a range" },
        { { "verify", "COM3", "--virtual-board=noise=2" }, 2, "--virtual-board: noise rate must be" },
        { { "verify", "COM3", "--duration", "10 parsecs" }, 2, "--duration" },
        { { "verify", "COM3", "--duration", "1s", "--bytes", "5" }, 2, "excludes" },
        { { "verify", "COM3,COM4,COM5", "--wiring", "pairs" }, 2, "even number of ports" },
        { { "verify", "COM3", "--map", "COM3" }, 2, "--map expects NAME=TARGET" },
        { { "frobnicate" }, 2, "unknown command \"frobnicate\"" },
        { { "verify", "COM3", "--virtual-board", "--bytes", "5000", "--baud", "921600", "--min-rate", "50" }, 1,
            "throughput" },
        { { "verify", "COM3", "--map", "COM3=/dev/null", "--bytes", "10" }, 1, "cannot be opened" },
        { { "verify", "COM3", "--virtual-board", "--modem-lines", "maybe" }, 2, "--modem-lines: \"maybe\"" },
        // A three-wire cable: the modem-line check fails unless it is skipped.
        { { "verify", "COM3", "--virtual-board=nocts=COM3", "--bytes", "2000", "--min-rate", "0" }, 1,
            "CTS does not follow RTS" },
        { { "verify", "COM3", "--virtual-board=nocts=COM3", "--bytes", "2000", "--min-rate", "0", "--modem-lines",
              "skip" },
            0, " skipped " },
    };
    for (const Case& c : cases) {
        const auto r = runCli(c.args);
        SCOPED_TRACE(c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : "") + ": " + r.out + r.err);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE((r.out + r.err).find(c.text), std::string::npos);
    }
}

TEST(Cli, AFaultFailsTheRunAndTheReportsNameThePortAndCounter)
{
    CliProcess p(std::vector<std::string> { "verify", "COM3-COM10",
                     "--virtual-board=ports=8,queue=65536,drop=COM7:2e-3", "--bytes", "10000", "--report",
                     "{dir}/r.json", "--junit", "{dir}/r.xml", "--csv", "{dir}/r.csv", "--quiet" }
        + FastBoard);
    ASSERT_EQ(p.wait(), 1) << p.err();
    const json r = json::parse(p.file("r.json"));
    EXPECT_EQ(r["result"], "fail");
    EXPECT_EQ(r["interrupted"], false);
    EXPECT_EQ(r["settings"]["baud"], 921600);
    EXPECT_EQ(r["settings"]["modem_lines"], "check");
    ASSERT_EQ(r["ports"].size(), 8u);
    for (const auto& port : r["ports"]) {
        const bool com7 = port["port"] == "COM7";
        EXPECT_EQ(port["result"], com7 ? "fail" : "pass") << port.dump();
        EXPECT_EQ(port["bytes_sent"], 10000);
        EXPECT_EQ(port["errors"]["lost"].get<int>() > 0, com7);
        EXPECT_EQ(port["errors"]["framing"], 0);
        EXPECT_EQ(port["first_error"].is_object(), com7);
    }
    EXPECT_EQ(r["ports"][4]["first_error"]["expected_hex"].get<std::string>().size(), 47u);
    const std::string xml = p.file("r.xml");
    EXPECT_NE(xml.find("tests=\"8\" failures=\"1\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("name=\"COM7\">\n    <failure message=\""), std::string::npos) << xml;
    const std::string csv = p.file("r.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 9);
    EXPECT_NE(csv.find("\nCOM7,vboard:4,fail,10000,"), std::string::npos) << csv;
    // Every per-port field of the JSON that is a number or a word has its column.
    EXPECT_EQ(csv.substr(0, csv.find('\n')),
        "port,device,result,bytes_sent,bytes_received,lost,corrupt,duplicate,reordered,misrouted,framing,parity,"
        "overrun,break,line_rate_fraction,latency_median_us,latency_p99_us,modem_lines,reason,events_left_out,"
        "first_error_expected_hex,first_error_offset,first_error_received_hex,misrouted_from,modem_lines_detail,"
        "modem_lines_limit_ms,modem_lines_waited_ms,source,timeline_interval_s");
    const json& com7 = r["ports"][4];
    const std::string tail = "," + com7["first_error"]["expected_hex"].get<std::string>() + ","
        + std::to_string(com7["first_error"]["offset"].get<uint64_t>()) + ","
        + com7["first_error"]["received_hex"].get<std::string>() + ",,"
        + com7["modem_lines"]["detail"].get<std::string>() + ","
        + std::to_string(com7["modem_lines"]["limit_ms"].get<int64_t>()) + ","
        + std::to_string(com7["modem_lines"]["waited_ms"].get<int64_t>()) + ",COM7,"
        + com7["timeline"]["interval_s"].dump() + "\n";
    EXPECT_NE(csv.find(tail), std::string::npos) << tail << csv;
    EXPECT_EQ(p.out().rfind("FAIL: 7 of 8 ports passed", 0), 0u) << p.out();
}

// Echoes an exposed board port through its link with pyserial, from the
// moment the link appears until it has been quiet for a while.
const char* const kPyserialEcho = R"(
import os, serial, sys, time
link = sys.argv[1]
end = time.monotonic() + 60
while not os.path.exists(link) and time.monotonic() < end:
    time.sleep(0.01)
s = serial.Serial(link, 921600, timeout=0.01)
quiet = time.monotonic()
while time.monotonic() - quiet < 20:
    d = s.read(4096)
    if d:
        s.write(d)
        quiet = time.monotonic()
)";

class PyserialEcho {
public:
    explicit PyserialEcho(const std::string& link)
    {
        m_pid = ::fork();
        if (m_pid == 0) {
            const std::string py = debianPython();
            ::execlp(py.c_str(), py.c_str(), "-c", kPyserialEcho, link.c_str(), nullptr);
            ::_exit(127);
        }
    }
    ~PyserialEcho()
    {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }

private:
    pid_t m_pid = -1;
};

// An echoing peer reached three ways: behind a pseudo-terminal, through a
// real RFC 2217 server in front of one, and on the far end of an exposed
// board port. Every byte comes back, and what the line cannot tell is
// reported as not available, never as a pass or a zero.
enum class Route { PseudoTerminal, Rfc2217, ExposedBoardPort };

class EchoingPeer : public testing::TestWithParam<Route> { };

TEST_P(EchoingPeer, PassesWithEveryByteBack)
{
    const Route route = GetParam();
    if (route == Route::Rfc2217 && Ser2netServer::program().empty())
        GTEST_SKIP() << "ser2net is not installed (./scripts/bootstrap installs it)";
    if (route == Route::ExposedBoardPort && !havePyserial())
        GTEST_SKIP() << "pyserial (python3-serial) is not installed (./scripts/bootstrap installs it)";
    PtyPair pty;
    std::optional<EchoPeer> echo;
    std::optional<Ser2netServer> server;
    std::optional<RuntimeDir> runtime;
    std::optional<PyserialEcho> pyserial;
    std::vector<std::string> args { "verify", pty.slavePath() };
    std::string device = pty.slavePath();
    if (route == Route::ExposedBoardPort) {
        runtime.emplace();
        pyserial.emplace(runtime->link("COM3"));
        args = { "--virtual-board=expose=COM3,queue=262144", "verify", "COM3", "--baud", "921600" };
        device = "vboard:0";
    } else {
        echo.emplace(pty);
    }
    if (route == Route::Rfc2217) {
        server.emplace(pty.slavePath());
        args = { "--map", "COM20=" + server->target(), "verify", "COM20" };
        device = server->target();
    }
    CliProcess p(args
        + std::vector<std::string> {
            "--bytes", "100000", "--min-rate", "0", "--drain-timeout", "30s", "--report", "{dir}/r.json" });
    ASSERT_EQ(p.wait(), 0) << p.out() << p.err();
    const json port = json::parse(p.file("r.json"))["ports"][0];
    EXPECT_EQ(port["bytes_received"], 100000);
    EXPECT_EQ(port["device"], device);
    if (route != Route::ExposedBoardPort) { // the board counts its own line errors
        for (const char* counter : { "framing", "parity", "overrun", "break" })
            EXPECT_EQ(port["errors"][counter], "not available");
    }
    EXPECT_EQ(port["modem_lines"]["result"], "not available");
}

std::string routeName(const testing::TestParamInfo<Route>& info)
{
    switch (info.param) {
    case Route::PseudoTerminal:
        return "PseudoTerminal";
    case Route::Rfc2217:
        return "Rfc2217";
    default:
        return "ExposedBoardPort";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cli, EchoingPeer, testing::Values(Route::PseudoTerminal, Route::Rfc2217, Route::ExposedBoardPort), routeName);

TEST(Cli, CtrlCStopsTheRunAndWritesTheReportSoFar)
{
    CliProcess p(
        { "verify", "COM3-COM10", "--virtual-board=ports=8", "--duration", "60s", "--report", "{dir}/r.json" });
    ASSERT_TRUE(waitFor([&] { return p.err().find("bytes sent") != std::string::npos; }, std::chrono::seconds(20)));
    p.signal(SIGINT);
    ASSERT_EQ(p.wait(), 1) << p.err();
    const json r = json::parse(p.file("r.json"));
    EXPECT_EQ(r["interrupted"], true);
    EXPECT_EQ(r["result"], "fail");
    EXPECT_LT(r["duration_s"].get<double>(), 30);
    for (const auto& port : r["ports"])
        EXPECT_EQ(port["reason"], "interrupted") << port.dump();
    EXPECT_NE(p.out().find("(interrupted)"), std::string::npos);
}

class CtrlCWhileThePortsOpen : public testing::TestWithParam<Silence> { };

TEST_P(CtrlCWhileThePortsOpen, EndsTheRunAndTheProgramAtOnce)
{
    SilentServer server(GetParam());
    std::vector<std::string> args;
    for (int i = 0; i < 4; ++i)
        args = args + std::vector<std::string> { "--map", "COM2" + std::to_string(i) + "=" + server.target() };
    CliProcess p(
        args + std::vector<std::string> { "verify", "COM20-COM23", "--bytes", "1000", "--report", "{dir}/r.json" });
    ASSERT_TRUE(waitFor([&] { return server.connecting(); }, std::chrono::seconds(20)));
    p.signal(SIGINT);
    // The opens would wait for the server for seconds (the connect limit); the program ends long before.
    ASSERT_TRUE(waitFor([&] { return p.exited(); }, std::chrono::milliseconds(1500))) << p.out();
    ASSERT_EQ(p.wait(), 1) << p.err();
    EXPECT_NE(p.out().find("(interrupted)"), std::string::npos) << p.out();
    const json r = json::parse(p.file("r.json"));
    EXPECT_EQ(r["interrupted"], true);
    EXPECT_LT(r["duration_s"].get<double>(), 2);
    ASSERT_EQ(r["ports"].size(), 4u);
    for (const auto& port : r["ports"])
        EXPECT_EQ(port["reason"], "interrupted") << port.dump();
}

INSTANTIATE_TEST_SUITE_P(Cli, CtrlCWhileThePortsOpen, testing::Values(Silence::NoAnswer, Silence::NoHandshake),
    [](const testing::TestParamInfo<Silence>& info) {
        return info.param == Silence::NoAnswer ? "ServerSaysNothing" : "HandshakeWaits";
    });

TEST(Cli, PortsListsTheBoardAndMappedDevicesWithWhatTheSystemKnows)
{
    PtyPair pty;
    const auto r = runCli({ "ports", "--json", "--virtual-board=ports=4", "--map", "COM1=" + pty.slavePath() });
    ASSERT_EQ(r.status, 0) << r.err;
    const json j = json::parse(r.out);
    ASSERT_EQ(j.size(), 5u) << r.out;
    const auto described = [](std::string port, std::string device, std::string description) {
        return json { { "port", port }, { "device", device }, { "description", description }, { "vendor", "" },
            { "model", "" }, { "serial", "" }, { "driver", "" }, { "hardware_id", "" } };
    };
    const std::vector<json> expected { described("COM1", pty.slavePath(), "pseudo-terminal"),
        described("COM3", "vboard:0", "virtual board port 0"), described("COM4", "vboard:1", "virtual board port 1"),
        described("COM5", "vboard:2", "virtual board port 2"), described("COM6", "vboard:3", "virtual board port 3") };
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(j[i], expected[i]) << i;
    const auto text = runCli({ "ports", "--virtual-board=ports=1", "--map", "COM1=" + pty.slavePath() });
    EXPECT_EQ(text.out, "COM1\t" + pty.slavePath() + "\tpseudo-terminal\nCOM3\tvboard:0\tvirtual board port 0\n");
}
