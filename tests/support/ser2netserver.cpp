#include "ser2netserver.h"

#include "tcptable.h"
#include "waitfor.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

uint16_t freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

bool exited(pid_t pid)
{
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == pid;
}

} // namespace

std::string Ser2netServer::program()
{
    for (const char* p : { "/usr/sbin/ser2net", "/usr/bin/ser2net", "/usr/local/sbin/ser2net" })
        if (::access(p, X_OK) == 0) return p;
    return {};
}

Ser2netServer::Ser2netServer(const std::string& ttyPath)
{
    char dir[] = "/tmp/vl-ser2net-XXXXXX";
    if (!::mkdtemp(dir)) throw std::runtime_error("mkdtemp failed");
    m_dir = dir;
    // A port taken between the choice and ser2net's bind is tried again.
    for (int attempt = 0; attempt < 5; ++attempt)
        if (start(ttyPath)) return;
    std::filesystem::remove_all(m_dir);
    throw std::runtime_error("ser2net did not start; see its log");
}

bool Ser2netServer::start(const std::string& ttyPath)
{
    m_port = freeLoopbackPort();
    const std::string config = m_dir + "/ser2net.yaml";
    std::ofstream(config) << "connection: &test\n"
                          << "  accepter: telnet(rfc2217),tcp,127.0.0.1," << m_port << "\n"
                          << "  connector: serialdev," << ttyPath << ",115200n81,local\n";
    const std::string log = m_dir + "/ser2net.log";
    const std::string pidFile = m_dir + "/ser2net.pid";
    const std::string prog = program();
    const pid_t parent = ::getpid();
    m_pid = ::fork();
    if (m_pid == 0) {
        // A test killed before its destructors run (a time-out, a crash) must
        // not leave the server behind, serving a pseudo-terminal that is gone.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(1);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execl(prog.c_str(), prog.c_str(), "-n", "-d", "-c", config.c_str(), "-P", pidFile.c_str(), nullptr);
        ::_exit(127);
    }
    if (m_pid < 0) return false;
    bool gone = false;
    if (waitFor([&] { return loopbackTcpIn(m_port, TcpEnd::Local, "0A") || (gone = exited(m_pid)); },
            std::chrono::seconds(10))
        && !gone)
        return true;
    if (!gone) stop(SIGKILL);
    m_pid = -1;
    return false;
}

void Ser2netServer::stop(int signal)
{
    if (m_pid <= 0) return;
    ::kill(m_pid, signal);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
}

void Ser2netServer::kill()
{
    stop(SIGKILL);
}

Ser2netServer::~Ser2netServer()
{
    stop(SIGTERM);
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
}
