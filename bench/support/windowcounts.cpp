#include "bench/support/windowcounts.h"

#include "shell/splitterframe.h"

#include <QLabel>

#include <cstdio>
#include <cstdlib>

uint64_t bytesRead(const CSplitterFrame& frame)
{
    for (const QLabel* label : frame.findChildren<QLabel*>())
        if (label->accessibleName() == QLatin1String("RX bytes"))
            return label->text().section(QLatin1Char(' '), 1, 1).toULongLong();
    std::fprintf(stderr, "no RX bytes counter in the window\n");
    std::exit(1);
}
