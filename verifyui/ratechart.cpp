#include "ratechart.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace verifyui {

namespace {

constexpr int LabelWidth = 64;
constexpr int Margin = 4;

QString rateLabel(double bytesPerSecond)
{
    if (bytesPerSecond >= 1000) return QStringLiteral("%1 kB/s").arg(bytesPerSecond / 1000, 0, 'f', 1);
    return QStringLiteral("%1 B/s").arg(qRound64(bytesPerSecond));
}

} // namespace

RateChart::RateChart(QWidget* parent)
    : QWidget(parent)
{
    setAccessibleName(QStringLiteral("Rate over time"));
    describe();
}

void RateChart::showTimeline(const QString& port, const verify::PortTimeline& timeline, double lineRate)
{
    const bool same = port == m_port && lineRate == m_lineRate && timeline.bytes == m_timeline.bytes
        && timeline.events.size() == m_timeline.events.size();
    if (same) return;
    m_port = port;
    m_timeline = timeline;
    m_lineRate = lineRate;
    describe();
    update();
}

double RateChart::peakRate() const
{
    double peak = m_lineRate;
    if (m_timeline.intervalS > 0)
        for (uint64_t b : m_timeline.bytes)
            peak = std::max(peak, double(b) / m_timeline.intervalS);
    return std::max(peak * 1.1, 1.0);
}

void RateChart::describe()
{
    if (m_port.isEmpty()) {
        setAccessibleDescription(QStringLiteral("Select a port to see its rate over time."));
        return;
    }
    const double last = m_timeline.bytes.empty() || m_timeline.intervalS <= 0
        ? 0
        : double(m_timeline.bytes.back()) / m_timeline.intervalS;
    setAccessibleDescription(QStringLiteral("%1: %2 s recorded, last %3, %4 error events")
                                 .arg(m_port)
                                 .arg(double(m_timeline.bytes.size()) * m_timeline.intervalS, 0, 'f', 1)
                                 .arg(rateLabel(last))
                                 .arg(m_timeline.events.size() + m_timeline.eventsLeftOut));
}

void RateChart::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    const QRectF plot(
        LabelWidth, Margin, width() - LabelWidth - Margin, height() - 2 * Margin - fontMetrics().height());
    p.setPen(palette().mid().color());
    p.drawRect(plot);
    p.setPen(palette().text().color());
    const QString title = m_port.isEmpty() ? QStringLiteral("Rate over time: select a port") : m_port;
    p.drawText(QRectF(plot.left(), plot.bottom(), plot.width(), fontMetrics().height() + Margin),
        Qt::AlignLeft | Qt::AlignVCenter, title);
    if (m_port.isEmpty() || m_timeline.intervalS <= 0) return;
    const double top = peakRate();
    const double span = std::max(1.0, double(m_timeline.bytes.size())) * m_timeline.intervalS;
    double spanS = span;
    for (const auto& e : m_timeline.events)
        spanS = std::max(spanS, e.atS);
    const auto x = [&](double s) { return plot.left() + plot.width() * std::clamp(s / spanS, 0.0, 1.0); };
    const auto y = [&](double rate) { return plot.bottom() - plot.height() * std::clamp(rate / top, 0.0, 1.0); };
    p.setPen(QPen(QColor(0x3c, 0xa0, 0x5a), 1, Qt::DashLine));
    p.drawLine(QPointF(plot.left(), y(m_lineRate)), QPointF(plot.right(), y(m_lineRate)));
    p.setPen(palette().text().color());
    p.drawText(QRectF(0, y(m_lineRate) - 8, LabelWidth - Margin, 16), Qt::AlignRight | Qt::AlignVCenter,
        rateLabel(m_lineRate));
    p.drawText(QRectF(plot.left(), plot.bottom(), plot.width(), fontMetrics().height() + Margin),
        Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("%1 s").arg(spanS, 0, 'f', 1));
    QPainterPath path(QPointF(x(0), y(0)));
    for (size_t i = 0; i < m_timeline.bytes.size(); ++i) {
        const double rate = double(m_timeline.bytes[i]) / m_timeline.intervalS;
        path.lineTo(x(double(i) * m_timeline.intervalS), y(rate));
        path.lineTo(x(double(i + 1) * m_timeline.intervalS), y(rate));
    }
    p.setPen(QPen(QColor(0x1f, 0x5f, 0xa8), 1.5));
    p.drawPath(path);
    p.setPen(QPen(QColor(0xe0, 0x40, 0x40), 2));
    for (const auto& e : m_timeline.events)
        p.drawLine(QPointF(x(e.atS), plot.top()), QPointF(x(e.atS), plot.bottom()));
}

} // namespace verifyui
