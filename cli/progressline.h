#pragma once

#include "verify/verifyrun.h"

namespace cli {

// Progress on stderr: one line rewritten in place on a terminal, a plain
// line every few seconds otherwise, nothing when quiet.
class ProgressLine {
public:
    explicit ProgressLine(bool quiet);
    void show(const verify::Progress& p);
    void end();

private:
    bool m_quiet;
    bool m_terminal;
    double m_lastPlain = -1e9;
    bool m_drawn = false;
};

} // namespace cli
