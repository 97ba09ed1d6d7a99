#include "app/ViolationGridView.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <algorithm>
#include <exception>
#include <vector>

#include "app/GridEvents.h"
#include "app/MergedCellDelegate.h"
#include "app/WaitCursor.h"
#include "platform/FlexGrid.h"

namespace th {

namespace {
constexpr int kTwipsPerPixel = 15;
constexpr int kCellPadding = 8;  // room for the item's margins on both sides
}  // namespace

ViolationGridView::ViolationGridView(MainForm& form, QWidget* parent)
    : QTreeView(parent), form_(form), model_(form.vsFlexGrid1) {
    setModel(&model_);
    setItemDelegate(new MergedCellDelegate(this));
    setUniformRowHeights(true);      // keeps a million rows cheap to lay out
    setExpandsOnDoubleClick(false);  // the grid decides what a double click folds
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setSectionsMovable(true);
    // A tree view pins its first section unless told otherwise; any column dragged to
    // the front must become the grouping key.
    header()->setFirstSectionMovable(true);
    header()->setStretchLastSection(true);  // the last column takes what room is left

    connect(&model_, &QAbstractItemModel::modelReset, this, &ViolationGridView::followGridFolds);
    connect(&model_, &ViolationGridModel::foldChanged, this, &ViolationGridView::onFoldChanged);
    connect(&model_, &ViolationGridModel::autoSizeRequested, this, &ViolationGridView::autoSize);
    connect(this, &QTreeView::collapsed, this,
            [this](const QModelIndex& i) { onViewFold(i, true); });
    connect(this, &QTreeView::expanded, this,
            [this](const QModelIndex& i) { onViewFold(i, false); });
    connect(header(), &QHeaderView::sectionMoved, this, &ViolationGridView::onSectionMoved);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { onCurrentChanged(current); });
    connect(this, &QAbstractItemView::doubleClicked, this, [this] { vsFlexGrid1_DblClick(form_); });
    followGridFolds();
}

void ViolationGridView::followGridFolds() {
    syncing_ = true;
    // The fold buttons show once the arrangement has switched the outline bar on.
    setRootIsDecorated(form_.vsFlexGrid1.outlineBar() != 0);
    expandAll();
    const FlexGrid& g = form_.vsFlexGrid1;
    const int top = model_.rowCount();
    for (int i = 0; i < top; ++i) {
        QModelIndex idx = model_.index(i, 0);
        if (model_.hasChildren(idx) && g.isCollapsed(model_.gridRow(idx)) == FlexGrid::kCollapsed)
            collapse(idx);
    }
    // Show the grid's current cell as the view's current one.
    QModelIndex current =
        g.row() >= g.fixedRows() ? model_.indexOfGridRow(g.row(), g.col()) : QModelIndex();
    if (current.isValid())
        selectionModel()->setCurrentIndex(
            current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    syncing_ = false;
}

void ViolationGridView::onFoldChanged(const QModelIndex& group, bool collapsed) {
    syncing_ = true;
    if (collapsed)
        collapse(group);
    else
        expand(group);
    syncing_ = false;
}

void ViolationGridView::onViewFold(const QModelIndex& group, bool collapsed) {
    // The tree's own fold buttons and arrow keys change the grid's outline state.
    if (syncing_) return;
    int32_t row = model_.gridRow(group);
    if (row < 0 || row >= form_.vsFlexGrid1.rows()) return;
    syncing_ = true;
    form_.vsFlexGrid1.setIsCollapsed(row, collapsed ? FlexGrid::kCollapsed : FlexGrid::kExpanded);
    syncing_ = false;
}

void ViolationGridView::onSectionMoved(int, int oldVisual, int newVisual) {
    if (syncing_) return;
    // The grid owns the column order: put the header back and move the grid's column;
    // the model then shows the new order by position.
    syncing_ = true;
    header()->moveSection(newVisual, oldVisual);
    syncing_ = false;
    // Each column keeps its width where it goes (an arrangement sizes them again to what
    // they hold): the header's widths are by position.
    std::vector<int> widths;
    for (int c = 0; c < header()->count(); ++c) widths.push_back(header()->sectionSize(c));
    // Drawing stays off from the move to the end of the arrangement: one reset, not two.
    form_.vsFlexGrid1.setRedraw(false);
    try {
        form_.vsFlexGrid1.moveColumn(oldVisual, newVisual);
        const int moved = widths[static_cast<size_t>(oldVisual)];
        widths.erase(widths.begin() + oldVisual);
        widths.insert(widths.begin() + newVisual, moved);
        for (int c = 0; c < header()->count(); ++c)
            header()->resizeSection(c, widths[static_cast<size_t>(c)]);
    } catch (const std::exception&) {
    }
    int32_t position = newVisual;
    // A million rows take seconds to regroup: the header drawn in its new order first.
    const WaitCursor waiting;
    header()->viewport()->repaint();
    vsFlexGrid1_AfterMoveColumn(form_, oldVisual, position);
}

void ViolationGridView::onCurrentChanged(const QModelIndex& current) {
    if (syncing_ || !current.isValid()) return;
    int32_t row = model_.gridRow(current);
    FlexGrid& g = form_.vsFlexGrid1;
    if (row < 0 || row >= g.rows() || current.column() >= g.cols()) return;
    g.select(row, current.column());
}

void ViolationGridView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        int16_t keyAscii = 13;
        vsFlexGrid1_KeyPress(form_, keyAscii);
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void ViolationGridView::autoSize(int firstCol, int lastCol, bool equal, int extraTwips) {
    const FlexGrid& g = form_.vsFlexGrid1;
    const int cols = g.cols();
    firstCol = std::max(firstCol, 0);
    lastCol = std::min(lastCol, cols - 1);
    if (firstCol > lastCol) return;
    const int extra = extraTwips / kTwipsPerPixel;
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics plain(font()), boldMetrics(bold);
    const int32_t lastRow = std::min(g.rows() - 1, kAutoSizeSampleRows);

    std::vector<int> widths;
    for (int c = firstCol; c <= lastCol; ++c) {
        int w = header()->sectionSizeHint(c);
        for (int32_t r = g.fixedRows(); r <= lastRow; ++r) {
            const QFontMetrics& fm = g.isSubtotal(r) && g.subtotalBold() ? boldMetrics : plain;
            w = std::max(w, fm.horizontalAdvance(model_.cellText(r, c)) + kCellPadding);
        }
        // One very long value (a name of thousands of characters) would push every other
        // column out of view; it can still be widened by hand.
        w = std::min(w, std::max(header()->sectionSizeHint(c), plain.averageCharWidth() * 60));
        // The first column also holds the outline's indentation and fold buttons.
        if (c == 0) w += indentation() * 2;
        widths.push_back(w + extra);
    }
    if (equal)
        std::fill(widths.begin(), widths.end(), *std::max_element(widths.begin(), widths.end()));
    for (int c = firstCol; c <= lastCol; ++c)
        setColumnWidth(c, widths[static_cast<size_t>(c - firstCol)]);
}

}  // namespace th
