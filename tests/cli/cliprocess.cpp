#include "cliprocess.h"

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string makeDir()
{
    std::string tmpl = "/tmp/vesperline-cli-test-XXXXXX";
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    return tmpl;
}

} // namespace

CliProcess::CliProcess(const std::vector<std::string>& args)
    : m_dir(makeDir())
{
    std::vector<std::string> argv { VESPERLINE_CLI };
    for (std::string a : args) {
        if (const auto at = a.find("{dir}"); at != std::string::npos) a.replace(at, 5, m_dir);
        argv.push_back(a);
    }
    std::vector<char*> cargv;
    for (auto& a : argv)
        cargv.push_back(a.data());
    cargv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, path("stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, path("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int rc = ::posix_spawn(&m_pid, cargv[0], &fa, nullptr, cargv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
}

CliProcess::~CliProcess()
{
    if (m_status == -2) {
        ::kill(m_pid, SIGKILL);
        wait();
    }
    std::system(("rm -rf '" + m_dir + "'").c_str());
}

int CliProcess::wait()
{
    if (m_status != -2) return m_status;
    int st = 0;
    ::waitpid(m_pid, &st, 0);
    m_status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return m_status;
}

bool CliProcess::exited()
{
    if (m_status != -2) return true;
    int st = 0;
    if (::waitpid(m_pid, &st, WNOHANG) != m_pid) return false;
    m_status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return true;
}

void CliProcess::signal(int sig) const
{
    ::kill(m_pid, sig);
}

std::string CliProcess::file(const std::string& name) const
{
    std::ifstream in(path(name), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string CliProcess::out() const
{
    return file("stdout");
}

std::string CliProcess::err() const
{
    return file("stderr");
}

CliResult runCli(const std::vector<std::string>& args)
{
    CliProcess p(args);
    const int status = p.wait();
    return { status, p.out(), p.err() };
}
