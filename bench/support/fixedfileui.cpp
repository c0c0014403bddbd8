#include "bench/support/fixedfileui.h"

#include <cstdio>

FixedFileUi::FixedFileUi(QString path)
    : m_path(std::move(path))
{
}

void FixedFileUi::messageBox(const QString& text)
{
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
}
