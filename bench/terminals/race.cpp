#include "race.h"

#include "bench/support/capturefiles.h"

#include <unistd.h>

Race::Race(size_t bytes)
    : m_bytes(bytes)
    , m_source(m_dir.filePath("source.bin").toStdString())
{
    writeSource(m_source, m_bytes);
    m_sha256 = sha256(m_source);
}

Contender Race::measure(const std::string& name, const std::function<TerminalRun(const std::string&)>& run)
{
    const std::string path = m_dir.filePath(QString::fromStdString(name) + ".log").toStdString();
    Contender c { name, run(path) };
    c.same = c.run.failure.empty() && sha256(path) == m_sha256;
    if (c.run.failure.empty() && !c.same)
        c.run.failure = "file differs from what was sent (" + std::to_string(fileSize(path)) + " of "
            + std::to_string(m_bytes) + " bytes)";
    ::unlink(path.c_str());
    return c;
}
