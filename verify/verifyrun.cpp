#include "verifyrun.h"

#include "latency.h"
#include "modemcheck.h"
#include "portopener.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <thread>

namespace verify {

using namespace portio;

namespace {

// A receiver's read waits this long at most for the bytes it asks for.
constexpr uint32_t ReadLimitMs = 100;
// How long a receiver listens on once everything arrived, for extra bytes.
constexpr auto SettleTime = std::chrono::milliseconds(100);
constexpr int MaxStalls = 2;

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// About half a second of line time per write: a line idles for a moment
// between two writes, so few and long ones keep it near its full rate.
size_t chunkSize(const LineSettings& line)
{
    return std::clamp<size_t>(size_t(charactersPerSecond(line) / 2), 16, 65536);
}

// The last write of a timed run stops at the deadline.
size_t untilDeadline(const LineSettings& line, Clock::duration left)
{
    return size_t(std::max(1.0, std::chrono::duration<double>(left).count() * charactersPerSecond(line)));
}

// A read asks for what the line brings within its time limit, so that a busy
// line wakes its receiver about ten times a second, not at every batch of
// characters the driver takes in.
size_t readSize(const LineSettings& line)
{
    return std::clamp<size_t>(size_t(charactersPerSecond(line) * ReadLimitMs / 1000), 16, 4096);
}

CommTimeouts loadTimeouts(const LineSettings& line)
{
    // A write may take twice its line time and a second more before the run
    // calls the line stalled (flow control that never lets go).
    const double writeMs = 2000.0 * double(chunkSize(line)) / charactersPerSecond(line);
    CommTimeouts t;
    // A read returns once it is full or at its limit, with what came.
    t.ReadTotalTimeoutConstant = ReadLimitMs;
    t.WriteTotalTimeoutConstant = uint32_t(std::min(writeMs, 3.6e6)) + 1000;
    return t;
}

std::vector<std::vector<int>> groups(const std::vector<std::unique_ptr<Lane>>& lanes)
{
    std::vector<std::vector<int>> g;
    for (int i = 0; i < int(lanes.size()); ++i) {
        const int s = lanes[size_t(i)]->source;
        if (s == i)
            g.push_back({ i });
        else if (i < s)
            g.push_back({ i, s });
    }
    return g;
}

// A read that ends at its limit returned later than its last byte came: on a
// line that kept busy, that was one line time per byte after the read began.
Clock::time_point lastByteOf(Clock::time_point asked, Clock::time_point now, size_t count, double cps)
{
    const auto lineTime = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(count / cps));
    return std::min(now, asked + lineTime);
}

} // namespace

VerifyRun::VerifyRun(DeviceNamespace& ns, std::vector<std::string> ports, std::vector<int> sources,
    VerifySettings settings, const std::atomic<bool>* stop)
    : m_ns(ns)
    , m_settings(std::move(settings))
    , m_stop(stop)
{
    if (!m_settings.duration && !m_settings.bytes) m_settings.duration = std::chrono::seconds(10);
    if (!m_settings.runKey) {
        std::random_device random;
        m_settings.runKey = uint64_t(random()) << 32 | random();
    }
    for (size_t i = 0; i < ports.size(); ++i) {
        auto lane = std::make_unique<Lane>();
        lane->name = ports[i];
        lane->source = i < sources.size() ? sources[i] : int(i);
        m_lanes.push_back(std::move(lane));
    }
}

VerifyRun::~VerifyRun()
{
    for (auto& lane : m_lanes)
        if (lane->port) lane->port->close();
}

RunReport VerifyRun::run(const ProgressFn& progress)
{
    m_start = Clock::now();
    const auto started = std::chrono::system_clock::now();
    open();
    if (progress) progress(this->progress());
    prepare();
    if (progress) progress(this->progress());
    load(progress);
    RunReport report;
    report.settings = m_settings;
    report.started = started;
    report.interrupted = stopped();
    for (auto& lane : m_lanes)
        report.ports.push_back(reportFor(*lane));
    report.durationS = seconds(Clock::now() - m_start);
    report.pass = !report.interrupted && !report.ports.empty()
        && std::all_of(report.ports.begin(), report.ports.end(), [](const PortReport& p) { return p.pass; });
    return report;
}

// The run's settings with the port's own XON and XOFF characters; plain:
// without flow control, for the checks before the load.
Dcb VerifyRun::dcbFor(const Lane& lane, bool plain) const
{
    Dcb d = toDcb(m_settings.line);
    d.XonChar = lane.xonChar;
    d.XoffChar = lane.xoffChar;
    if (plain) {
        d.fOutxCtsFlow = d.fOutX = d.fInX = false;
        d.fRtsControl = RTS_CONTROL_ENABLE;
    }
    return d;
}

void VerifyRun::open()
{
    std::vector<std::string> names;
    for (const auto& lane : m_lanes)
        names.push_back(lane->name);
    m_opener = std::make_unique<PortOpener>(m_ns, std::move(names));
    m_opener->wait(m_stop);
    for (size_t i = 0; i < m_lanes.size(); ++i) {
        Lane& lane = *m_lanes[i];
        auto device = m_ns.query(lane.name);
        lane.device = device ? *device : lane.name;
        // Ports left unopened by a stop are reported as interrupted.
        auto port = m_opener->take(i);
        if (!port) continue;
        if (!*port) {
            lane.openError = port->error().code;
            // Held by a console window or another run: the others go on.
            const bool busy = port->error().code == ErrorCode::Busy;
            lane.failure = busy ? "busy" : "cannot be opened: " + port->error().text;
            continue;
        }
        lane.port = std::move(**port);
        if (stopped()) continue;
        if (auto state = lane.port->getState(); state && state->XonChar != state->XoffChar) {
            lane.xonChar = state->XonChar;
            lane.xoffChar = state->XoffChar;
        }
        if (auto e = lane.port->setState(dcbFor(lane, true))) lane.failure = "line settings refused: " + e.text;
    }
}

void VerifyRun::prepare()
{
    std::vector<std::thread> threads;
    for (const auto& g : groups(m_lanes))
        threads.emplace_back([this, g] { prepareGroup(g); });
    for (auto& t : threads)
        t.join();
}

void VerifyRun::prepareGroup(const std::vector<int>& members)
{
    for (int i : members) {
        Lane& lane = *m_lanes[size_t(i)];
        Lane& src = *m_lanes[size_t(lane.source)];
        if (m_settings.modemLines == ModemLines::Skip)
            lane.modem.state = ModemCheck::State::Skipped;
        else if (lane.usable() && src.usable() && !stopped())
            lane.modem = checkModemLines(*src.port, *lane.port, m_settings.modemTimeout, m_stop);
    }
    Lane& a = *m_lanes[size_t(members.front())];
    Lane& b = *m_lanes[size_t(members.back())];
    if (a.usable() && b.usable() && m_settings.latencySamples > 0 && !stopped()) {
        auto l = measureLatency(*a.port, *b.port, m_settings.latencySamples, m_settings.latencyTimeout, m_stop);
        if (l) a.latency = b.latency = *l;
    }
    for (int i : members) {
        Lane& lane = *m_lanes[size_t(i)];
        if (!lane.usable() || stopped()) continue;
        if (auto e = lane.port->setState(dcbFor(lane, false))) lane.failure = "line settings refused: " + e.text;
        if (auto e = lane.port->setTimeouts(loadTimeouts(m_settings.line)))
            lane.failure = "time-outs refused: " + e.text;
        if (auto c = lane.port->lineCounters()) lane.countersAtStart = *c;
        (void)lane.port->purge(PURGE_RXCLEAR | PURGE_TXCLEAR);
    }
}

void VerifyRun::load(const ProgressFn& progress)
{
    // Stopped while preparing: nothing is sent, the ports close at once.
    if (stopped()) return;
    chooseAvoided();
    for (size_t i = 0; i < m_lanes.size(); ++i)
        m_lanes[i]->checker = std::make_unique<StreamChecker>(
            m_settings.line.dataBits, uint32_t(m_lanes[i]->source), *m_settings.runKey, m_avoid);
    m_loadStart = Clock::now();
    for (auto& lane : m_lanes) {
        lane->timeline.start(m_loadStart);
        lane->countersSeen = lane->countersAtStart;
    }
    m_loading = true;
    std::vector<std::thread> threads;
    for (auto& lane : m_lanes)
        threads.emplace_back([this, l = lane.get()] { receive(*l); });
    for (auto& lane : m_lanes)
        threads.emplace_back([this, l = lane.get()] { send(*l); });
    const auto done = [&] {
        return std::all_of(m_lanes.begin(), m_lanes.end(), [](const auto& l) { return l->receiveDone.load(); });
    };
    // Progress is shown a few times a second; the threads do not wait for it.
    auto countersAt = m_loadStart;
    while (!done() && !stopped()) {
        if (progress) progress(this->progress());
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (const auto now = Clock::now(); now - countersAt >= TimelineRecorder::Interval) {
            watchLineCounters(now);
            countersAt = now;
        }
    }
    if (stopped()) abortIo();
    for (auto& t : threads)
        t.join();
    watchLineCounters(Clock::now());
    if (progress) progress(this->progress());
}

void VerifyRun::send(Lane& lane)
{
    const auto index = uint32_t(
        std::find_if(m_lanes.begin(), m_lanes.end(), [&](auto& l) { return l.get() == &lane; }) - m_lanes.begin());
    const TestPattern pattern(m_settings.line.dataBits, *m_settings.runKey, m_avoid);
    std::vector<uint8_t> buf(chunkSize(m_settings.line));
    const auto deadline = m_settings.duration ? std::optional(m_loadStart + *m_settings.duration) : std::nullopt;
    uint64_t offset = 0;
    int stalls = 0;
    while (lane.usable() && !stopped() && !(deadline && Clock::now() >= *deadline)) {
        size_t n = buf.size();
        if (m_settings.bytes) n = size_t(std::min<uint64_t>(n, *m_settings.bytes - offset));
        if (deadline) n = std::min(n, untilDeadline(m_settings.line, *deadline - Clock::now()));
        if (n == 0) break;
        pattern.fill(index, offset, buf.data(), n);
        const IoResult r = lane.port->write(buf.data(), n);
        offset += r.count;
        lane.sent = offset;
        if (r.ok() || (r.error.code == ErrorCode::TimedOut && r.count > 0)) {
            stalls = 0;
        } else if (r.error.code != ErrorCode::TimedOut || ++stalls >= MaxStalls) {
            // A write the stop aborted is no fault of the line.
            if (!stopped()) lane.sendFailure = "sending failed: " + r.error.text;
            break;
        }
    }
    lane.sendDone = true;
}

void VerifyRun::receive(Lane& lane)
{
    std::vector<uint8_t> buf(readSize(m_settings.line));
    const double cps = charactersPerSecond(m_settings.line);
    // Only progress along the expected stream counts as the line being busy:
    // a port that hears a chatty device instead must not keep the run open.
    auto progressAt = Clock::now();
    uint64_t reached = 0;
    std::optional<Clock::time_point> completeAt;
    bool sawSendDone = false;
    while (lane.usable()) {
        const auto asked = Clock::now();
        const IoResult r = lane.port->read(buf.data(), buf.size());
        const auto now = Clock::now();
        if (r.count) {
            if (!lane.received) {
                lane.firstByte = now;
                lane.firstCount = r.count;
            }
            lane.checker->feed(buf.data(), r.count);
            {
                std::lock_guard lock(lane.countsMutex);
                lane.timeline.addBytes(now, r.count);
                noteStreamEvents(lane, now, lane.received);
                if (!lane.firstErrorNow) lane.firstErrorNow = lane.checker->firstError();
            }
            lane.received += r.count;
            lane.lastByte = lastByteOf(asked, now, r.count, cps);
            if (lane.checker->reached() > reached) {
                reached = lane.checker->reached();
                progressAt = now;
            }
        }
        // The stop aborts a pending read; what is already on its way is still taken.
        const bool stopAbort = stopped() && r.error.code == ErrorCode::Aborted;
        if (!r.ok() && r.error.code != ErrorCode::TimedOut && !stopAbort) {
            if (r.error.code == ErrorCode::DeviceGone) {
                std::lock_guard lock(lane.countsMutex);
                lane.timeline.addEvent(now, lane.received, EventKind::DeviceGone, 1);
            }
            if (!stopped()) lane.receiveFailure = "receiving failed: " + r.error.text;
            break;
        }
        // Bytes in flight when the sender stops get the drain time-out.
        if (!sawSendDone && m_lanes[size_t(lane.source)]->sendDone) {
            sawSendDone = true;
            progressAt = now;
        }
        if (receiverDone(lane, progressAt, completeAt)) break;
    }
    const uint64_t sent = m_lanes[size_t(lane.source)]->sent;
    lane.checker->finish(stopped() ? std::min(sent, lane.checker->reached()) : sent);
    {
        // What the end decided (the tail that never came) is an event of the end.
        std::lock_guard lock(lane.countsMutex);
        noteStreamEvents(lane, Clock::now(), lane.received);
    }
    lane.receiveDone = true;
}

bool VerifyRun::receiverDone(
    Lane& lane, Clock::time_point progressAt, std::optional<Clock::time_point>& completeAt) const
{
    const Lane& src = *m_lanes[size_t(lane.source)];
    const auto now = Clock::now();
    // Stopped: the source's last write counts what left only once it has
    // ended; until then its bytes would look like extra ones.
    if (stopped()) return src.sendDone && (lane.checker->reached() >= src.sent || now - progressAt >= SettleTime);
    if (!src.sendDone) return false;
    if (lane.checker->reached() >= src.sent) {
        // All arrived: listen a little longer, so that a repeated last block
        // is counted instead of left unread.
        if (!completeAt) completeAt = now;
        return now - *completeAt >= std::min<Clock::duration>(m_settings.drainTimeout, SettleTime);
    }
    return now - progressAt >= m_settings.drainTimeout;
}

PortReport VerifyRun::reportFor(Lane& lane)
{
    const Lane& src = *m_lanes[size_t(lane.source)];
    PortReport p;
    p.port = lane.name;
    p.device = lane.device;
    p.source = src.name;
    p.bytesSent = src.sent;
    p.bytesReceived = lane.received;
    p.modem = lane.modem;
    p.latency = lane.latency;
    p.reason = troubleOf(lane);
    if (lane.checker) {
        p.stream = lane.checker->counts();
        p.firstError = lane.checker->firstError();
        p.timeline = lane.timeline.timeline();
        for (uint32_t s : lane.checker->foreignSources())
            p.misroutedFrom.push_back(s < m_lanes.size() ? m_lanes[s]->name : "an unknown port");
        // The first read's bytes took their line time before it returned.
        const double cps = charactersPerSecond(m_settings.line);
        const double active = seconds(lane.lastByte - lane.firstByte) + double(lane.firstCount) / cps;
        if (active > 0) p.lineRateFraction = lane.checker->good() / active / cps;
    }
    // What was still under way when the run was stopped is no fault.
    if (p.reason.empty() && stopped()) p.reason = "interrupted";
    if (lane.countersAtStart && lane.port)
        if (auto now = lane.port->lineCounters()) p.lineErrors = *now - *lane.countersAtStart;
    judge(p, m_settings);
    return p;
}

// Called under the lane's counts lock after each read: what the read added
// to the counts becomes one event per kind.
void VerifyRun::noteStreamEvents(Lane& lane, Clock::time_point now, uint64_t offset)
{
    const StreamCounts& after = lane.checker->counts();
    const StreamCounts& before = lane.countsNow;
    if (after.total() != before.total()) {
        const std::pair<uint64_t StreamCounts::*, EventKind> kinds[] = { { &StreamCounts::lost, EventKind::Lost },
            { &StreamCounts::corrupt, EventKind::Corrupt }, { &StreamCounts::duplicate, EventKind::Duplicate },
            { &StreamCounts::reordered, EventKind::Reordered }, { &StreamCounts::misrouted, EventKind::Misrouted } };
        for (const auto& [field, kind] : kinds)
            if (after.*field > before.*field) lane.timeline.addEvent(now, offset, kind, after.*field - before.*field);
    }
    lane.countsNow = after;
}

// The driver's counters are read a few times a second, by this thread, so
// that a burst of framing errors shows when it came.
void VerifyRun::watchLineCounters(Clock::time_point now)
{
    using LC = portio::LineCounters;
    const std::pair<uint64_t LC::*, EventKind> kinds[] = { { &LC::framing, EventKind::Framing },
        { &LC::parity, EventKind::Parity }, { &LC::overrun, EventKind::Overrun }, { &LC::brk, EventKind::Break } };
    for (auto& lane : m_lanes) {
        if (!lane->usable() || !lane->countersSeen) continue;
        auto c = lane->port->lineCounters();
        if (!c) continue;
        std::lock_guard lock(lane->countsMutex);
        for (const auto& [field, kind] : kinds)
            if ((*c).*field > (*lane->countersSeen).*field)
                lane->timeline.addEvent(now, lane->received, kind, (*c).*field - (*lane->countersSeen).*field);
        lane->countersSeen = *c;
    }
}

// Why a port cannot pass, short of its counts: its own trouble first, then
// its source's. A thread's text is read only once the thread is done with it.
std::string VerifyRun::troubleOf(const Lane& lane) const
{
    const Lane& src = *m_lanes[size_t(lane.source)];
    if (!lane.failure.empty()) return lane.failure;
    if (!src.failure.empty()) return src.name + " (its source) " + src.failure;
    if (src.sendDone && !src.sendFailure.empty())
        return (&src == &lane ? std::string() : src.name + " (its source): ") + src.sendFailure;
    return lane.receiveDone ? lane.receiveFailure : std::string();
}

// Under XON/XOFF flow a port takes its own XON and XOFF characters out of
// what it receives: the pattern must never send them, whichever they are.
void VerifyRun::chooseAvoided()
{
    if (m_settings.line.flow != Flow::XonXoff) return;
    for (const auto& lane : m_lanes)
        for (uint8_t c : { lane->xonChar, lane->xoffChar })
            if (lane->usable() && std::find(m_avoid.begin(), m_avoid.end(), c) == m_avoid.end()) m_avoid.push_back(c);
    if (TestPattern::canAvoid(m_settings.line.dataBits, m_avoid)) return;
    std::string text = "the test pattern cannot avoid the XON/XOFF characters";
    for (uint8_t c : m_avoid) {
        char hex[8];
        std::snprintf(hex, sizeof hex, " 0x%02X", c);
        text += hex;
    }
    text += " with " + std::to_string(m_settings.line.dataBits) + " data bits";
    for (auto& lane : m_lanes)
        if (lane->usable()) lane->failure = text;
}

// A writer waits for its line up to its time-out; stopping must not.
void VerifyRun::abortIo()
{
    for (auto& lane : m_lanes)
        if (lane->usable()) (void)lane->port->purge(PURGE_TXABORT | PURGE_RXABORT);
}

PortProgress VerifyRun::progressOf(const Lane& lane, bool watched) const
{
    PortProgress p;
    p.phase = lane.receiveDone ? PortProgress::Phase::Done
        : m_loading            ? PortProgress::Phase::Running
                               : PortProgress::Phase::Waiting;
    p.device = lane.device;
    p.sent = m_lanes[size_t(lane.source)]->sent;
    p.received = lane.received;
    {
        std::lock_guard lock(lane.countsMutex);
        p.stream = lane.countsNow;
        p.firstError = lane.firstErrorNow;
        if (watched) p.timeline = lane.timeline.timeline();
    }
    p.failure = lane.failure;
    p.openError = lane.openError;
    // A fault the receiver found stays a fault: shown while the run goes on.
    p.reason = troubleOf(lane);
    if (p.reason.empty()) p.reason = streamFault(p.stream, {});
    return p;
}

Progress VerifyRun::progress() const
{
    Progress p;
    p.elapsedS = m_loading ? seconds(Clock::now() - m_loadStart) : 0;
    p.ports = int(m_lanes.size());
    const int watched = m_watched ? m_watched->load() : -1;
    for (size_t i = 0; i < m_lanes.size(); ++i) {
        const Lane& l = *m_lanes[i];
        p.bytesSent += l.sent;
        p.bytesReceived += l.received;
        p.portsDone += l.receiveDone ? 1 : 0;
        p.lanes.push_back(progressOf(l, int(i) == watched));
    }
    return p;
}

} // namespace verify
