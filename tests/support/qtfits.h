#pragma once

#include <QStringList>

class QTableView;
class QWidget;

// Texts a person cannot read whole: the visible labels and buttons under
// `root` that are narrower than their text needs (or, wrapped, lower), or
// that reach outside any widget above them up to the window.
QStringList cutTexts(const QWidget* root);
// Column headings of `view` narrower than their text, or not (wholly) in the
// part of the table that shows without scrolling.
QStringList cutHeadings(const QTableView* view);
