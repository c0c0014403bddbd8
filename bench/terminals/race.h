#pragma once

#include "terminal.h"

#include <QTemporaryDir>

#include <functional>
#include <string>

// One program's run and whether its file holds exactly what was sent.
struct Contender {
    std::string name;
    TerminalRun run;
    bool same = false;
    double vsCat = 0;
};

// The bytes every contender receives (every byte value), and a folder where
// each puts its file.
class Race {
public:
    explicit Race(size_t bytes);
    size_t bytes() const { return m_bytes; }
    const std::string& source() const { return m_source; }
    // Runs one contender into a file of its own, checks the file against the
    // source's SHA-256 and removes it. A file that differs is a failure.
    Contender measure(const std::string& name, const std::function<TerminalRun(const std::string& file)>& run);

private:
    QTemporaryDir m_dir;
    size_t m_bytes;
    std::string m_source;
    std::string m_sha256;
};
