#include "app/MergedCellDelegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QStyle>
#include <algorithm>

#include "app/ViolationGridModel.h"

namespace th {

void MergedCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    if (!index.data(ViolationGridModel::MergedRole).toBool()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
}

int MergedCellDelegate::rowHeightFor(const QFont& font) {
    QFont bold = font;
    bold.setBold(true);
    const QFontMetrics plain(font), heavy(bold);
    const int line = std::max(
        {plain.lineSpacing(), heavy.lineSpacing(), plain.height() + 2, heavy.height() + 2});
    // A little room above and below, growing with the font.
    return line + std::max(4, line / 4);
}

QSize MergedCellDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), rowHeightFor(option.font)));
    return size;
}

}  // namespace th
