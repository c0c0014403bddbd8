#include "linestatusstrip.h"

#include "flowlayout.h"
#include "linestatuslook.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

using linestatus::Level;
using linestatus::LineState;

namespace {

constexpr const char* LineNames[] = { "CTS", "DSR", "DCD", "RI", "RTS", "DTR" };

Level LineState::*const LineLevels[] = {
    &LineState::cts,
    &LineState::dsr,
    &LineState::dcd,
    &LineState::ri,
    &LineState::rts,
    &LineState::dtr,
};

void setText(QWidget* w, const QString& text)
{
    if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        button->setText(text);
}

QString toggleTip(const char* name)
{
    return QStringLiteral("Click to raise or drop %1").arg(QLatin1String(name));
}

void showText(QLabel* label, const QString& text)
{
    label->setText(text);
    label->setAccessibleDescription(text);
}

} // namespace

LineStatusStrip::LineStatusStrip(QWidget* parent)
    : QWidget(parent)
{
    setAccessibleName(QStringLiteral("Line status strip"));
    // As many rows as the window's width needs: no text is ever cut.
    auto* flow = new FlowLayout(this);
    flow->setContentsMargins(4, 2, 4, 2);
    addLights();
    addOutput(Rts, "RTS", &LineStatusStrip::rtsToggleRequested);
    addOutput(Dtr, "DTR", &LineStatusStrip::dtrToggleRequested);
    addCounters();
    addOptions();
    for (int line = 0; line < LineCount; ++line)
        showLine(Line(line), Level::Unavailable);
    showCounts(m_state);
}

void LineStatusStrip::addLights()
{
    for (Line line : { Cts, Dsr, Dcd, Ri })
        m_lines[line] = addLabel(LineNames[line]);
}

void LineStatusStrip::addOutput(Line line, const char* name, void (LineStatusStrip::*request)(bool))
{
    auto* button = new QToolButton(this);
    button->setAccessibleName(QLatin1String(name));
    // The click asks for the other level; the light follows only once the port has it.
    connect(button, &QToolButton::clicked, this,
        [this, line, request] { emit(this->*request)(m_state.*LineLevels[line] != Level::High); });
    layout()->addWidget(button);
    m_lines[line] = button;
}

void LineStatusStrip::addCounters()
{
    m_rx = addLabel("RX bytes");
    m_tx = addLabel("TX bytes");
    m_errors = addLabel("Line errors");
    auto* reset = new QPushButton(QStringLiteral("Reset"), this);
    reset->setAccessibleName(QStringLiteral("Reset counters"));
    reset->setAccessibleDescription(QStringLiteral("Counts from 0 again"));
    connect(reset, &QPushButton::clicked, this, &LineStatusStrip::resetRequested);
    layout()->addWidget(reset);
}

void LineStatusStrip::addOptions()
{
    m_status = addLabel("Connection status");
    // A long device path wraps at a blank where the row is too short for it.
    m_status->setWordWrap(true);
    m_reconnect = new QCheckBox(QStringLiteral("Reconnect"), this);
    m_reconnect->setAccessibleName(QStringLiteral("Reconnect"));
    m_reconnect->setChecked(true);
    m_reconnect->setAccessibleDescription(QStringLiteral("Reconnect on"));
    connect(m_reconnect, &QCheckBox::toggled, this, [this](bool on) {
        m_reconnect->setAccessibleDescription(on ? QStringLiteral("Reconnect on") : QStringLiteral("Reconnect off"));
        emit reconnectToggled(on);
    });
    layout()->addWidget(m_reconnect);
}

QLabel* LineStatusStrip::addLabel(const char* accessibleName)
{
    auto* label = new QLabel(this);
    label->setAccessibleName(QLatin1String(accessibleName));
    layout()->addWidget(label);
    return label;
}

void LineStatusStrip::setState(const LineState& state)
{
    const bool staleChanged = state.stale != m_state.stale;
    for (int line = 0; line < LineCount; ++line)
        if (staleChanged || state.*LineLevels[line] != m_state.*LineLevels[line])
            showLine(Line(line), state.*LineLevels[line], state.stale);
    const bool countsChanged = state.rxBytes != m_state.rxBytes || state.txBytes != m_state.txBytes
        || state.rxRate != m_state.rxRate || state.txRate != m_state.txRate || state.errors != m_state.errors;
    m_state = state;
    if (countsChanged) showCounts(state);
}

// A level the port could not confirm at the last look is shown and said to be the last known.
void LineStatusStrip::showLine(Line line, Level level, bool stale)
{
    const LevelLook look = levelLook(QLatin1String(LineNames[line]), level, stale);
    QWidget* w = m_lines[line];
    setText(w, look.text);
    w->setStyleSheet(look.style);
    w->setAccessibleDescription(look.description);
    const bool output = line == Rts || line == Dtr;
    w->setToolTip(output ? look.description + QStringLiteral(". ") + toggleTip(LineNames[line]) : look.description);
    // An output the port cannot report cannot be toggled either.
    if (output) w->setEnabled(level != Level::Unavailable);
}

void LineStatusStrip::showCounts(const LineState& state)
{
    showText(m_rx, countText("RX", state.rxBytes, state.rxRate));
    showText(m_tx, countText("TX", state.txBytes, state.txRate));
    showText(m_errors, errorText(state.errors));
}

void LineStatusStrip::setStatusText(const QString& text)
{
    showText(m_status, text);
}

bool LineStatusStrip::reconnectEnabled() const
{
    return m_reconnect->isChecked();
}
