// The connection of an Rfc2217Port: negotiation, the receiver thread, and
// sending under the rule that a Telnet unit (a doubled IAC, a command) is
// never left half sent: what a time-out cuts off goes out before anything else.
#include "rfc2217codes.h"
#include "rfc2217port.h"

namespace portio {

namespace {

constexpr auto kConnectLimit = std::chrono::seconds(5);
constexpr auto kSendLimit = std::chrono::seconds(2);
constexpr size_t kInputCap = size_t(1) << 20;
// How far past a full input queue the receiver reads to reach an awaited
// answer: more than the socket buffers of both ends hold.
constexpr size_t kAnswerLookahead = size_t(64) << 20;

uint32_t errorFlags(uint8_t line)
{
    return (line & rfc2217::LINE_BREAK ? CE_BREAK : 0) | (line & rfc2217::LINE_FRAMING ? CE_FRAME : 0)
        | (line & rfc2217::LINE_PARITY ? CE_RXPARITY : 0) | (line & rfc2217::LINE_OVERRUN ? CE_OVERRUN : 0);
}

} // namespace

Result<PortPtr> Rfc2217Port::open(const Rfc2217Target& target, Access access, OpenPurpose purpose, OpenAbort* abort)
{
    const auto deadline = Clock::now() + kConnectLimit;
    std::string words;
    for (int attempt = 1;; ++attempt) {
        auto socket = TcpSocket::connect(target.host, target.port, deadline, abort ? &abort->wake() : nullptr);
        if (!socket) return socket.error();
        auto port = std::make_unique<Rfc2217Port>(std::move(*socket), target.text(), access);
        if (abort) abort->attach(port.get());
        PortError e = port->start(purpose, deadline);
        if (abort) abort->attach(nullptr);
        if (!e) return PortPtr(std::move(port));
        if (auto said = port->serverWords(); !said.empty()) words = said;
        // A server still closing the last connection turns the next one away
        // for a moment; one that is held by another client keeps saying so.
        const auto retryAt = Clock::now() + attempt * std::chrono::milliseconds(100);
        if (e.code != ErrorCode::DeviceGone || retryAt >= deadline || (abort && abort->aborted())) {
            if (!words.empty()) e.text += " (it said \"" + words + "\")";
            return e;
        }
        std::this_thread::sleep_until(retryAt);
    }
}

void Rfc2217Port::interruptStart()
{
    setGone(makeError(ErrorCode::Aborted, "opening " + m_where + " was interrupted"));
}

// What a server says before it hangs up on a new connection ("Port already
// in use") is the best explanation there is. A reset may swallow it, so the
// words of any attempt count.
std::string Rfc2217Port::serverWords() const
{
    std::lock_guard lock(m_mutex);
    std::string words;
    for (uint8_t b : m_in)
        if (words.size() < 200 && b >= 0x20 && b < 0x7F) words.push_back(char(b));
    return words;
}

Rfc2217Port::Rfc2217Port(TcpSocket socket, std::string where, Access access)
    : m_socket(std::move(socket))
    , m_where(std::move(where))
    , m_access(access)
    , m_options({ telnet::OPT_BINARY, rfc2217::COM_PORT_OPTION }, { telnet::OPT_BINARY })
{
}

Rfc2217Port::~Rfc2217Port()
{
    close();
}

Status Rfc2217Port::start(OpenPurpose purpose, Clock::time_point deadline)
{
    if (!m_closeWake.status().ok()) return m_closeWake.status();
    m_receiver = std::thread([this] { receiveLoop(); });
    if (auto e = negotiate(deadline)) return e;
    if (purpose == OpenPurpose::Probe) return okStatus();
    if (auto e = sendCommand(rfc2217::SET_LINESTATE_MASK, std::string(1, char(rfc2217::LINE_ERRORS)))) return e;
    if (auto e = sendCommand(rfc2217::SET_MODEMSTATE_MASK, std::string(1, char(0xFF)))) return e;
    return readSettings();
}

Status Rfc2217Port::negotiate(Clock::time_point deadline)
{
    std::string wire;
    {
        std::lock_guard lock(m_mutex);
        wire = m_options.start();
    }
    {
        std::lock_guard send(m_sendMutex);
        if (auto e = sendWire(wire, deadline, false, 0).status) return e;
    }
    Lock lock(m_mutex);
    m_cv.wait_until(lock, deadline, [this] { return m_gone || m_closing || m_options.settled(); });
    if (m_gone) return *m_gone;
    if (!m_options.settled())
        return makeError(ErrorCode::TimedOut, "the server at " + m_where + " did not finish the Telnet negotiation");
    if (!m_options.ours(rfc2217::COM_PORT_OPTION))
        return makeError(ErrorCode::NotSupported,
            "the server at " + m_where + " does not offer a serial port (the Telnet COM-PORT option, RFC 2217)");
    return okStatus();
}

bool Rfc2217Port::awaitRoom()
{
    // A full input queue stops reading the socket: TCP then holds the server
    // back instead of bytes being lost here. An answer someone waits for sits
    // behind the data in flight, so for it the receiver reads on.
    Lock lock(m_mutex);
    m_cv.wait(lock, [this] {
        return m_closing || m_in.size() < kInputCap || (answerAwaited() && m_in.size() < kInputCap + kAnswerLookahead);
    });
    return !m_closing;
}

void Rfc2217Port::receiveLoop()
{
    telnet::Decoder decoder;
    uint8_t buffer[4096];
    while (awaitRoom()) {
        auto ready = m_socket.wait(TcpSocket::Want::Read, m_closeWake, std::nullopt);
        if (!ready) return setGone(ready.error());
        if (*ready == WaitOutcome::Released) return;
        if (*ready != WaitOutcome::Ready) continue;
        const SocketIo r = m_socket.receive(buffer, sizeof buffer);
        if (r.wouldBlock) continue;
        if (r.error) return setGone(broken(r.error));
        if (r.count == 0)
            return setGone(makeError(ErrorCode::DeviceGone, "the server at " + m_where + " closed the connection"));
        telnet::Decoded decoded;
        decoder.feed(buffer, r.count, decoded);
        {
            std::lock_guard lock(m_mutex);
            deliver(decoded);
        }
        m_cv.notify_all();
        flushOutbox();
    }
}

PortError Rfc2217Port::broken(const PortError& os) const
{
    return PortError { ErrorCode::DeviceGone, os.osErrno, "the connection to " + m_where + " broke: " + os.text };
}

// Data and the server's answers in the order they came, so that the answer
// to a purge of received data drops what the server had sent before it.
void Rfc2217Port::deliver(telnet::Decoded& decoded)
{
    size_t done = 0;
    for (size_t i = 0; i < decoded.subnegotiations.size(); ++i) {
        const size_t at = decoded.subnegotiationAt[i];
        m_in.insert(m_in.end(), decoded.data.begin() + ptrdiff_t(done), decoded.data.begin() + ptrdiff_t(at));
        done = at;
        const auto& sub = decoded.subnegotiations[i];
        if (sub.size() >= 2 && uint8_t(sub[0]) == rfc2217::COM_PORT_OPTION) onComPort(sub);
    }
    m_in.insert(m_in.end(), decoded.data.begin() + ptrdiff_t(done), decoded.data.end());
    for (const auto& n : decoded.negotiations)
        m_outbox += m_options.receive(n);
}

void Rfc2217Port::onComPort(const std::string& sub)
{
    const uint8_t code = uint8_t(sub[1]);
    const std::string value = sub.substr(2);
    // Codes below 100 are a client's requests; a server has no business sending them.
    if (code < rfc2217::SERVER_OFFSET) return;
    const uint8_t what = code - rfc2217::SERVER_OFFSET;
    if (what == rfc2217::NOTIFY_LINESTATE && !value.empty())
        m_errors |= errorFlags(uint8_t(value[0]));
    else if (what == rfc2217::NOTIFY_MODEMSTATE && !value.empty())
        m_modem = uint8_t(value[0]) & rfc2217::MODEM_LEVELS;
    else if (what == rfc2217::FLOWCONTROL_SUSPEND || what == rfc2217::FLOWCONTROL_RESUME)
        m_suspended = what == rfc2217::FLOWCONTROL_SUSPEND;
    else
        matchAnswer(what, value);
    if (what == rfc2217::PURGE_DATA && !value.empty()
        && (uint8_t(value[0]) == rfc2217::PURGE_RX || uint8_t(value[0]) == rfc2217::PURGE_BOTH))
        m_in.clear();
}

void Rfc2217Port::setGone(PortError error)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_gone) m_gone = std::move(error);
    }
    m_cv.notify_all();
    m_sync.release(WaitWrite);
}

std::optional<PortError> Rfc2217Port::failure() const
{
    std::lock_guard lock(m_mutex);
    if (m_closing) return closedError();
    return m_gone;
}

// A data write ends at an abort purge as well as at close; a command only at close.
Result<WaitOutcome> Rfc2217Port::waitWritable(bool data, PortSync::Ticket ticket, std::optional<Clock::duration> limit)
{
    if (!data) return m_socket.wait(TcpSocket::Want::Write, m_closeWake, limit);
    PortSync::Waiting waiting(m_sync, WaitWrite, ticket);
    if (waiting.admitted() == WaitOutcome::Failed)
        return makeError(ErrorCode::OsFailure, "waiting to send: no wake-up could be made");
    if (waiting.admitted() != WaitOutcome::Ready) return waiting.admitted();
    return m_socket.wait(TcpSocket::Want::Write, waiting.wake(), limit);
}

// The server's flow control holds our data back, not our commands: a setting
// or a purge must still reach a server that waits for the far end.
Status Rfc2217Port::waitResumed(std::optional<Clock::time_point> deadline, PortSync::Ticket ticket)
{
    Lock lock(m_mutex);
    const auto aborted = [&] { return m_sync.ticket(WaitWrite) != ticket; };
    const auto go = [&] { return !m_suspended || m_closing || m_gone || aborted(); };
    if (deadline)
        m_cv.wait_until(lock, *deadline, go);
    else
        m_cv.wait(lock, go);
    if (m_closing) return closedError();
    if (m_gone) return *m_gone;
    if (aborted()) return makeError(ErrorCode::Aborted, "the write was aborted");
    if (m_suspended)
        return makeError(ErrorCode::TimedOut, "the server at " + m_where + " held the data back (flow control)");
    return okStatus();
}

// Expects m_sendMutex held. Sends what is owed and the receiver's answers
// first; the count is of `wire` alone. What of the prefix did not go stays owed.
Rfc2217Port::Sent Rfc2217Port::sendWire(
    std::string wire, std::optional<Clock::time_point> deadline, bool data, PortSync::Ticket ticket)
{
    std::string full = std::exchange(m_owed, {});
    {
        std::lock_guard lock(m_mutex);
        full += std::exchange(m_outbox, {});
    }
    const size_t prefix = full.size();
    full += wire;
    size_t k = 0;
    Status status;
    while (k < full.size() && status.ok()) {
        m_unhanded = full.size() - k;
        if (data && !(status = waitResumed(deadline, ticket)).ok()) break;
        const SocketIo w = m_socket.send(full.data() + k, full.size() - k);
        if (w.count > 0) {
            k += w.count;
            continue;
        }
        if (w.error) {
            status = broken(w.error);
            setGone(status);
            break;
        }
        std::optional<Clock::duration> limit;
        if (deadline) {
            const auto now = Clock::now();
            if (now >= *deadline) {
                status = makeError(ErrorCode::TimedOut, "the server at " + m_where + " takes no more data");
                break;
            }
            limit = *deadline - now;
        }
        auto outcome = waitWritable(data, ticket, limit);
        if (!outcome)
            status = outcome.error();
        else if (*outcome == WaitOutcome::Released || *outcome == WaitOutcome::Gone)
            status = failure().value_or(*outcome == WaitOutcome::Gone
                    ? makeError(ErrorCode::DeviceGone, "the connection to " + m_where + " broke")
                    : makeError(ErrorCode::Aborted, "the write was aborted"));
    }
    m_unhanded = 0;
    if (k < prefix) owe(full.substr(k, prefix - k));
    return { k > prefix ? k - prefix : 0, status };
}

// Expects m_sendMutex held.
void Rfc2217Port::owe(const std::string& rest)
{
    m_owed += rest;
    m_unhanded = m_owed.size();
}

void Rfc2217Port::flushOutbox()
{
    std::unique_lock send(m_sendMutex, std::try_to_lock);
    // A writer holds the line; it sends the outbox ahead of its own bytes.
    if (!send) return;
    (void)sendWire({}, Clock::now(), false, 0);
}

Status Rfc2217Port::transmit(uint8_t code, const std::string& value)
{
    const std::string wire = telnet::subnegotiation(rfc2217::COM_PORT_OPTION, std::string(1, char(code)) + value);
    std::lock_guard send(m_sendMutex);
    const Sent sent = sendWire(wire, Clock::now() + kSendLimit, false, 0);
    if (sent.count > 0 && sent.count < wire.size()) owe(wire.substr(sent.count));
    return sent.status;
}

} // namespace portio
