#include "scriptedserver.h"

#include "portio/commtypes.h"
#include "portio/rfc2217/rfc2217codes.h"
#include "portio/rfc2217/telnetcodec.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

using namespace portio;

std::string ScriptedServer::echo(uint8_t, const std::string& value)
{
    return value;
}

std::string ScriptedServer::notice(uint8_t code, const std::string& value)
{
    return telnet::subnegotiation(
        rfc2217::COM_PORT_OPTION, std::string(1, char(code + rfc2217::SERVER_OFFSET)) + value);
}

ScriptedServer::ScriptedServer(Start start, Answer answer, std::string notices)
    : m_start(start)
    , m_answer(std::move(answer))
    , m_notices(std::move(notices))
{
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(m_listen, 1);
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
    m_port = ntohs(a.sin_port);
    m_thread = std::thread([this] { serve(); });
}

ScriptedServer::~ScriptedServer()
{
    m_stop = true;
    m_thread.join();
    ::close(m_listen);
}

ScriptedServer& ScriptedServer::aroundPurge(std::string before, std::string after)
{
    std::lock_guard lock(m_mutex);
    m_beforePurge = std::move(before);
    m_afterPurge = std::move(after);
    return *this;
}

ScriptedServer& ScriptedServer::holdBack(Filter held, Late where)
{
    std::lock_guard lock(m_mutex);
    m_held = std::move(held);
    m_late = where;
    return *this;
}

ScriptedServer& ScriptedServer::pollModemLines(std::chrono::milliseconds period, bool wired)
{
    std::lock_guard lock(m_mutex);
    m_modemPeriod = period;
    m_wired = wired;
    return *this;
}

void ScriptedServer::push(const std::string& bytes)
{
    std::lock_guard lock(m_mutex);
    m_out += bytes;
}

void ScriptedServer::flood(size_t size)
{
    std::lock_guard lock(m_mutex);
    m_flood += size;
}

std::string ScriptedServer::received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

size_t ScriptedServer::queued() const
{
    std::lock_guard lock(m_mutex);
    return m_out.size() + (m_flood - m_flooded);
}

bool ScriptedServer::readable(int fd)
{
    pollfd p { fd, POLLIN, 0 };
    while (!m_stop)
        if (::poll(&p, 1, 20) > 0) return true;
    return false;
}

void ScriptedServer::control(uint8_t value)
{
    if (!m_wired) return;
    if (value == rfc2217::RTS_ON || value == rfc2217::RTS_OFF) m_rts = value == rfc2217::RTS_ON;
    if (value == rfc2217::DTR_ON || value == rfc2217::DTR_OFF) m_dtr = value == rfc2217::DTR_ON;
}

void ScriptedServer::pollLines()
{
    const auto now = std::chrono::steady_clock::now();
    if (m_modemPeriod.count() == 0 || now < m_nextPoll) return;
    m_nextPoll = now + m_modemPeriod;
    const int state = (m_rts ? MS_CTS_ON : 0) | (m_dtr ? MS_DSR_ON | MS_RLSD_ON : 0);
    if (state == m_notified) return;
    m_notified = state;
    push(notice(rfc2217::NOTIFY_MODEMSTATE, std::string(1, char(state))));
}

void ScriptedServer::reply(int c, const std::string& data, const std::vector<std::string>& subs)
{
    std::string out;
    if (!subs.empty()) out += std::exchange(m_notices, {});
    for (const auto& sub : subs) {
        const uint8_t code = uint8_t(sub[1]);
        const std::string value = sub.substr(2);
        if (code == rfc2217::SET_CONTROL && !value.empty()) control(uint8_t(value[0]));
        const std::string a = m_answer(code, value);
        const std::string answer = a.empty() ? std::string() : notice(code, a);
        if (code == rfc2217::PURGE_DATA) out += m_beforePurge;
        if (m_held && m_held(code, value)) {
            m_heldAnswers += answer;
        } else if (m_late == Late::BeforeNext && !m_heldAnswers.empty()) {
            push(out + std::exchange(m_heldAnswers, {}));
            out.clear();
            while (queued() > 0 && !m_stop)
                sendSome(c);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            out += answer;
        } else {
            out += answer + std::exchange(m_heldAnswers, {});
        }
        if (code == rfc2217::PURGE_DATA) out += m_afterPurge;
        if (code == rfc2217::SET_MODEMSTATE_MASK) m_nextPoll = {};
    }
    push(out);
    std::lock_guard lock(m_mutex);
    m_received += data;
}

// Sends what the queue holds without blocking; the flood is made as it goes.
void ScriptedServer::sendSome(int c)
{
    std::lock_guard lock(m_mutex);
    while (m_out.size() < 65536 && m_flooded < m_flood)
        m_out.push_back(char(m_flooded++ % 251));
    if (m_out.empty()) return;
    const ssize_t w = ::send(c, m_out.data(), m_out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (w > 0) m_out.erase(0, size_t(w));
}

void ScriptedServer::serve()
{
    while (readable(m_listen))
        if (const int c = ::accept(m_listen, nullptr, nullptr); c >= 0) session(c);
}

void ScriptedServer::session(int c)
{
    telnet::Decoder decoder;
    uint8_t buf[4096];
    // A hang-up reads the client's first request, so the close is an orderly one.
    if (m_start == Start::HangUp) {
        if (readable(c)) (void)::recv(c, buf, sizeof buf, 0);
        (void)::send(c, "Port already in use\r\n", 21, MSG_NOSIGNAL);
        ::close(c);
        return;
    }
    {
        // What the test set before the client connected holds from here on.
        std::lock_guard lock(m_mutex);
    }
    bool stalled = false;
    while (!m_stop) {
        pollLines();
        const short out = queued() > 0 ? POLLOUT : 0;
        pollfd p { c, short((stalled ? 0 : POLLIN) | out), 0 };
        if (::poll(&p, 1, 5) <= 0) continue;
        if (p.revents & POLLOUT) sendSome(c);
        if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const ssize_t r = ::recv(c, buf, sizeof buf, 0);
        if (r <= 0) break;
        telnet::Decoded d;
        decoder.feed(buf, size_t(r), d);
        std::string answers;
        for (auto n : d.negotiations) {
            const bool yes = n.option != rfc2217::COM_PORT_OPTION || m_start != Start::RefuseComPort;
            if (n.verb == telnet::WILL) answers += telnet::negotiation(yes ? telnet::DO : telnet::DONT, n.option);
            if (n.verb == telnet::DO) answers += telnet::negotiation(telnet::WILL, n.option);
        }
        push(answers);
        reply(c, d.data, d.subnegotiations);
        stalled = m_start == Start::Stall && !d.data.empty();
    }
    ::close(c);
}
