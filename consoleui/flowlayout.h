#pragma once

#include <QLayout>
#include <QList>

// Lays its widgets out in reading order, in as many rows as the width needs:
// a narrow window gets a taller strip instead of cut texts. A widget wider
// than the whole row that can wrap (a word-wrapped label) gets the row.
class FlowLayout : public QLayout {
public:
    explicit FlowLayout(QWidget* parent, int spacing = 6);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override { return int(m_items.size()); }
    QLayoutItem* itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    int arrange(const QRect& rect, bool apply) const;

    QList<QLayoutItem*> m_items;
    int m_gap;
};
