#include "app/ViolationGridModel.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QThread>
#include <algorithm>
#include <exception>

#include "app/DisplayText.h"

namespace th {

namespace {

// The grid keeps colours in blue-green-red order.
QColor fromBgr(uint32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

// Children carry their parent's top-level position plus one; top-level items carry 0.
constexpr quintptr kTopLevel = 0;

}  // namespace

ViolationGridModel::ViolationGridModel(FlexGrid& grid, QObject* parent)
    : QAbstractItemModel(parent), grid_(grid) {
    rebuild();
    grid_.setListener(this);
}

ViolationGridModel::~ViolationGridModel() {
    grid_.setListener(nullptr);
}

void ViolationGridModel::rebuild() {
    topRows_.clear();
    childStart_.clear();
    childCount_.clear();
    children_.clear();
    if (hidden()) return;
    const int32_t rows = grid_.rows();
    int32_t r = std::min(std::max(grid_.fixedRows(), 0), rows);
    const bool filtering = !filter_.isEmpty();
    while (r < rows) {
        if (!grid_.isSubtotal(r)) {
            if (!filtering || rowMatches(r)) {
                topRows_.push_back(r);
                childStart_.push_back(static_cast<int32_t>(children_.size()));
                childCount_.push_back(0);
            }
            ++r;
            continue;
        }
        // A group holds the data rows it counted, as far as they reach before the next
        // group row; rows appended after the arrangement stand on their own. Under a
        // filter a group shows only its matching rows, and only when it has some.
        int32_t want = grid_.subtotalCount(r), n = 0;
        while (n < want && r + 1 + n < rows && !grid_.isSubtotal(r + 1 + n)) ++n;
        const auto start = static_cast<int32_t>(children_.size());
        for (int32_t c = r + 1; c <= r + n; ++c)
            if (!filtering || rowMatches(c)) children_.push_back(c);
        const auto kept = static_cast<int32_t>(children_.size()) - start;
        if (kept > 0 || !filtering) {
            topRows_.push_back(r);
            childStart_.push_back(start);
            childCount_.push_back(kept);
        }
        r += 1 + n;
    }
}

bool ViolationGridModel::rowMatches(int32_t row) const {
    std::string scratch;
    for (int32_t c = 0; c < grid_.cols(); ++c) {
        const std::string_view cell = grid_.shownCell(row, c, scratch);  // as the user sees it
        if (asciiFilter_.empty()) {
            if (displayText(cell).contains(filter_, Qt::CaseInsensitive)) return true;
            continue;
        }
        // Plain letters and digits are compared on the bytes: no text is decoded for the
        // million rows a large log gives.
        auto hit =
            std::search(cell.begin(), cell.end(), asciiFilter_.begin(), asciiFilter_.end(),
                        [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a + 32 : a) == b; });
        if (hit != cell.end()) return true;
    }
    return false;
}

void ViolationGridModel::suspend() {
    if (suspended_) return;
    titles_.clear();
    for (int c = 0; c < columnCount(); ++c)
        titles_ << headerData(c, Qt::Horizontal, Qt::DisplayRole);
    beginResetModel();
    suspended_ = true;
    rebuild();
    endResetModel();
}

void ViolationGridModel::setWorkerWaiting(bool waiting) {
    if (waiting == workerWaiting_) return;
    if (!suspended_) {
        workerWaiting_ = waiting;
        return;
    }
    beginResetModel();
    workerWaiting_ = waiting;
    rebuild();
    endResetModel();
}

void ViolationGridModel::resume() {
    if (!suspended_) return;
    std::optional<std::array<int, 4>> autoSize;
    {
        std::lock_guard lock(noted_);
        autoSize = pendingAutoSize_;
        pendingAutoSize_.reset();
        staleSinceSuspend_ = false;
    }
    beginResetModel();
    suspended_ = false;
    rebuild();
    endResetModel();
    if (autoSize)
        emit autoSizeRequested((*autoSize)[0], (*autoSize)[1], (*autoSize)[2] != 0, (*autoSize)[3]);
}

bool ViolationGridModel::notedFromElsewhere() {
    if (QThread::currentThread() == thread()) return false;
    std::lock_guard lock(noted_);
    staleSinceSuspend_ = true;
    return true;
}

void ViolationGridModel::setFilter(const QString& text) {
    if (text == filter_) return;
    filter_ = text;
    asciiFilter_.clear();
    bool ascii = true;
    for (QChar ch : text) ascii = ascii && ch.unicode() < 0x80;
    if (ascii) asciiFilter_ = text.toLower().toStdString();
    gridReset();
}

int32_t ViolationGridModel::shownDataRows() const {
    int32_t shown = static_cast<int32_t>(children_.size());
    for (int32_t row : topRows_)
        if (row < grid_.rows() && !grid_.isSubtotal(row)) ++shown;
    return shown;
}

QModelIndex ViolationGridModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= grid_.cols()) return {};
    if (!parent.isValid()) {
        if (static_cast<size_t>(row) >= topRows_.size()) return {};
        return createIndex(row, column, kTopLevel);
    }
    if (parent.internalId() != kTopLevel) return {};
    if (row >= childCount(static_cast<size_t>(parent.row()))) return {};
    return createIndex(row, column, static_cast<quintptr>(parent.row()) + 1);
}

QModelIndex ViolationGridModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == kTopLevel) return {};
    return createIndex(static_cast<int>(child.internalId() - 1), 0, kTopLevel);
}

int ViolationGridModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return static_cast<int>(topRows_.size());
    if (parent.internalId() != kTopLevel || parent.column() != 0) return 0;
    return childCount(static_cast<size_t>(parent.row()));
}

int ViolationGridModel::columnCount(const QModelIndex&) const {
    if (hidden()) return static_cast<int>(titles_.size());
    return grid_.cols();
}

bool ViolationGridModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0;
}

int32_t ViolationGridModel::gridRow(const QModelIndex& index) const {
    if (!index.isValid()) return -1;
    if (index.internalId() == kTopLevel) return topRows_[static_cast<size_t>(index.row())];
    const auto top = static_cast<size_t>(index.internalId() - 1);
    return children_[static_cast<size_t>(childStart_[top] + index.row())];
}

QModelIndex ViolationGridModel::indexOfGridRow(int32_t row, int column) const {
    auto it = std::upper_bound(topRows_.begin(), topRows_.end(), row);
    if (it == topRows_.begin()) return {};
    size_t top = static_cast<size_t>(it - topRows_.begin()) - 1;
    if (row == topRows_[top]) return index(static_cast<int>(top), column);
    const auto first = children_.begin() + childStart_[top];
    const auto last = first + childCount(top);
    auto child = std::lower_bound(first, last, row);
    if (child == last || *child != row) return {};
    return index(static_cast<int>(child - first), column, index(static_cast<int>(top), 0));
}

int32_t ViolationGridModel::shownChildren(int32_t groupRow) const {
    auto it = std::lower_bound(topRows_.begin(), topRows_.end(), groupRow);
    if (it == topRows_.end() || *it != groupRow) return -1;
    return childCount(static_cast<size_t>(it - topRows_.begin()));
}

bool ViolationGridModel::isGroupIndex(const QModelIndex& index) const {
    int32_t r = gridRow(index);
    return r >= 0 && r < grid_.rows() && grid_.isSubtotal(r);
}

QString ViolationGridModel::cellText(int32_t row, int column, bool shown) const {
    std::string scratch;
    // Control characters drawn as empty boxes, and a name that turned the text after it
    // around (its group's count too), are written out.
    QString text = controlsShown(
        displayText(shown ? grid_.shownCell(row, column, scratch) : grid_.cell(row, column)));
    if (column == 0 && grid_.isSubtotal(row)) {
        const int32_t all = grid_.subtotalCount(row);
        // Under a filter the count says how many of the group's rows are shown, so that a
        // group of five showing two does not pass for two.
        const int32_t shownRows = shownChildren(row);
        if (!filter_.isEmpty() && shownRows >= 0 && shownRows < all)
            text += QStringLiteral("  (%1 of %2)").arg(shownRows).arg(all);
        else
            text += QStringLiteral("  (%1)").arg(all);
    }
    return text;
}

bool ViolationGridModel::cellMerged(int32_t row, int column, const QModelIndex& index) const {
    // Restricted merging: a cell shows merged with the one above only where every cell
    // to its left does too, and only inside one group.
    if (grid_.mergeCells() == 0 || index.row() == 0 || grid_.isSubtotal(row)) return false;
    // The row shown above, which under a filter need not be the grid's row above.
    const int32_t above = gridRow(index.siblingAtRow(index.row() - 1));
    if (above < grid_.fixedRows() || grid_.isSubtotal(above)) return false;
    std::string mine, theirs;
    for (int c = 0; c <= column; ++c)
        if (!grid_.mergeCol(c) ||
            grid_.shownCell(row, c, mine) != grid_.shownCell(above, c, theirs))
            return false;
    return true;
}

QVariant ViolationGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    try {
        int32_t row = gridRow(index);
        // While drawing is off the grid changes without telling; never read past it.
        if (row < 0 || row >= grid_.rows() || index.column() >= grid_.cols()) return {};
        bool group = grid_.isSubtotal(row);
        switch (role) {
            case Qt::DisplayRole:
                return cellText(row, index.column());
            case Qt::ToolTipRole:
                // The name as written, colour codes and all, where the cell shows it folded.
                return cellText(row, index.column(), false);
            case Qt::BackgroundRole:
                if (group) return QBrush(fromBgr(grid_.subtotalBackColor()));
                return {};
            case Qt::ForegroundRole:
                if (group) return QBrush(fromBgr(grid_.subtotalForeColor()));
                return {};
            case Qt::FontRole:
                if (group && grid_.subtotalBold()) {
                    QFont f;
                    f.setBold(true);
                    return f;
                }
                return {};
            case GridRowRole:
                return row;
            case MergedRole:
                return cellMerged(row, index.column(), index);
            case GroupRole:
                return group;
            default:
                return {};
        }
    } catch (const std::exception&) {
        return {};
    }
}

QVariant ViolationGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (hidden()) return titles_.value(section);
    if (section < 0 || section >= grid_.cols() || grid_.rows() < 1 || grid_.fixedRows() < 1)
        return {};
    return displayText(grid_.cell(0, section));
}

Qt::ItemFlags ViolationGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!hasChildren(index)) f |= Qt::ItemNeverHasChildren;
    return f;
}

void ViolationGridModel::gridReset() {
    if (notedFromElsewhere() || suspended_) return;
    beginResetModel();
    rebuild();
    endResetModel();
}

void ViolationGridModel::gridRowsAppended(int32_t first, int32_t count) {
    // Appended rows lie past every group, so they join the top level.
    if (notedFromElsewhere() || suspended_ || count <= 0) return;
    const bool overlaps =
        !topRows_.empty() &&
        first <= (childCount(topRows_.size() - 1) > 0 ? children_.back() : topRows_.back());
    if (overlaps || !filter_.isEmpty()) {
        gridReset();
        return;
    }
    int top = static_cast<int>(topRows_.size());
    beginInsertRows({}, top, top + count - 1);
    for (int32_t r = first; r < first + count; ++r) {
        topRows_.push_back(r);
        childStart_.push_back(static_cast<int32_t>(children_.size()));
        childCount_.push_back(0);
    }
    endInsertRows();
}

void ViolationGridModel::gridRowChanged(int32_t row) {
    if (notedFromElsewhere() || suspended_) return;
    QModelIndex idx = indexOfGridRow(row);
    if (!idx.isValid()) return;
    if (hasChildren(idx)) emit foldChanged(idx, grid_.isCollapsed(row) == FlexGrid::kCollapsed);
}

void ViolationGridModel::gridAutoSize(int32_t firstCol, int32_t lastCol, bool equal,
                                      int32_t extraTwips) {
    if (QThread::currentThread() != thread() || suspended_) {
        std::lock_guard lock(noted_);
        pendingAutoSize_ = std::array<int, 4>{firstCol, lastCol, equal ? 1 : 0, extraTwips};
        return;
    }
    emit autoSizeRequested(firstCol, lastCol, equal, extraTwips);
}

}  // namespace th
