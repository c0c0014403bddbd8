#include "progressline.h"

#include <cstdio>
#include <unistd.h>

namespace cli {

ProgressLine::ProgressLine(bool quiet)
    : m_quiet(quiet)
    , m_terminal(::isatty(STDERR_FILENO) == 1)
{
}

void ProgressLine::show(const verify::Progress& p)
{
    if (m_quiet) return;
    if (!m_terminal && p.elapsedS - m_lastPlain < 5) return;
    m_lastPlain = p.elapsedS;
    std::fprintf(stderr, "%sverify: %.1f s, %llu bytes sent, %llu received, %d of %d ports done%s",
        m_terminal ? "\r\033[K" : "", p.elapsedS, (unsigned long long)p.bytesSent, (unsigned long long)p.bytesReceived,
        p.portsDone, p.ports, m_terminal ? "" : "\n");
    m_drawn = true;
}

void ProgressLine::end()
{
    if (m_terminal && m_drawn) std::fputs("\n", stderr);
}

} // namespace cli
