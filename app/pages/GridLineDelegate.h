#pragma once

#include <QColor>
#include <QPainter>
#include <QStyledItemDelegate>

namespace carecfg {

// Draws the grid lines of a report view (a line right of and below every cell) and makes rows a
// little taller than their text, so the lines do not touch it. Shared by the record and health
// pages' lists.
class GridLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(QColor(0xc3, 0xcf, 0xdb));
        const QRect r = option.rect;
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(kCellPadding, kCellPadding);
    }

private:
    static constexpr int kCellPadding = 4;  // extra height and width of a cell beyond its text
};

}  // namespace carecfg
