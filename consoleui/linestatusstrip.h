#pragma once

#include "linestatus/linestate.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QLabel;
class QToolButton;

// The row at the foot of a console window that shows its line: the modem
// inputs CTS, DSR, DCD and RI as lights, the outputs RTS and DTR as buttons
// that ask for the other level, the bytes each way with their rates, the
// driver's error counts, a reset for the counts, a status text and the
// reconnect option. It only shows and asks; whoever owns the port acts.
class LineStatusStrip : public QWidget {
    Q_OBJECT
public:
    explicit LineStatusStrip(QWidget* parent = nullptr);

    // Shows `state`; widgets whose part did not change are left alone.
    void setState(const linestatus::LineState& state);
    const linestatus::LineState& state() const { return m_state; }

    void setStatusText(const QString& text);
    bool reconnectEnabled() const;

signals:
    void rtsToggleRequested(bool on);
    void dtrToggleRequested(bool on);
    void resetRequested();
    void reconnectToggled(bool on);

private:
    enum Line { Cts, Dsr, Dcd, Ri, Rts, Dtr, LineCount };

    void addLights();
    void addOutput(Line line, const char* name, void (LineStatusStrip::*request)(bool));
    void addCounters();
    void addOptions();
    void showLine(Line line, linestatus::Level level, bool stale = false);
    void showCounts(const linestatus::LineState& state);
    QLabel* addLabel(const char* accessibleName);

    std::array<QWidget*, LineCount> m_lines {};
    QLabel* m_rx = nullptr;
    QLabel* m_tx = nullptr;
    QLabel* m_errors = nullptr;
    QLabel* m_status = nullptr;
    QCheckBox* m_reconnect = nullptr;
    linestatus::LineState m_state;
};
