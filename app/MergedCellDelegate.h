#pragma once
// Paints a cell that repeats the one above (restricted merging) without its text, so
// a run of equal cells reads as one merged cell.

#include <QStyledItemDelegate>

namespace th {

class MergedCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // Tall enough for accents above and underscores below the text, in the bold font
    // of group rows too, whatever the screen's DPI.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    static int rowHeightFor(const QFont& font);
};

}  // namespace th
