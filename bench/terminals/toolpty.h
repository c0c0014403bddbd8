#pragma once

#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

// A terminal program started headless: its stdin and stdout are a pty of our
// own, whose output a thread drains (keeping the start of it) so that the
// program never blocks on its screen.
class ToolPty {
public:
    explicit ToolPty(const std::vector<std::string>& argv);
    ~ToolPty();
    ToolPty(const ToolPty&) = delete;
    ToolPty& operator=(const ToolPty&) = delete;

    // Whether the program has printed `text` within the limit (and before it ended).
    bool waitForText(const std::string& text, int limitMs);
    // Types keys into the program, as from its keyboard.
    void type(const std::string& keys) const;
    bool exited();
    // What the program printed first, for a report when it fails.
    std::string shown();

private:
    void drain();
    void stop();

    int m_screen = -1;
    pid_t m_pid = -1;
    bool m_exited = false;
    std::mutex m_mutex;
    std::string m_shown;
    std::thread m_drain;
};
