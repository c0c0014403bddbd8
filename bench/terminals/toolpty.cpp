#include "toolpty.h"

#include "tests/support/waitfor.h"

#include <csignal>
#include <pty.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr size_t KeptOutput = 64 << 10;

[[noreturn]] void execArgv(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
}

} // namespace

ToolPty::ToolPty(const std::vector<std::string>& argv)
{
    winsize size { 50, 132, 0, 0 };
    m_pid = ::forkpty(&m_screen, nullptr, nullptr, &size);
    if (m_pid < 0) throw std::runtime_error("forkpty failed");
    if (m_pid == 0) execArgv(argv);
    m_drain = std::thread([this] { drain(); });
}

ToolPty::~ToolPty()
{
    stop();
    m_drain.join();
    ::close(m_screen);
}

void ToolPty::drain()
{
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(m_screen, buffer, sizeof buffer)) > 0) {
        std::lock_guard lock(m_mutex);
        if (m_shown.size() < KeptOutput) m_shown.append(buffer, size_t(n));
    }
}

bool ToolPty::waitForText(const std::string& text, int limitMs)
{
    const auto found = [&] { return shown().find(text) != std::string::npos; };
    waitFor([&] { return found() || exited(); }, std::chrono::milliseconds(limitMs));
    return found();
}

void ToolPty::type(const std::string& keys) const
{
    if (::write(m_screen, keys.data(), keys.size()) != ssize_t(keys.size()))
        throw std::runtime_error("typing into the program failed");
}

bool ToolPty::exited()
{
    if (!m_exited) m_exited = ::waitpid(m_pid, nullptr, WNOHANG) == m_pid;
    return m_exited;
}

std::string ToolPty::shown()
{
    std::lock_guard lock(m_mutex);
    return m_shown;
}

// The program has been asked to quit, or has given up; the drain thread
// ends when the pty's last user has closed it.
void ToolPty::stop()
{
    if (exited()) return;
    ::kill(m_pid, SIGTERM);
    if (!waitFor([this] { return exited(); })) ::kill(m_pid, SIGKILL);
    if (!m_exited) ::waitpid(m_pid, nullptr, 0);
    m_exited = true;
}
