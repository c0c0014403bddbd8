#include "boardoverview.h"

#include "porttile.h"

#include <QGridLayout>

namespace verifyui {

BoardOverview::BoardOverview(const std::vector<std::string>& ports, DetailsFn details, QWidget* parent)
    : QWidget(parent)
{
    setAccessibleName(QStringLiteral("Board overview"));
    auto* grid = new QGridLayout(this);
    grid->setSpacing(2);
    const int perRow = ports.size() > 64 ? 16 : 8;
    for (size_t i = 0; i < ports.size(); ++i) {
        auto* tile = new PortTile(QString::fromStdString(ports[i]), this);
        tile->setDetails([details, i] { return details ? details(int(i)) : QString(); });
        connect(tile, &PortTile::clicked, this, [this, i] { emit tileClicked(int(i)); });
        grid->addWidget(tile, int(i) / perRow, int(i) % perRow);
        m_tiles.push_back(tile);
    }
}

void BoardOverview::setState(int index, TileState state)
{
    m_tiles[size_t(index)]->setState(state);
}

void BoardOverview::select(int index)
{
    for (size_t i = 0; i < m_tiles.size(); ++i)
        m_tiles[i]->setSelected(int(i) == index);
}

} // namespace verifyui
