// A session whose device goes and comes back: a pseudo-terminal behind a
// link that is removed (or whose far end hangs up) and then led to a new
// pseudo-terminal, as a replugged adapter's node comes back.
#include "heardbytes.h"
#include "ownerqueue.h"
#include "replugline.h"
#include "ttysettings.h"

#include "session/consolesession.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// What the session said, from whichever thread said it.
struct Heard : HeardBytes {
    std::vector<DeviceChange> changes; // on the owner thread only
    std::vector<std::string> texts;
};

ConsoleSession::Events listen(Heard& heard, OwnerQueue& owner)
{
    ConsoleSession::Events events;
    events.received = [&heard](std::string_view b) { heard.add(b); };
    events.deviceChanged = [&heard](DeviceChange change, const std::string& text) {
        heard.changes.push_back(change);
        heard.texts.push_back(text);
        heard.add("<" + text + ">");
    };
    events.post = owner.poster();
    return events;
}

// Every byte value but in an order of its own per seed, so that bytes
// before and after the loss cannot be mistaken for each other.
std::string pattern(size_t n, unsigned seed)
{
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; ++i)
        bytes[i] = char((i * (2 * seed + 1) + seed) & 0xFF);
    return bytes;
}

size_t threadCount()
{
    // The thread sanitizer starts a helper thread of its own at the first
    // thread a program makes; let that happen before anything is counted.
    static const bool primed = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)primed;
    auto entries = std::filesystem::directory_iterator("/proc/self/task");
    return size_t(std::distance(begin(entries), end(entries)));
}

struct TempFile {
    std::string path = "/tmp/vl-reconnect-captureXXXXXX";
    TempFile() { ::close(mkstemp(path.data())); }
    ~TempFile() { std::remove(path.c_str()); }
};

enum class Loss {
    LinkRemoved, // the node goes, and the far end with it
    HangUp, // reads fail (the pseudo-terminal's node goes with its far end)
    LinkReplaced, // the node is led to another device in one step
};

struct Fixture {
    Heard heard;
    OwnerQueue owner;
    ReplugLine line;
    std::unique_ptr<ConsoleSession> session;

    Fixture()
        : session(std::make_unique<ConsoleSession>(line.devices(), listen(heard, owner)))
    {
        session->m_portCtx.portName = line.portName();
    }
    std::string text(const char* what) const { return line.portName() + " (" + line.linkPath() + ") " + what; }
    bool receivedAtLeast(size_t n)
    {
        return owner.waitFor([&] { return heard.received().size() >= n; });
    }
    bool heardChanges(std::vector<DeviceChange> expected)
    {
        return owner.waitFor([&] { return heard.changes == expected; });
    }
    void lose(Loss loss)
    {
        if (loss == Loss::LinkRemoved) line.removeLink();
        line.hangUp();
        if (loss == Loss::LinkReplaced) line.plugNew();
    }
};

using enum DeviceChange;

// The same settings on the new device, the capture going on into the same
// file, nothing received before the loss missing, in the pane or the file.
TEST(Reconnect, ComesBackWithTheSameSettingsAndTheCaptureGoesOn)
{
    struct Case {
        Loss loss;
        TtySettings settings;
    } cases[] = {
        { Loss::LinkRemoved, { 57600, 2, false } },
        { Loss::HangUp, { 115200, 1, true } },
        { Loss::LinkReplaced, { 1200, 2, true } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.loss));
        Fixture f;
        PortContext& ctx = f.session->m_portCtx;
        ctx.baudRate = c.settings.baud;
        ctx.stopBitsCode = c.settings.stopBits == 2 ? 2 : 0;
        ctx.flowFlags = c.settings.rtsCts ? FLOW_RTS_CTS : 0;
        TempFile capture;
        ASSERT_EQ(f.session->OpenPort(), 1);
        ASSERT_TRUE(f.session->StartCapture(capture.path));
        const std::string before = pattern(1500, 1), after = pattern(1200, 2);
        ASSERT_TRUE(f.line.pty().writeAll(before));
        ASSERT_TRUE(f.receivedAtLeast(before.size()));

        f.lose(c.loss);
        if (c.loss != Loss::LinkReplaced) {
            ASSERT_TRUE(f.heardChanges({ Disconnected }));
            EXPECT_TRUE(f.session->waitingForDevice());
            EXPECT_TRUE(ctx.isConnected && ctx.captureOn);
            EXPECT_FALSE(ctx.portHandle || f.session->receiveThreadRunning());
            f.line.plugNew();
        }
        ASSERT_TRUE(f.heardChanges({ Disconnected, Reconnected }));
        EXPECT_EQ(f.heard.texts, (std::vector { f.text("disconnected"), f.text("reconnected") }));
        EXPECT_FALSE(f.session->waitingForDevice());
        TtySettings now;
        ASSERT_TRUE(readTtySettings(f.line.pty().slaveFd(), now));
        EXPECT_EQ(now, c.settings) << now.baud << " baud, " << now.stopBits << " stop bits, RTS/CTS " << now.rtsCts;

        ASSERT_TRUE(f.line.pty().writeAll(after));
        const std::string said = "<" + f.text("disconnected") + ">";
        ASSERT_TRUE(f.owner.waitFor([&] { return f.heard.received().ends_with(after); }));
        ASSERT_TRUE(f.session->write("ok", 2).ok());
        EXPECT_EQ(f.line.pty().readExactly(2), "ok");
        f.session->ClosePort();
        const std::string pane = f.heard.received();
        EXPECT_EQ(pane.rfind(before, 0), 0u) << "bytes before the loss missing from the pane";
        EXPECT_LT(pane.find(said), pane.find("<" + f.text("reconnected") + ">"));
        EXPECT_TRUE(fileContent(capture.path) == before + after)
            << fileContent(capture.path).size() << " bytes captured of " << before.size() + after.size();
    }
}

// Reconnect off: the session lets the port go and stays without it when the
// device is back, until reconnect is turned on again.
TEST(Reconnect, OffTheSessionStaysWithoutItsPortUntilTurnedOn)
{
    enum class TurnOn { AfterTheDeviceIsBack, WhileItIsAway };
    for (TurnOn turnOn : { TurnOn::AfterTheDeviceIsBack, TurnOn::WhileItIsAway }) {
        SCOPED_TRACE(int(turnOn));
        Fixture f;
        f.session->setReconnect(false);
        ASSERT_EQ(f.session->OpenPort(), 1);
        f.lose(Loss::LinkRemoved);
        ASSERT_TRUE(f.heardChanges({ Disconnected }));
        if (turnOn == TurnOn::WhileItIsAway) {
            f.session->setReconnect(true);
            EXPECT_EQ(f.heard.changes, std::vector { Disconnected });
        }
        f.line.plugNew();
        if (turnOn == TurnOn::AfterTheDeviceIsBack) {
            // Gone and back: both reports of the watch have been handled.
            ASSERT_TRUE(f.owner.waitFor([&] { return f.owner.runPending() >= 2; }));
            EXPECT_EQ(f.heard.changes, std::vector { Disconnected });
            EXPECT_FALSE(f.session->m_portCtx.portHandle || f.session->receiveThreadRunning());
            EXPECT_TRUE(f.session->waitingForDevice());
            f.session->setReconnect(true);
        }
        ASSERT_TRUE(f.heardChanges({ Disconnected, Reconnected }));
        ASSERT_TRUE(f.line.pty().writeAll("back"));
        EXPECT_TRUE(f.owner.waitFor([&] { return f.heard.received().ends_with("back"); }));
    }
}

// Closing while the session waits for its device returns at once, stops the
// watch (its thread joined) and leaves nothing that reopens the port later.
TEST(Reconnect, ClosingWhileWaitingStopsTheWatchAndNothingReopens)
{
    enum class Close { ClosePort, Destroy, ClosePortWithBackQueued, DestroyWithBackQueued };
    for (Close close :
        { Close::ClosePort, Close::Destroy, Close::ClosePortWithBackQueued, Close::DestroyWithBackQueued }) {
        SCOPED_TRACE(int(close));
        Fixture f;
        const size_t threadsBefore = threadCount();
        ASSERT_EQ(f.session->OpenPort(), 1);
        f.lose(Loss::LinkRemoved);
        ASSERT_TRUE(f.heardChanges({ Disconnected }));
        const bool backQueued = close == Close::ClosePortWithBackQueued || close == Close::DestroyWithBackQueued;
        if (backQueued) {
            f.line.plugNew();
            ASSERT_TRUE(waitFor([&] { return f.owner.posted() == 2; }, 10s));
        }
        const auto start = std::chrono::steady_clock::now();
        if (close == Close::ClosePort || close == Close::ClosePortWithBackQueued)
            EXPECT_EQ(f.session->ClosePort(), 1);
        else
            f.session.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
        EXPECT_TRUE(waitFor([&] { return threadCount() == threadsBefore; }, 10s)) << threadCount() << " threads";
        f.owner.runPending(); // a queued "back" finds nothing to reopen
        if (f.session) {
            EXPECT_FALSE(f.session->m_portCtx.isConnected || f.session->m_portCtx.portHandle);
            EXPECT_FALSE(f.session->waitingForDevice());
        }
        EXPECT_EQ(f.heard.changes, std::vector { Disconnected });
    }
}

} // namespace

namespace {

// A device that is back but cannot be opened yet (its node is there, its
// driver not ready) is tried again, later each time, until it opens or the
// user closes the port; the session says so once.
TEST(Reconnect, ADeviceThatCannotBeOpenedYetIsTriedAgain)
{
    enum class End { DeviceOpens, UserCloses };
    const struct {
        Loss loss;
        End end;
    } cases[] = { { Loss::LinkRemoved, End::DeviceOpens }, { Loss::HangUp, End::DeviceOpens },
        { Loss::LinkRemoved, End::UserCloses } };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.loss) * 10 + int(c.end));
        Fixture f;
        const size_t threadsBefore = threadCount();
        ASSERT_EQ(f.session->OpenPort(), 1);
        f.lose(c.loss);
        ASSERT_TRUE(f.heardChanges({ Disconnected }));
        f.line.plugNew(true);
        ASSERT_TRUE(f.heardChanges({ Disconnected, Retrying }));
        // Back, and tried again twice more, without a word.
        const size_t tries = f.owner.posted();
        ASSERT_TRUE(f.owner.waitFor([&] { return f.owner.posted() >= tries + 2; }));
        EXPECT_EQ(f.heard.changes, (std::vector { Disconnected, Retrying }));
        EXPECT_TRUE(f.session->waitingForDevice());
        EXPECT_FALSE(f.session->m_portCtx.portHandle || f.session->receiveThreadRunning());
        if (c.end == End::UserCloses) {
            EXPECT_EQ(f.session->ClosePort(), 1);
            EXPECT_TRUE(waitFor([&] { return threadCount() == threadsBefore; }, 10s)) << threadCount() << " threads";
        }
        f.line.pty().lockSlave(false);
        if (c.end == End::UserCloses) {
            f.owner.runPending();
            EXPECT_EQ(f.heard.changes, (std::vector { Disconnected, Retrying }));
            EXPECT_FALSE(f.session->m_portCtx.isConnected || f.session->m_portCtx.portHandle);
            continue;
        }
        ASSERT_TRUE(f.heardChanges({ Disconnected, Retrying, Reconnected }));
        EXPECT_EQ(f.heard.texts,
            (std::vector { f.text("disconnected"), f.text("is back but cannot be opened yet, trying again"),
                f.text("reconnected") }));
        ASSERT_TRUE(f.line.pty().writeAll("back"));
        EXPECT_TRUE(f.owner.waitFor([&] { return f.heard.received().ends_with("back"); }));
        ASSERT_TRUE(f.session->write("ok", 2).ok());
        EXPECT_EQ(f.line.pty().readExactly(2), "ok");
    }
}

} // namespace

namespace {

// A real adapter that a person (or the drivers' virtual machine, through
// its monitor) unplugs and plugs in again: VESPERLINE_TEST_REPLUG names its
// device, whose far end echoes what it gets; the test writes "@@VL unplug"
// and "@@VL plug" to VESPERLINE_TEST_REPLUG_ASK when it wants that done.
struct RealReplug {
    std::string device, ask;
    static std::optional<RealReplug> fromEnvironment()
    {
        const char* device = std::getenv("VESPERLINE_TEST_REPLUG");
        const char* ask = std::getenv("VESPERLINE_TEST_REPLUG_ASK");
        if (!device || !*device || !ask || !*ask) return std::nullopt;
        return RealReplug { device, ask };
    }
    bool request(const char* what) const
    {
        std::ofstream out(ask, std::ios::app);
        out << "@@VL " << what << std::endl;
        return bool(out);
    }
};

TEST(Reconnect, ARealAdapterUnpluggedAndPluggedInAgainMovesBytesAgain)
{
    const auto replug = RealReplug::fromEnvironment();
    if (!replug) GTEST_SKIP() << "set VESPERLINE_TEST_REPLUG and VESPERLINE_TEST_REPLUG_ASK to run";
    Heard heard;
    OwnerQueue owner;
    portio::DeviceNamespace devices;
    devices.define("COM43", replug->device);
    ConsoleSession session(devices, listen(heard, owner));
    session.m_portCtx.portName = "COM43";
    ASSERT_EQ(session.OpenPort(), 1);
    const auto echoed = [&](const std::string& bytes) {
        return session.write(bytes.data(), bytes.size()).ok()
            && owner.waitFor([&] { return heard.received().ends_with(bytes); }, 20s);
    };
    ASSERT_TRUE(echoed(pattern(700, 3))) << heard.received().size() << " bytes came back";
    ASSERT_TRUE(replug->request("unplug"));
    ASSERT_TRUE(owner.waitFor([&] { return heard.changes == std::vector { Disconnected }; }, 20s));
    EXPECT_TRUE(session.waitingForDevice());
    // Plugged in again once it is gone for the system too.
    ASSERT_TRUE(waitFor([&] { return !std::filesystem::exists(replug->device); }, 20s));
    ASSERT_TRUE(replug->request("plug"));
    // A real adapter's node may come before its driver takes opens: the
    // session then says it is trying again before it reconnects.
    const auto said = [&] {
        std::string s;
        for (const auto& t : heard.texts)
            s += t + "; ";
        return s;
    };
    ASSERT_TRUE(owner.waitFor([&] { return heard.changes.back() == Reconnected; }, 30s)) << said();
    EXPECT_EQ(heard.texts.front(), "COM43 (" + replug->device + ") disconnected") << said();
    EXPECT_LE(heard.changes.size(), 3u) << said();
    if (heard.changes.size() == 3) EXPECT_EQ(heard.changes[1], Retrying) << said();
    EXPECT_TRUE(echoed(pattern(900, 4))) << "no bytes moved after the adapter came back";
    EXPECT_EQ(session.ClosePort(), 1);
}

} // namespace
