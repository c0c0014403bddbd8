#pragma once

#include "standindriver.h"

#include "portio/port.h"
#include "portio/timeouts.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace vboard {

// Threads waiting on a port for one kind of progress. Characters moving wake
// them only once `level` is reached (the most demanding level of all of
// them), so a busy line does not wake every waiter at every batch.
struct PortWaiters {
    std::condition_variable cv;
    int count = 0;
    size_t level = 0;
    uint64_t wakeUps = 0; // waits that have ended, for tests
};

// The state of one port of the board. Guarded by the board's mutex; the
// condition variables wake the port's readers, writers and event waiters.
struct BoardPort {
    int index = 0;
    portio::Dcb dcb;
    portio::CommTimeouts timeouts;
    size_t inCap = 4096;
    size_t outCap = 4096;
    std::deque<uint8_t> in;
    std::deque<uint8_t> out;
    std::deque<uint8_t> urgent; // goes ahead of `out`: transmit-char, XON/XOFF
    bool urgentFromUser = false;

    bool dtr = false; // output levels asked for by the settings and escapes
    bool rts = false;
    bool rtsFlowOff = false; // handshake: input queue nearly full
    bool xoffSent = false;
    bool xoffReceived = false;
    uint32_t errors = 0;
    portio::LineCounters errorCounts; // totals since the board was made

    uint32_t mask = 0;
    uint64_t maskGen = 0;
    uint64_t rxAbortGen = 0;
    uint64_t txAbortGen = 0;

    bool plugged = true;
    bool open = false;
    bool writing = false;
    uint64_t session = 0; // which handle owns the port
    portio::Clock::time_point txFreeAt {};
    // How long after the last character ended the engine saw the line fall
    // idle (a tick at most): its writer heard that late, so a line that is
    // given more at once goes on from where it was.
    portio::Clock::duration idleLate {};
    uint64_t txSent = 0;
    std::optional<portio::Clock::time_point> writeDeadline;

    // An exposed port's line ends in a pseudo-terminal: what it sends goes
    // here instead of to a far end on the board, and while that end cannot
    // take more the transmitter waits.
    std::function<void(uint8_t)> toPty;
    bool ptyFull = false;

    StandInDriver driver;
    std::vector<DriverRequest> requests;
    int failOpens = 0;
    int failRequests = 0;
    int failModemQueries = 0;

    // Time of the latest batch of bytes put in `in`: readers with a gap limit
    // time it from here, as they are not woken for every batch.
    portio::Clock::time_point lastArrival {};

    PortWaiters rxWaiters; // readers and event waiters: `in` holds at least `level` bytes
    PortWaiters txWaiters; // writers: at most `level` bytes wait to go out
    std::condition_variable callsDone; // close() waits here for calls to leave
};

} // namespace vboard
