#pragma once

#include "tilestate.h"

#include <QWidget>

#include <functional>
#include <vector>

namespace verifyui {

class PortTile;

// The whole board at a glance: one tile per port in a grid, 8 to a row, 16
// for more than 64 ports.
class BoardOverview : public QWidget {
    Q_OBJECT
public:
    using DetailsFn = std::function<QString(int index)>;

    BoardOverview(const std::vector<std::string>& ports, DetailsFn details, QWidget* parent = nullptr);

    void setState(int index, TileState state);
    void select(int index);
    PortTile* tile(int index) const { return m_tiles[size_t(index)]; }
    int count() const { return int(m_tiles.size()); }

signals:
    void tileClicked(int index);

private:
    std::vector<PortTile*> m_tiles;
};

} // namespace verifyui
