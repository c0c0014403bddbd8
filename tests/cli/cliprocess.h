#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// vesperline-cli started by a test, its output going to files in a fresh
// directory; "{dir}" in an argument stands for that directory.
class CliProcess {
public:
    explicit CliProcess(const std::vector<std::string>& args);
    ~CliProcess();

    // Waits for the program to end; its exit status (-1: killed by a signal).
    int wait();
    // Whether the program has ended, without waiting.
    bool exited();
    void signal(int sig) const;
    pid_t pid() const { return m_pid; }
    std::string out() const;
    std::string err() const;
    std::string file(const std::string& name) const;
    std::string path(const std::string& name) const { return m_dir + "/" + name; }

private:
    std::string m_dir;
    pid_t m_pid = -1;
    int m_status = -2;
};

// Runs to the end: status, stdout and stderr.
struct CliResult {
    int status;
    std::string out, err;
};
CliResult runCli(const std::vector<std::string>& args);
