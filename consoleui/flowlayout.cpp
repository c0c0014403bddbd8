#include "flowlayout.h"

#include <QLabel>

namespace {

// A wrapping label's hint is a guess at a pleasing shape; in a row it should
// take its text's one-line width, and wrap only where the row is shorter.
QSize preferredSize(const QLayoutItem* item, int rowWidth)
{
    const auto* label = qobject_cast<const QLabel*>(item->widget());
    if (!label || !label->wordWrap()) return item->sizeHint();
    const QMargins m = label->contentsMargins();
    const int oneLine
        = label->fontMetrics().horizontalAdvance(label->text()) + m.left() + m.right() + 2 * label->margin() + 2;
    const int width = std::min(oneLine, rowWidth);
    return { width, item->heightForWidth(width) };
}

} // namespace

FlowLayout::FlowLayout(QWidget* parent, int spacing)
    : QLayout(parent)
    , m_gap(spacing)
{
}

FlowLayout::~FlowLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void FlowLayout::addItem(QLayoutItem* item)
{
    m_items.append(item);
}

QLayoutItem* FlowLayout::takeAt(int index)
{
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
}

int FlowLayout::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), false);
}

// As narrow as its widest widget, which then sits in a row of its own.
QSize FlowLayout::minimumSize() const
{
    QSize size;
    for (const QLayoutItem* item : m_items)
        if (!item->isEmpty()) size = size.expandedTo(item->hasHeightForWidth() ? QSize(80, 0) : item->minimumSize());
    const QMargins m = contentsMargins();
    return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

// One row with everything in it.
QSize FlowLayout::sizeHint() const
{
    int width = 0;
    int height = 0;
    for (const QLayoutItem* item : m_items) {
        if (item->isEmpty()) continue;
        const QSize size = preferredSize(item, QWIDGETSIZE_MAX);
        width += (width ? m_gap : 0) + size.width();
        height = std::max(height, size.height());
    }
    const QMargins m = contentsMargins();
    return { width + m.left() + m.right(), height + m.top() + m.bottom() };
}

void FlowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

// Places the items row by row; gives the height that takes.
int FlowLayout::arrange(const QRect& rect, bool apply) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    int x = area.x();
    int y = area.y();
    int rowHeight = 0;
    for (QLayoutItem* item : m_items) {
        if (item->isEmpty()) continue;
        const QSize size = preferredSize(item, area.width());
        if (x > area.x() && x + size.width() > area.right() + 1) {
            x = area.x();
            y += rowHeight + m_gap / 2;
            rowHeight = 0;
        }
        if (apply) item->setGeometry(QRect(QPoint(x, y), size));
        x += size.width() + m_gap;
        rowHeight = std::max(rowHeight, size.height());
    }
    return y + rowHeight - rect.y() + contentsMargins().bottom();
}
