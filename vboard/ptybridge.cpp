#include "ptybridge.h"

#include "linerules.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

namespace vboard {

using namespace portio;

namespace {

constexpr size_t kChunk = 512;

void ring(int fd)
{
    const uint64_t one = 1;
    (void)::write(fd, &one, sizeof one);
}

void drain(int fd)
{
    uint64_t v;
    (void)::read(fd, &v, sizeof v);
}

int msUntil(std::optional<Clock::time_point> due, Clock::time_point now)
{
    if (!due) return -1;
    return int(std::max<int64_t>(0, std::chrono::ceil<std::chrono::milliseconds>(*due - now).count()));
}

} // namespace

PtyBridge::PtyBridge(
    std::shared_ptr<BoardCore> core, const std::vector<int>& indices, std::unique_ptr<ExposedLinks> links)
    : m_core(std::move(core))
    , m_links(std::move(links))
    , m_wake(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
    for (int index : indices) {
        auto e = std::make_unique<End>();
        e->index = index;
        // A port another program exposes is refused; the others still get their links.
        auto status = openEnd(*e);
        if (!status && m_links)
            status = m_links->add("COM" + std::to_string(m_core->config().firstCom + index), e->path);
        if (status && !m_status) m_status = status;
        if (e->master >= 0) hook(*e);
        m_ends.push_back(std::move(e));
    }
    m_thread = std::thread([this] { run(); });
}

PtyBridge::~PtyBridge()
{
    {
        std::lock_guard lock(m_core->mutex());
        m_stop = true;
        for (auto& e : m_ends) {
            BoardPort& p = m_core->port(e->index);
            p.toPty = nullptr;
            p.ptyFull = false;
        }
    }
    ring(m_wake);
    m_thread.join();
    for (auto& e : m_ends) {
        if (e->master >= 0) ::close(e->master);
        if (e->slave >= 0) ::close(e->slave);
    }
    ::close(m_wake);
}

std::string PtyBridge::ptyPath(int index) const
{
    for (const auto& e : m_ends)
        if (e->index == index) return e->path;
    return {};
}

Status PtyBridge::openEnd(End& e)
{
    e.master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (e.master < 0) return errnoError(errno, "making a pseudo-terminal");
    char name[128];
    if (::grantpt(e.master) != 0 || ::unlockpt(e.master) != 0 || ::ptsname_r(e.master, name, sizeof name) != 0)
        return errnoError(errno, "making a pseudo-terminal");
    e.path = name;
    e.slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (e.slave < 0) return errnoError(errno, e.path);
    termios t {};
    ::tcgetattr(e.slave, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(e.slave, TCSANOW, &t);
    return okStatus();
}

void PtyBridge::hook(End& e)
{
    std::lock_guard lock(m_core->mutex());
    BoardPort& p = m_core->port(e.index);
    p.toPty = [this, &e, &p](uint8_t byte) {
        if (e.out.empty()) ring(m_wake);
        e.out.push_back(byte);
        if (e.out.size() >= p.outCap) p.ptyFull = true;
    };
}

// Expects the board mutex held. What waits for the pseudo-terminal goes as
// far as it takes it.
void PtyBridge::moveOut(End& e)
{
    BoardPort& p = m_core->port(e.index);
    while (!e.out.empty()) {
        uint8_t buf[kChunk];
        const size_t n = std::min(e.out.size(), sizeof buf);
        std::copy_n(e.out.begin(), n, buf);
        const ssize_t w = ::write(e.master, buf, n);
        if (w <= 0) break;
        e.out.erase(e.out.begin(), e.out.begin() + w);
    }
    if (p.ptyFull && e.out.size() < p.outCap) {
        p.ptyFull = false;
        m_core->linesChanged(p);
    }
}

// Expects the board mutex held. Takes no more characters than the port's
// line could have carried since the last one. Wake-ups come a tick apart at
// best, so what fell due within one tick goes as one batch, as in the board's
// own engine; an idle line saves up no more than that.
void PtyBridge::moveIn(End& e, Clock::time_point now)
{
    BoardPort& p = m_core->port(e.index);
    const auto ct = characterTime(p.dcb);
    const Clock::duration window = std::max<Clock::duration>(ct, m_core->config().tick);
    if (e.rxFreeAt < now - window) e.rxFreeAt = now - window;
    const size_t due = std::min<size_t>(kChunk, size_t((now - e.rxFreeAt) / ct));
    if (due == 0) return;
    uint8_t buf[kChunk];
    const ssize_t r = ::read(e.master, buf, due);
    if (r <= 0) return;
    const uint8_t dataMask = uint8_t((1u << p.dcb.ByteSize) - 1);
    for (ssize_t i = 0; i < r; ++i)
        m_core->receive(p, buf[i] & dataMask, nullptr);
    e.rxFreeAt += ct * r;
    m_core->inputArrived(p, now);
}

// Expects the board mutex held. Which ends to watch, and when a paced one may take more.
std::optional<Clock::time_point> PtyBridge::prepare(std::vector<pollfd>& fds, Clock::time_point now)
{
    fds.assign(1, pollfd { m_wake, POLLIN, 0 });
    std::optional<Clock::time_point> next;
    for (const auto& e : m_ends) {
        if (e->master < 0) continue;
        const auto ct = characterTime(m_core->port(e->index).dcb);
        const bool paced = e->rxFreeAt + ct > now;
        if (paced) next = std::min(next.value_or(Clock::time_point::max()), e->rxFreeAt + ct);
        const short events = short((paced ? 0 : POLLIN) | (e->out.empty() ? 0 : POLLOUT));
        fds.push_back(pollfd { e->master, events, 0 });
    }
    return next;
}

void PtyBridge::run()
{
    std::vector<pollfd> fds;
    for (;;) {
        std::optional<Clock::time_point> due;
        {
            std::lock_guard lock(m_core->mutex());
            if (m_stop) return;
            due = prepare(fds, Clock::now());
        }
        if (::poll(fds.data(), fds.size(), msUntil(due, Clock::now())) < 0 && errno != EINTR) return;
        if (fds[0].revents) drain(m_wake);
        std::lock_guard lock(m_core->mutex());
        const auto now = Clock::now();
        for (auto& e : m_ends) {
            if (e->master < 0) continue;
            moveOut(*e);
            moveIn(*e, now);
        }
    }
}

} // namespace vboard
