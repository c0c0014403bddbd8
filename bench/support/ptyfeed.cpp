#include "bench/support/ptyfeed.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

void feedFile(int fd, const std::string& source)
{
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    char buffer[65536];
    ssize_t r;
    while ((r = ::read(in, buffer, sizeof buffer)) > 0)
        for (ssize_t done = 0; done < r;) {
            const ssize_t w = ::write(fd, buffer + done, size_t(r - done));
            if (w > 0) done += w;
        }
    ::close(in);
}

void discardUntil(const RawPty& pty, const std::atomic<bool>& fed)
{
    char buffer[65536];
    while (!fed) {
        pollfd p { pty.slave, POLLIN, 0 };
        if (::poll(&p, 1, 10) == 1 && ::read(pty.slave, buffer, sizeof buffer) < 0) return;
    }
}

double catSeconds(const std::string& source, const std::string& target, size_t n)
{
    RawPty pty;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pty.slave, STDIN_FILENO);
        const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, STDOUT_FILENO);
        ::execlp("cat", "cat", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    while (fileSize(target) < 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1)); // cat has its output open
    const double s = feedUntil(pty, source, target, n, [](bool) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return true;
    });
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    return s;
}
