#include "verify/report.h"

#include <gtest/gtest.h>

using namespace verify;

TEST(Judge, APortPassesOnlyWhenEveryCheckDoes)
{
    struct Case {
        const char* name;
        void (*change)(PortReport&);
        const char* reason; // empty: pass
    };
    const Case cases[] = {
        { "all well", [](PortReport&) {}, "" },
        { "no counters on this port", [](PortReport& p) { p.lineErrors.reset(); }, "" },
        { "no modem lines on this port", [](PortReport& p) { p.modem.state = ModemCheck::State::NotAvailable; }, "" },
        { "modem-line check skipped", [](PortReport& p) { p.modem.state = ModemCheck::State::Skipped; }, "" },
        { "nothing sent", [](PortReport& p) { p.bytesSent = p.bytesReceived = 0; }, "nothing was sent" },
        { "fewer bytes than sent, though nothing counted", [](PortReport& p) { p.bytesReceived = 999; },
            "1 byte lost" },
        { "more bytes than sent, though nothing counted", [](PortReport& p) { p.bytesReceived = 1002; },
            "2 bytes more than were sent" },
        { "a framing error", [](PortReport& p) { p.lineErrors->framing = 2; },
            "line errors: 2 framing, 0 parity, 0 overrun, 0 break" },
        { "CTS stuck",
            [](PortReport& p) {
                p.modem = { ModemCheck::State::Failed, "CTS does not follow RTS" };
            },
            "CTS does not follow RTS" },
        { "too slow", [](PortReport& p) { p.lineRateFraction = 0.5; }, "throughput 0.500 of line rate, below 0.900" },
        { "misrouted first",
            [](PortReport& p) {
                p.stream.misrouted = p.stream.lost = 1000;
                p.misroutedFrom = { "COM9" };
            },
            "receives COM9's data" },
    };
    for (const Case& c : cases) {
        PortReport p;
        p.bytesSent = p.bytesReceived = 1000;
        p.lineErrors = portio::LineCounters {};
        p.modem.state = ModemCheck::State::Passed;
        p.lineRateFraction = 0.99;
        c.change(p);
        judge(p, VerifySettings {});
        EXPECT_EQ(p.reason, c.reason) << c.name;
        EXPECT_EQ(p.pass, *c.reason == 0) << c.name;
    }
}
