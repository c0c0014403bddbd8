#include "porttile.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QToolTip>

namespace verifyui {

namespace {

QColor colourOf(TileState state)
{
    switch (state) {
    case TileState::Waiting:
        return QColor(0xd0, 0xd0, 0xd0);
    case TileState::RunningClean:
        return QColor(0x9c, 0xd9, 0x9c);
    case TileState::Passed:
        return QColor(0x3c, 0xa0, 0x5a);
    case TileState::Stopped:
        return QColor(0xa8, 0xc0, 0xd8);
    case TileState::Error:
        return QColor(0xe0, 0x40, 0x40);
    case TileState::FailedToOpen:
        return QColor(0xf0, 0xa0, 0x30);
    case TileState::Busy:
        return QColor(0xb0, 0x90, 0xd8);
    default:
        return QColor(0x70, 0x70, 0x70);
    }
}

} // namespace

PortTile::PortTile(const QString& name, QWidget* parent)
    : QWidget(parent)
    , m_name(name)
{
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(56, 24);
    rename();
}

void PortTile::setState(TileState state)
{
    if (state == m_state) return;
    m_state = state;
    rename();
    update();
}

void PortTile::setSelected(bool selected)
{
    if (selected == m_selected) return;
    m_selected = selected;
    update();
}

void PortTile::rename()
{
    setAccessibleName(m_name + QStringLiteral(", ") + QString::fromLatin1(tileStateName(m_state)));
}

void PortTile::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor fill = colourOf(m_state);
    painter.fillRect(rect(), fill);
    painter.setPen(m_selected || hasFocus() ? QPen(palette().highlight(), 3) : QPen(fill.darker(140)));
    painter.drawRect(rect().adjusted(1, 1, -2, -2));
    painter.setPen(fill.lightness() < 110 ? Qt::white : Qt::black);
    painter.drawText(rect(), Qt::AlignCenter, m_name);
}

void PortTile::mousePressEvent(QMouseEvent*)
{
    emit clicked();
}

void PortTile::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        emit clicked();
    else
        QWidget::keyPressEvent(event);
}

bool PortTile::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    const QString text = accessibleName() + (m_details ? QStringLiteral("\n") + m_details() : QString());
    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text, this);
    return true;
}

} // namespace verifyui
