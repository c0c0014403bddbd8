#include "qtfits.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>

namespace {

// Whether all of `w` lies inside each widget above it, up to its window.
bool wholeInWindow(const QWidget* w)
{
    QRect r = w->rect();
    for (const QWidget* at = w; !at->isWindow(); at = at->parentWidget()) {
        r.translate(at->pos());
        if (!at->parentWidget()->rect().contains(r)) return false;
    }
    return true;
}

QString textOf(const QWidget* w)
{
    if (auto* label = qobject_cast<const QLabel*>(w)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(w)) return button->text();
    return {};
}

bool squeezed(const QWidget* w)
{
    auto* label = qobject_cast<const QLabel*>(w);
    if (label && label->wordWrap()) return label->height() < label->heightForWidth(label->width());
    return w->width() < w->sizeHint().width() || w->height() < w->minimumSizeHint().height();
}

} // namespace

QStringList cutTexts(const QWidget* root)
{
    QStringList cut;
    for (const QWidget* w : root->findChildren<QWidget*>()) {
        const QString text = textOf(w);
        if (text.isEmpty() || !w->isVisibleTo(root->window())) continue;
        if (squeezed(w))
            cut << QStringLiteral("\"%1\" squeezed to %2 px of %3")
                       .arg(text)
                       .arg(w->width())
                       .arg(w->sizeHint().width());
        else if (!wholeInWindow(w))
            cut << QStringLiteral("\"%1\" outside the window").arg(text);
    }
    return cut;
}

QStringList cutHeadings(const QTableView* view)
{
    QStringList cut;
    const QHeaderView* header = view->horizontalHeader();
    if (!wholeInWindow(view)) cut << QStringLiteral("the table is outside the window");
    for (int i = 0; i < header->count(); ++i) {
        const QString text = view->model()->headerData(i, Qt::Horizontal).toString();
        const int at = header->sectionViewportPosition(i);
        const int width = header->sectionSize(i);
        if (width < header->sectionSizeHint(i))
            cut << QStringLiteral("\"%1\" %2 px of %3").arg(text).arg(width).arg(header->sectionSizeHint(i));
        else if (at < 0 || at + width > header->viewport()->width())
            cut << QStringLiteral("\"%1\" at %2 to %3, beyond %4 px")
                       .arg(text)
                       .arg(at)
                       .arg(at + width)
                       .arg(header->viewport()->width());
    }
    return cut;
}
