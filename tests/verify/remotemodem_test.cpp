// The modem-line check on a remote port, whose server looks at the lines
// only about once a second: lines that follow pass, and the reports say how
// long the check waited.
#include "portio/devicenamespace.h"
#include "tests/support/scriptedserver.h"
#include "verify/jsonreport.h"
#include "verify/modemcheck.h"
#include "verify/textreports.h"

#include <gtest/gtest.h>

using namespace verify;
using namespace std::chrono_literals;

TEST(RemoteModemCheck, WaitsForTheServersNoticeAndSaysHowLong)
{
    struct Case {
        const char* name;
        bool wired; // a loopback plug, or nothing attached
        ModemCheck::State state;
        std::chrono::milliseconds waitedAtLeast, waitedBelow;
    };
    const Case cases[] = {
        { "lines that follow", true, ModemCheck::State::Passed, 500ms, 3000ms },
        { "lines that stay", false, ModemCheck::State::Failed, 3000ms, 4000ms },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(ScriptedServer::Start::OfferComPort, ScriptedServer::echo);
        server.pollModemLines(1000ms, c.wired);
        portio::DeviceNamespace ns;
        ASSERT_FALSE(ns.define("COM20", server.target()));
        auto port = ns.open("COM20", portio::Access::ReadWrite);
        ASSERT_TRUE(port) << port.error().text;
        PortReport p;
        p.port = "COM20";
        p.modem = checkModemLines(**port, **port, 500ms);
        EXPECT_EQ(p.modem.state, c.state) << p.modem.detail;
        EXPECT_EQ(p.modem.limit, 3000ms);
        EXPECT_GE(p.modem.waited, c.waitedAtLeast);
        EXPECT_LT(p.modem.waited, c.waitedBelow);

        RunReport r;
        r.ports = { p };
        const auto json = toJson(r)["ports"][0]["modem_lines"];
        EXPECT_EQ(json["waited_ms"], p.modem.waited.count());
        EXPECT_EQ(json["limit_ms"], 3000);
        char shown[32];
        std::snprintf(
            shown, sizeof shown, " %s %.1fs ", modemStateName(c.state), double(p.modem.waited.count()) / 1000);
        EXPECT_NE(summaryTable(r).find(shown), std::string::npos) << summaryTable(r);
    }
}
