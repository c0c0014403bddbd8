#include "firsterrorview.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStringList>
#include <QVBoxLayout>

namespace verifyui {

namespace {

// The expected row holds the bytes before the error and 8 from it on.
constexpr int BytesFromError = 8;

QString dumpRow(const char* title, const std::string& hex, uint64_t start, int errorAt)
{
    QStringList bytes = QString::fromStdString(hex).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (errorAt >= 0 && errorAt < bytes.size()) bytes[errorAt] = QLatin1Char('[') + bytes[errorAt] + QLatin1Char(']');
    return QStringLiteral("%1 %2  %3").arg(QString::fromLatin1(title)).arg(start, 10).arg(bytes.join(QLatin1Char(' ')));
}

} // namespace

QString firstErrorDump(const verify::FirstError& e)
{
    const int expected = int(QString::fromStdString(e.expectedHex).split(QLatin1Char(' '), Qt::SkipEmptyParts).size());
    const int before = std::max(0, expected - BytesFromError);
    const uint64_t start = e.offset - std::min<uint64_t>(e.offset, uint64_t(before));
    return dumpRow("expected", e.expectedHex, start, before) + QLatin1Char('\n')
        + dumpRow("received", e.receivedHex, start, before);
}

QString lineCountersText(const verify::PortReport& r)
{
    if (!r.lineErrors) return QStringLiteral("Line errors: not available");
    const auto& c = *r.lineErrors;
    return QStringLiteral("Line errors: %1 framing, %2 parity, %3 overrun, %4 break")
        .arg(c.framing)
        .arg(c.parity)
        .arg(c.overrun)
        .arg(c.brk);
}

FirstErrorView::FirstErrorView(QWidget* parent)
    : QWidget(parent)
    , m_heading(new QLabel(this))
    , m_dump(new QPlainTextEdit(this))
    , m_counters(new QLabel(this))
{
    m_heading->setAccessibleName(QStringLiteral("First error"));
    m_dump->setAccessibleName(QStringLiteral("Expected and received bytes"));
    m_counters->setAccessibleName(QStringLiteral("Line errors"));
    m_dump->setReadOnly(true);
    m_dump->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_dump->setMaximumHeight(m_dump->fontMetrics().lineSpacing() * 4);
    m_heading->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_heading);
    layout->addWidget(m_dump);
    layout->addWidget(m_counters);
    showPort(QString(), nullptr);
}

void FirstErrorView::showPort(const QString& port, const verify::PortReport* r)
{
    if (port.isEmpty()) return display(QStringLiteral("Select a port to see its first error."), {}, {});
    if (!r) return display(port + QStringLiteral(": the run is still going."), {}, {});
    if (r->pass) return display(port + QStringLiteral(": passed, no error."), {}, lineCountersText(*r));
    showFault(port, r->reason, r->firstError, lineCountersText(*r));
}

void FirstErrorView::showRunning(const QString& port, const verify::PortProgress& p)
{
    if (p.reason.empty()) return showPort(port, nullptr);
    // The line-error counters are read at the end.
    showFault(port, p.reason, p.firstError, {});
}

void FirstErrorView::showFault(const QString& port, const std::string& reason,
    const std::optional<verify::FirstError>& error, const QString& counters)
{
    if (!error) return display(port + QStringLiteral(": ") + QString::fromStdString(reason), {}, counters);
    display(port
            + QStringLiteral(": first error at offset %1 of what it received (%2)")
                  .arg(error->offset)
                  .arg(QString::fromStdString(reason)),
        firstErrorDump(*error), counters);
}

void FirstErrorView::display(const QString& heading, const QString& dump, const QString& counters)
{
    if (m_heading->text() != heading) m_heading->setText(heading);
    if (m_dump->toPlainText() != dump) m_dump->setPlainText(dump);
    if (m_counters->text() != counters) m_counters->setText(counters);
}

QString FirstErrorView::heading() const
{
    return m_heading->text();
}

QString FirstErrorView::dump() const
{
    return m_dump->toPlainText();
}

QString FirstErrorView::counters() const
{
    return m_counters->text();
}

} // namespace verifyui
