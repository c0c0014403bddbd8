#pragma once

#include "tilestate.h"

#include <QWidget>

#include <functional>

namespace verifyui {

// One port of the board overview: its COM name on its state's colour. Its
// accessible name carries the state ("COM5, error"); the tool tip, built when
// asked for, its counters.
class PortTile : public QWidget {
    Q_OBJECT
public:
    PortTile(const QString& name, QWidget* parent = nullptr);

    // Repaints only when the state changes.
    void setState(TileState state);
    // What the tool tip shows below the name: asked for on hover only.
    void setDetails(std::function<QString()> details) { m_details = std::move(details); }
    TileState state() const { return m_state; }
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }

    QSize sizeHint() const override { return { 64, 28 }; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void rename();

    QString m_name;
    TileState m_state = TileState::Waiting;
    bool m_selected = false;
    std::function<QString()> m_details;
};

} // namespace verifyui
