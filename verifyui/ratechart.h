#pragma once

#include "verify/timeline.h"

#include <QWidget>

namespace verifyui {

// The selected port's receive rate over the run, painted as a step line
// against the line rate (dashed), with a red mark at each error event. Its
// accessible description says what the picture shows.
class RateChart : public QWidget {
    Q_OBJECT
public:
    explicit RateChart(QWidget* parent = nullptr);

    // `lineRate` in bytes per second; an empty port name clears the chart.
    void showTimeline(const QString& port, const verify::PortTimeline& timeline, double lineRate);
    const verify::PortTimeline& timeline() const { return m_timeline; }
    QString port() const { return m_port; }

    QSize sizeHint() const override { return { 360, 120 }; }
    QSize minimumSizeHint() const override { return { 200, 80 }; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double peakRate() const;
    void describe();

    QString m_port;
    verify::PortTimeline m_timeline;
    double m_lineRate = 0;
};

} // namespace verifyui
