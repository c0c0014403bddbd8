#include "porthelpers.h"

#include "portio/iorequest.h"
#include "tests/support/waitfor.h"

#include <atomic>
#include <ctime>
#include <fstream>
#include <functional>
#include <iostream>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

using namespace portio;
using namespace std::chrono_literals;

class IoRequestRead : public PtyPortTest { };

class PosixRelease : public PtyPortTest { };

namespace {

// Generous bound for a release that takes well under a millisecond.
constexpr double kReleaseBoundMs = 1000.0;

double threadCpuMs()
{
    timespec ts {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// True while the thread sleeps in poll(), which is where every blocked port call waits.
bool inPoll(pid_t tid)
{
    std::ifstream f("/proc/self/task/" + std::to_string(tid) + "/syscall");
    long nr = -1;
    f >> nr;
    return nr == SYS_poll || nr == SYS_ppoll;
}

// Runs `blocking` in a thread, waits until it is blocked inside the port,
// runs `release` and reports how long the blocked call took to come back.
struct Blocked {
    std::atomic<pid_t> tid { 0 };
    std::atomic<bool> done { false };
    std::thread thread;

    explicit Blocked(std::function<void()> blocking)
        : thread([this, blocking] {
            tid = ::gettid();
            blocking();
            done = true;
        })
    {
    }
    ~Blocked()
    {
        if (thread.joinable()) thread.join();
    }
    void waitUntilBlocked()
    {
        ASSERT_TRUE(waitFor([&] { return tid != 0 && inPoll(tid); })) << "the call did not block";
        ASSERT_FALSE(done.load());
    }
    double releaseWith(const std::function<void()>& release, const char* what)
    {
        const auto start = std::chrono::steady_clock::now();
        release();
        EXPECT_TRUE(waitFor([&] { return done.load(); }, 5s));
        const double ms = msSince(start);
        std::cout << "[ figure ] " << what << " released in " << ms << " ms\n";
        thread.join();
        return ms;
    }
};

} // namespace

TEST_F(PosixRelease, MaskZeroReleasesEventWaitWithEmptySet)
{
    ASSERT_FALSE(port->setCommMask(EV_RXCHAR));
    Result<uint32_t> events = 99u;
    Blocked b([&] { events = port->waitCommEvent(); });
    b.waitUntilBlocked();
    EXPECT_LT(b.releaseWith([&] { port->setCommMask(0); }, "event wait by mask 0"), kReleaseBoundMs);
    ASSERT_TRUE(events.ok());
    EXPECT_EQ(*events, 0u);
    // With no events selected a wait does not block at all.
    EXPECT_EQ(*port->waitCommEvent(), 0u);
}

TEST_F(PosixRelease, EventWaitIsLevelTriggered)
{
    ASSERT_FALSE(port->setCommMask(EV_RXCHAR));
    ASSERT_TRUE(pty.writeAll("a"));
    EXPECT_EQ(*port->waitCommEvent(), EV_RXCHAR);
    EXPECT_EQ(*port->waitCommEvent(), EV_RXCHAR) << "the byte is still waiting";
}

TEST_F(PosixRelease, PurgeAbortEndsPendingReadAndWrite)
{
    ASSERT_TRUE(pty.writeAll("12"));
    char buf[100];
    IoResult r;
    Blocked reader([&] { r = port->read(buf, sizeof buf); });
    reader.waitUntilBlocked();
    EXPECT_LT(reader.releaseWith([&] { port->purge(PURGE_RXABORT); }, "read by purge"), kReleaseBoundMs);
    EXPECT_EQ(r.error.code, ErrorCode::Aborted);
    EXPECT_EQ(r.count, 2u) << "an aborted read reports what it had";

    const std::string block(1 << 20, 'B');
    IoResult w;
    Blocked writer([&] { w = port->write(block.data(), block.size()); });
    writer.waitUntilBlocked();
    EXPECT_LT(writer.releaseWith([&] { port->purge(PURGE_TXABORT); }, "write by purge"), kReleaseBoundMs);
    EXPECT_EQ(w.error.code, ErrorCode::Aborted);
    EXPECT_GT(w.count, 0u);
}

TEST_F(PosixRelease, CloseReleasesEveryPendingCallAndLaterCallsFail)
{
    ASSERT_FALSE(port->setCommMask(EV_RXCHAR));
    Result<uint32_t> events = 0u;
    IoResult r, w;
    char buf[10];
    const std::string block(1 << 20, 'C');
    Blocked waiter([&] { events = port->waitCommEvent(); });
    Blocked reader([&] { r = port->read(buf, sizeof buf); });
    Blocked writer([&] { w = port->write(block.data(), block.size()); });
    waiter.waitUntilBlocked();
    reader.waitUntilBlocked();
    writer.waitUntilBlocked();
    const auto start = std::chrono::steady_clock::now();
    port->close(); // returns only once every call has left the port
    const double ms = msSince(start);
    std::cout << "[ figure ] close with three pending calls took " << ms << " ms\n";
    EXPECT_LT(ms, kReleaseBoundMs);
    // The calls have left the port; their threads finish on their own.
    EXPECT_TRUE(waitFor([&] { return waiter.done && reader.done && writer.done; }));
    EXPECT_EQ(events.error().code, ErrorCode::Aborted);
    EXPECT_EQ(r.error.code, ErrorCode::Aborted);
    EXPECT_EQ(w.error.code, ErrorCode::Aborted);
    EXPECT_EQ(port->read(buf, 1).error.code, ErrorCode::Aborted);
    EXPECT_EQ(port->setCommMask(EV_RXCHAR).code, ErrorCode::Aborted);
    EXPECT_EQ(port->getState().error().code, ErrorCode::Aborted);
}

TEST_F(PosixRelease, FarEndClosedEndsWaitingReaderWithoutSpinning)
{
    char buf[10];
    IoResult r;
    double cpuMs = 0;
    Blocked reader([&] {
        const double before = threadCpuMs();
        r = port->read(buf, sizeof buf);
        cpuMs = threadCpuMs() - before;
    });
    reader.waitUntilBlocked();
    EXPECT_LT(reader.releaseWith([&] { pty.closeMaster(); }, "read by far-end close"), kReleaseBoundMs);
    EXPECT_EQ(r.error.code, ErrorCode::DeviceGone) << r.error.text;
    EXPECT_LT(cpuMs, 100.0) << "the reader burned CPU while waiting";
    // Later calls report it at once instead of waiting or spinning.
    ASSERT_FALSE(port->setCommMask(EV_RXCHAR));
    EXPECT_EQ(port->waitCommEvent().error().code, ErrorCode::DeviceGone);
    EXPECT_EQ(port->write("x", 1).error.code, ErrorCode::DeviceGone);
    EXPECT_EQ(port->read(buf, 1).error.code, ErrorCode::DeviceGone);
}

TEST_F(PosixRelease, FarEndClosedEndsEventWait)
{
    ASSERT_FALSE(port->setCommMask(EV_RXCHAR));
    Result<uint32_t> events = 0u;
    Blocked waiter([&] { events = port->waitCommEvent(); });
    waiter.waitUntilBlocked();
    waiter.releaseWith([&] { pty.closeMaster(); }, "event wait by far-end close");
    EXPECT_EQ(events.error().code, ErrorCode::DeviceGone);
}

TEST_F(IoRequestRead, CompletesWithTheBytesRead)
{
    char buf[4] = {};
    IoRequest req;
    ASSERT_FALSE(req.startRead(*port, buf, sizeof buf));
    EXPECT_TRUE(req.pending());
    EXPECT_FALSE(req.startRead(*port, buf, sizeof buf).ok()) << "one read at a time";
    ASSERT_TRUE(pty.writeAll("wxyz"));
    ASSERT_TRUE(req.wait(5s));
    EXPECT_EQ(req.result().count, 4u);
    EXPECT_EQ(std::string(buf, 4), "wxyz");
}

TEST_F(IoRequestRead, WaitLimitThenCancelEndsTheRead)
{
    char buf[2048];
    IoRequest req;
    ASSERT_FALSE(req.startRead(*port, buf, sizeof buf));
    EXPECT_FALSE(req.wait(50ms));
    req.cancel();
    EXPECT_FALSE(req.pending());
    EXPECT_EQ(req.result().error.code, ErrorCode::Aborted);
}

TEST_F(IoRequestRead, DestructorCancelsAPendingRead)
{
    {
        char buf[16];
        IoRequest req;
        ASSERT_FALSE(req.startRead(*port, buf, sizeof buf));
        // Cancelled at once, possibly before the read has begun to wait.
    }
    ASSERT_TRUE(pty.writeAll("k"));
    char c = 0;
    EXPECT_EQ(port->read(&c, 1).count, 1u);
    EXPECT_EQ(c, 'k') << "the cancelled read must not have taken the byte";
}
