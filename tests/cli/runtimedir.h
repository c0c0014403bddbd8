#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

// The board's links go into a runtime folder of the test's own.
class RuntimeDir {
public:
    RuntimeDir()
    {
        char dir[] = "/tmp/vl-cli-run-XXXXXX";
        m_dir = ::mkdtemp(dir);
        ::setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
    }
    ~RuntimeDir()
    {
        ::unsetenv("XDG_RUNTIME_DIR");
        std::filesystem::remove_all(m_dir);
    }
    RuntimeDir(const RuntimeDir&) = delete;
    RuntimeDir& operator=(const RuntimeDir&) = delete;
    std::string link(const std::string& com) const { return m_dir + "/vesperline/board/" + com; }

private:
    std::string m_dir;
};
