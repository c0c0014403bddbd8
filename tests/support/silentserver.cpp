#include "silentserver.h"

#include "tcptable.h"

#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

SilentServer::SilentServer(Silence silence)
    : m_silence(silence)
{
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    // A backlog of 0 holds one connection; the kernel drops the SYNs after it.
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0
        || ::listen(m_fd, silence == Silence::NoAnswer ? 16 : 0) != 0
        || ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        throw std::runtime_error("no listening socket");
    m_port = ntohs(a.sin_port);
    if (silence == Silence::NoHandshake) {
        m_filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::connect(m_filler, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
            throw std::runtime_error("cannot fill the queue");
    }
}

SilentServer::~SilentServer()
{
    if (m_filler >= 0) ::close(m_filler);
    ::close(m_fd);
}

bool SilentServer::connecting() const
{
    if (m_silence == Silence::NoHandshake) return loopbackTcpIn(m_port, TcpEnd::Remote, "02");
    pollfd p { m_fd, POLLIN, 0 };
    return ::poll(&p, 1, 0) == 1;
}
