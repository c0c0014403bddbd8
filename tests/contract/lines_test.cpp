#include "contract.h"

#include "tests/support/waitfor.h"

using namespace portio;
using namespace std::chrono_literals;

namespace contract {

namespace {

struct LineCase {
    EscapeFunction function;
    uint32_t farSees; // what the far end's modem status then shows of it
};

// Null-modem: our RTS is the far end's CTS, our DTR its DSR (and DCD).
const LineCase kOutputs[] = {
    { EscapeFunction::SETRTS, MS_CTS_ON },
    { EscapeFunction::CLRRTS, 0 },
    { EscapeFunction::SETDTR, MS_DSR_ON },
    { EscapeFunction::CLRDTR, 0 },
};

} // namespace

TEST_P(PortContract, ModemLinesReachTheFarEndOrAreNotSupported)
{
    if (!backend->hasModemLines()) {
        // Unknown is not low: a device without the lines says so.
        for (const LineCase& c : kOutputs)
            EXPECT_EQ(port->escape(c.function).code, ErrorCode::NotSupported) << int(c.function);
        EXPECT_EQ(port->modemStatus().error().code, ErrorCode::NotSupported);
        return;
    }
    if (!backend->linesReachFarEnd()) {
        // The device has them, though nothing on the cable answers.
        for (const LineCase& c : kOutputs)
            EXPECT_FALSE(port->escape(c.function)) << int(c.function);
        EXPECT_TRUE(port->modemStatus().ok()) << port->modemStatus().error().text;
        return;
    }
    for (const LineCase& c : kOutputs) {
        SCOPED_TRACE(int(c.function));
        ASSERT_FALSE(port->escape(c.function));
        const uint32_t mask = c.function <= EscapeFunction::CLRRTS ? MS_CTS_ON : MS_DSR_ON;
        EXPECT_EQ(*backend->farModemStatus() & mask, c.farSees);
        // The same line the other way round.
        ASSERT_FALSE(backend->farEscape(c.function));
        EXPECT_EQ(*port->modemStatus() & mask, c.farSees);
    }
}

// A clean line counts no errors, and a device without counters says it has
// none rather than report zeros.
TEST_P(PortContract, LineCountersArePresentAndZeroOrNotSupported)
{
    ASSERT_TRUE(backend->farWrite("clean"));
    ASSERT_TRUE(waitInQueue(5));
    auto counters = port->lineCounters();
    if (!backend->hasLineCounters()) {
        EXPECT_EQ(counters.error().code, ErrorCode::NotSupported);
        return;
    }
    ASSERT_TRUE(counters.ok()) << counters.error().text;
    EXPECT_EQ(counters->total(), 0u);
}

TEST_P(PortContract, PurgeDropsWaitingInputAndRefusesUnknownFlags)
{
    ASSERT_TRUE(backend->farWrite("stale"));
    ASSERT_TRUE(waitInQueue(5));
    ASSERT_FALSE(port->purge(PURGE_RXCLEAR | PURGE_TXCLEAR));
    EXPECT_TRUE(waitInQueue(0));
    ASSERT_TRUE(backend->farWrite("fresh"));
    setTimeouts({ 0, 0, 5000, 0, 0 });
    char buf[5];
    const IoResult r = port->read(buf, sizeof buf);
    EXPECT_EQ(std::string(buf, r.count), "fresh") << r.error.text;
    EXPECT_EQ(port->purge(0x10).code, ErrorCode::InvalidArgument);
}

TEST_P(PortContract, PurgeAbortEndsABlockedReadAndWriteAndThePortGoesOn)
{
    setTimeouts({});
    ASSERT_TRUE(backend->farWrite("12"));
    ASSERT_TRUE(waitInQueue(2));
    char buf[100];
    IoResult r;
    Blocking read([&] { r = port->read(buf, sizeof buf); });
    ASSERT_TRUE(waitInQueue(0)); // taken: the read waits for the rest
    ASSERT_FALSE(port->purge(PURGE_RXABORT));
    read.join("the read after PURGE_RXABORT");
    EXPECT_EQ(r.error.code, ErrorCode::Aborted) << r.error.text;
    EXPECT_EQ(std::string(buf, r.count), "12") << "an aborted read keeps what it had";

    const std::string block = largeBlock();
    IoResult w;
    Blocking write([&] { w = port->write(block.data(), block.size()); });
    ASSERT_EQ(backend->farRead(1, 5s), "A"); // under way, and it cannot finish
    const Status purged = port->purge(PURGE_TXABORT | PURGE_TXCLEAR);
    ASSERT_FALSE(purged) << purged.text;
    write.join("the write after PURGE_TXABORT");
    EXPECT_EQ(w.error.code, ErrorCode::Aborted) << w.error.text;
    EXPECT_LT(w.count, block.size());

    ASSERT_TRUE(backend->farWrite("on"));
    setTimeouts({ 0, 0, 5000, 0, 0 });
    EXPECT_EQ(port->read(buf, 2).count, 2u);
    EXPECT_EQ(std::string(buf, 2), "on");
}

// A write ended by PURGE_TXABORT counts exactly what leaves the port: the far
// end gets what it counted and nothing more, and the last characters of the
// write before it, already in the transmitter, still go out. Where the line
// has flow control it is held, so those characters are still there.
TEST_P(PortContract, AWriteEndedByPurgeAbortCountsWhatLeaves)
{
    if (const std::string why = backend->abortCountUnknown(); !why.empty()) GTEST_SKIP() << why;
    const bool hold = backend->hasModemLines();
    if (hold) {
        portio::Dcb dcb = *port->getState();
        dcb.BaudRate = 115200;
        dcb.fOutxCtsFlow = true;
        ASSERT_FALSE(port->setState(dcb));
    }
    setTimeouts({});
    const std::string head = "head of the line";
    ASSERT_EQ(port->write(head.data(), head.size()).count, head.size());
    if (hold) {
        ASSERT_FALSE(backend->farEscape(EscapeFunction::CLRRTS));
    }

    const std::string block = largeBlock();
    IoResult w;
    Blocking write([&] { w = port->write(block.data(), block.size()); });
    // Under way: queued behind the held line, or its first byte has come.
    std::string got;
    if (hold) {
        ASSERT_TRUE(waitFor([&] {
            auto stat = port->clearCommError();
            return stat.ok() && stat->cbOutQue > head.size();
        })) << "the write never got under way";
    } else {
        got = backend->farRead(head.size() + 1, 5s);
        ASSERT_EQ(got, head + "A");
    }
    ASSERT_FALSE(port->purge(PURGE_TXABORT));
    write.join("the write after PURGE_TXABORT");
    EXPECT_EQ(w.error.code, ErrorCode::Aborted) << w.error.text;
    ASSERT_LT(w.count, block.size());
    if (hold) {
        ASSERT_FALSE(backend->farEscape(EscapeFunction::SETRTS));
    }

    const std::string expected = head + block.substr(0, w.count);
    got += backend->farRead(expected.size() - got.size(), 10s);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(backend->farRead(1, 300ms), "") << "more left the port than the write counted";
}

} // namespace contract
