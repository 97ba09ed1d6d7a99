#include "platform/FlexGrid.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <thread>

#include "platform/Error.h"
#include "platform/GridSort.h"
#include "platform/LengthPrefix.h"

namespace th {

namespace {

// Drops given back to the store once they outweigh what the grid still holds, and
// are at least this many bytes.
constexpr size_t kCompactAfter = 1u << 20;

// Rows whose cells are asked for ahead of their turn when the rows are read in an order
// other than the one they were stored in.
constexpr size_t kPrefetchAhead = 16;

size_t encodedSize(std::span<const std::string_view> cells) {
    size_t total = 0;
    for (auto c : cells) {
        total += c.size() + 1;
        for (size_t n = c.size(); n >= 0x80; n >>= 7) ++total;
    }
    return total;
}

}  // namespace

FlexGrid::FlexGrid() {
    rows_.emplace_back();
}

bool FlexGrid::holdsNumber(std::string_view t) {
    return th::holdsNumber(t);
}

int FlexGrid::compareCells(std::string_view a, std::string_view b) {
    return th::compareCells(a, b);
}

FlexGrid::Row FlexGrid::makeRow(std::span<const std::string_view> cells) {
    // Cells come by position; store them in the slots those positions show. A grid of
    // violations has seven columns: no heap for them, a row being added millions of times.
    std::array<std::string_view, 16> small;
    std::vector<std::string_view> large;
    std::span<std::string_view> bySlot(small.data(), order_.size());
    if (order_.size() > small.size()) {
        large.resize(order_.size());
        bySlot = large;
    } else {
        std::fill(bySlot.begin(), bySlot.end(), std::string_view{});
    }
    for (size_t pos = 0; pos < order_.size() && pos < cells.size(); ++pos)
        bySlot[static_cast<size_t>(order_[pos])] = cells[pos];
    return storeRow(bySlot);
}

FlexGrid::Row FlexGrid::storeRow(std::span<const std::string_view> bySlot, uint8_t flags,
                                 uint32_t groupCount) {
    const bool group = flags & kFlagSubtotal;
    const size_t size = encodedSize(bySlot) + (group ? sizeof groupCount : 0);
    Row row;
    row.flags = flags;
    uint32_t block = 0;
    char* out = (group ? groups_ : cells_).append(size, block, row.offset);
    row.block = block;
    if (group) {
        std::memcpy(out, &groupCount, sizeof groupCount);
        out += sizeof groupCount;
    }
    for (auto c : bySlot) out = writeWithLength(out, c);
    return row;
}

const char* FlexGrid::cellsOf(const Row& row) const {
    if (row.block == CellStore::kNoBlock) return nullptr;
    if (row.flags & kFlagSubtotal) return groups_.at(row.block, row.offset) + sizeof(uint32_t);
    return cells_.at(row.block, row.offset);
}

std::string_view FlexGrid::slot(const Row& row, size_t index) const {
    const char* p = cellsOf(row);
    if (!p || index >= order_.size()) return {};
    for (size_t i = 0; i < index; ++i) nextWithLength(p);
    return nextWithLength(p);
}

std::string_view FlexGrid::shownSlot(const Row& row, size_t index, std::string& scratch) const {
    std::string_view text = slot(row, index);
    const CellFold fold = fold_[index];
    return fold && fold(text, scratch) ? std::string_view(scratch) : text;
}

std::vector<std::string_view> FlexGrid::shownColumn(size_t index, size_t first, size_t count,
                                                    std::string& store) const {
    std::vector<std::string_view> shown(count);
    struct Folded {
        size_t row, at, size;
    };
    std::vector<Folded> folded;  // the store may move while it grows: views come last
    std::string scratch;
    for (size_t i = 0; i < count; ++i) {
        shown[i] = slot(rows_[first + i], index);
        if (!fold_[index](shown[i], scratch)) continue;
        folded.push_back({i, store.size(), scratch.size()});
        store += scratch;
    }
    for (const Folded& f : folded) shown[f.row] = std::string_view(store).substr(f.at, f.size);
    return shown;
}

void FlexGrid::decode(const Row& row, std::vector<std::string_view>& bySlot) const {
    bySlot.assign(order_.size(), {});
    if (const char* p = cellsOf(row))
        for (auto& cell : bySlot) cell = nextWithLength(p);
}

size_t FlexGrid::bytesOf(const Row& row) const {
    const char* first = cellsOf(row);
    if (!first) return 0;
    const char* p = first;
    for (size_t i = 0; i < order_.size(); ++i) nextWithLength(p);
    return static_cast<size_t>(p - first);
}

void FlexGrid::dropRows(size_t from) {
    for (size_t i = from; i < rows_.size(); ++i)
        if (!(rows_[i].flags & kFlagSubtotal)) garbage_ += bytesOf(rows_[i]);
    rows_.resize(from);
    if (garbage_ >= kCompactAfter && garbage_ * 2 > cells_.used()) compact();
}

void FlexGrid::compact() {
    std::vector<int32_t> same(order_.size());
    std::iota(same.begin(), same.end(), 0);
    rebuild(same);
}

void FlexGrid::rebuild(std::span<const int32_t> fromSlot) {
    // Every row's cells are copied into fresh stores in row order; dropped rows' bytes
    // stay behind.
    const CellStore cells = std::move(cells_), groups = std::move(groups_);
    cells_ = CellStore();
    groups_ = CellStore();
    garbage_ = 0;
    std::vector<std::string_view> old(order_.size()), bySlot(fromSlot.size());
    for (Row& r : rows_) {
        if (r.block == CellStore::kNoBlock) continue;
        const bool group = r.flags & kFlagSubtotal;
        const char* at = (group ? groups : cells).at(r.block, r.offset);
        uint32_t count = 0;
        if (group) {
            std::memcpy(&count, at, sizeof count);
            at += sizeof count;
        }
        for (auto& cell : old) cell = nextWithLength(at);
        for (size_t s = 0; s < bySlot.size(); ++s)
            bySlot[s] =
                fromSlot[s] >= 0 ? old[static_cast<size_t>(fromSlot[s])] : std::string_view{};
        r = storeRow(bySlot, static_cast<uint8_t>(r.flags), count);
    }
}

void FlexGrid::checkRow(int32_t row) const {
    if (row < 0 || row >= rows())
        throw Error(err::kInvalidIndex, appBaseName() + ".FlexGrid", "Invalid Row value");
}

void FlexGrid::checkCol(int32_t col) const {
    if (col < 0 || col >= cols())
        throw Error(err::kInvalidIndex, appBaseName() + ".FlexGrid", "Invalid Column value");
}

void FlexGrid::notifyReset() {
    if (redraw_ && listener_) listener_->gridReset();
}

void FlexGrid::setRows(int32_t count) {
    count = std::max(count, 0);
    if (static_cast<size_t>(count) < rows_.size())
        dropRows(static_cast<size_t>(count));
    else
        rows_.resize(static_cast<size_t>(count));
    row_ = std::min(row_, std::max(count - 1, 0));
    rowSel_ = std::min(rowSel_, std::max(count - 1, 0));
    notifyReset();
}

void FlexGrid::setCols(int32_t count) {
    count = std::max(count, 0);
    // Every row is stored again in position order, so that slots and positions agree.
    std::vector<int32_t> fromSlot(static_cast<size_t>(count), -1);
    for (size_t pos = 0; pos < fromSlot.size() && pos < order_.size(); ++pos)
        fromSlot[pos] = order_[pos];
    rebuild(fromSlot);
    std::vector<CellFold> folds(fromSlot.size(), nullptr);
    for (size_t s = 0; s < folds.size(); ++s)
        if (fromSlot[s] >= 0) folds[s] = fold_[static_cast<size_t>(fromSlot[s])];
    fold_ = std::move(folds);
    order_.resize(static_cast<size_t>(count));
    std::iota(order_.begin(), order_.end(), 0);
    merge_.resize(static_cast<size_t>(count), false);
    col_ = std::min(col_, std::max(count - 1, 0));
    colSel_ = std::min(colSel_, std::max(count - 1, 0));
    notifyReset();
}

void FlexGrid::setFormatString(std::string_view format) {
    std::vector<std::string_view> titles;
    size_t start = 0;
    for (;;) {
        size_t bar = format.find('|', start);
        titles.push_back(format.substr(start, bar == std::string_view::npos ? bar : bar - start));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    setCols(static_cast<int32_t>(titles.size()));
    if (rows_.empty()) rows_.emplace_back();
    if (fixedRows_ > 0) {
        garbage_ += bytesOf(rows_[0]);
        rows_[0] = makeRow(titles);
    }
    notifyReset();
}

void FlexGrid::setRedraw(bool on) {
    bool wasOff = !redraw_;
    redraw_ = on;
    if (!(on && wasOff)) return;
    notifyReset();
    // A size request made while drawing was off is honoured now that the view is current.
    if (pendingAutoSize_ && listener_) {
        auto [first, last, equal, extra] = *pendingAutoSize_;
        listener_->gridAutoSize(first, last, equal, extra);
    }
    pendingAutoSize_.reset();
}

void FlexGrid::addItem(std::string_view tabText) {
    std::vector<std::string_view> cells;
    size_t start = 0;
    for (;;) {
        size_t tab = tabText.find('\t', start);
        cells.push_back(tabText.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos) break;
        start = tab + 1;
    }
    addRow(cells);
}

void FlexGrid::addRow(std::span<const std::string_view> cells) {
    rows_.push_back(makeRow(cells));
    if (redraw_ && listener_) listener_->gridRowsAppended(rows() - 1, 1);
}

std::string_view FlexGrid::cell(int32_t row, int32_t col) const {
    checkRow(row);
    checkCol(col);
    return slot(rows_[static_cast<size_t>(row)],
                static_cast<size_t>(order_[static_cast<size_t>(col)]));
}

void FlexGrid::setColFold(int32_t col, CellFold fold) {
    checkCol(col);
    fold_[static_cast<size_t>(order_[static_cast<size_t>(col)])] = fold;
    notifyReset();
}

FlexGrid::CellFold FlexGrid::colFold(int32_t col) const {
    checkCol(col);
    return fold_[static_cast<size_t>(order_[static_cast<size_t>(col)])];
}

std::string_view FlexGrid::shownCell(int32_t row, int32_t col, std::string& scratch) const {
    checkRow(row);
    checkCol(col);
    return shownSlot(rows_[static_cast<size_t>(row)],
                     static_cast<size_t>(order_[static_cast<size_t>(col)]), scratch);
}

void FlexGrid::setTextMatrix(int32_t row, int32_t col, std::string_view text) {
    checkRow(row);
    checkCol(col);
    Row& r = rows_[static_cast<size_t>(row)];
    std::vector<std::string_view> bySlot;
    decode(r, bySlot);
    // Stored cells never move, so text may even be a view of this very row.
    bySlot[static_cast<size_t>(order_[static_cast<size_t>(col)])] = text;
    const uint32_t count = static_cast<uint32_t>(subtotalCount(row));
    if (!(r.flags & kFlagSubtotal)) garbage_ += bytesOf(r);
    r = storeRow(bySlot, static_cast<uint8_t>(r.flags), count);
    notifyReset();
}

void FlexGrid::select(int32_t row, int32_t col, int32_t rowSel, int32_t colSel) {
    checkRow(row);
    checkCol(col);
    if (rowSel < 0) rowSel = row;
    if (colSel < 0) colSel = col;
    checkRow(rowSel);
    checkCol(colSel);
    row_ = row;
    col_ = col;
    rowSel_ = rowSel;
    colSel_ = colSel;
}

namespace {

// The sort reads a row's key cells from its stored bytes, by storage slot.
class RowKeys : public SortKeys {
  public:
    // cellsOf[i] holds the cells of row first + i, or is nullptr. shown[k], unless empty,
    // holds the shown texts of key k in those rows, which it is compared by.
    RowKeys(const std::vector<size_t>& slots, std::vector<const char*> cellsOf, size_t first,
            const std::vector<std::vector<std::string_view>>& shown)
        : slots_(slots), cellsOf_(std::move(cellsOf)), first_(first), shown_(shown) {
        for (size_t s : slots_) last_ = std::max(last_, s);
    }
    size_t count() const override { return slots_.size(); }
    std::string_view cell(uint32_t row, size_t k) const override {
        if (!shown_[k].empty()) return shown_[k][row - first_];
        const char* p = cellsOf_[row - first_];
        if (!p) return {};
        for (size_t i = 0; i < slots_[k]; ++i) nextWithLength(p);
        return nextWithLength(p);
    }
    void cells(uint32_t row, size_t first, std::string_view* out) const override {
        std::string_view bySlot[kMaxSlots];
        const char* p = cellsOf_[row - first_];
        if (!p || last_ >= kMaxSlots) {
            for (size_t k = first; k < slots_.size(); ++k) out[k - first] = cell(row, k);
            return;
        }
        for (size_t s = 0; s <= last_; ++s) bySlot[s] = nextWithLength(p);
        for (size_t k = first; k < slots_.size(); ++k)
            out[k - first] = shown_[k].empty() ? bySlot[slots_[k]] : shown_[k][row - first_];
    }
    void prefetch(uint32_t row) const override {
        // A violation row's cells take about two cache lines.
        if (const char* p = cellsOf_[row - first_]) {
            __builtin_prefetch(p);
            __builtin_prefetch(p + 64);
        }
    }

  private:
    static constexpr size_t kMaxSlots = 32;
    const std::vector<size_t>& slots_;
    const std::vector<const char*> cellsOf_;
    size_t first_;
    const std::vector<std::vector<std::string_view>>& shown_;
    size_t last_ = 0;
};

}  // namespace

void FlexGrid::sort(int order) {
    if (order != kSortGenericAscending) return;
    int32_t first = std::min(row_, rowSel_), last = std::max(row_, rowSel_);
    if (first == last) {
        first = fixedRows_;
        last = rows() - 1;
    }
    if (last - first < 1) return;
    int32_t c1 = std::min(col_, colSel_), c2 = std::max(col_, colSel_);
    std::vector<size_t> keys;
    for (int32_t c = c1; c <= c2; ++c)
        keys.push_back(static_cast<size_t>(order_[static_cast<size_t>(c)]));
    sortRange(static_cast<size_t>(first), static_cast<size_t>(last), keys);
    notifyReset();
}

void FlexGrid::sortRange(size_t first, size_t last, const std::vector<size_t>& keys) {
    const size_t count = last - first + 1;
    std::vector<uint32_t> index(count);
    std::iota(index.begin(), index.end(), static_cast<uint32_t>(first));
    {
        // A folded key is compared by its shown texts, each made once.
        // Each key keeps its own store: a later key's texts would move an earlier one's.
        std::vector<std::vector<std::string_view>> shown(keys.size());
        std::vector<std::string> shownStores(keys.size());
        for (size_t k = 0; k < keys.size(); ++k)
            if (fold_[keys[k]]) shown[k] = shownColumn(keys[k], first, count, shownStores[k]);
        std::vector<const char*> cells(count);
        for (size_t i = 0; i < count; ++i) cells[i] = cellsOf(rows_[first + i]);
        sortByKeys(index, RowKeys(keys, std::move(cells), first, shown),
                   std::max(1u, std::thread::hardware_concurrency()));
    }
    // The row table is eight bytes a row: a sorted copy costs little beside the cells.
    std::vector<Row> sorted(count);
    for (size_t i = 0; i < count; ++i) sorted[i] = rows_[index[i]];
    std::copy(sorted.begin(), sorted.end(), rows_.begin() + static_cast<std::ptrdiff_t>(first));
}

void FlexGrid::subtotal(int function, int32_t groupCol, int32_t, std::string_view,
                        uint32_t backColor, uint32_t foreColor, bool bold) {
    if (function == kSubtotalClear) {
        std::erase_if(rows_, [](const Row& r) { return r.flags & kFlagSubtotal; });
        groups_.clear();  // every group row has gone
        row_ = std::min(row_, rows() - 1);
        rowSel_ = std::min(rowSel_, rows() - 1);
        notifyReset();
        return;
    }
    if (function != kSubtotalGroup) return;
    checkCol(groupCol);
    subtotalBack_ = backColor;
    subtotalFore_ = foreColor;
    subtotalBold_ = bold;
    size_t key = static_cast<size_t>(order_[static_cast<size_t>(groupCol)]);
    size_t fixed = std::min(static_cast<size_t>(std::max(fixedRows_, 0)), rows_.size());

    // One pass finds where each run of equal values starts, reading every row's value
    // once, a few rows ahead of need (sorted rows lie all over the cell store), and
    // making a folded value once a row; the new row table then gets exactly the room it
    // needs: a grid may hold millions of rows.
    std::vector<uint32_t> starts;
    std::string shown[2];  // in turn: the value of the row before stays valid
    std::string_view previous;
    for (size_t i = fixed; i < rows_.size(); ++i) {
        if (i + kPrefetchAhead < rows_.size())
            if (const char* ahead = cellsOf(rows_[i + kPrefetchAhead])) __builtin_prefetch(ahead);
        if (rows_[i].flags & kFlagSubtotal) continue;
        const std::string_view value = shownSlot(rows_[i], key, shown[i & 1]);
        if (i == fixed || (rows_[i - 1].flags & kFlagSubtotal) || value != previous)
            starts.push_back(static_cast<uint32_t>(i));
        previous = value;
    }
    std::vector<Row> out;
    out.reserve(rows_.size() + starts.size());
    out.insert(out.end(), rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(fixed));
    std::vector<std::string_view> bySlot(order_.size());
    size_t next = 0;  // the run starting at the next data row
    for (size_t i = fixed; i < rows_.size();) {
        if (rows_[i].flags & kFlagSubtotal) {
            out.push_back(rows_[i++]);
            continue;
        }
        const size_t stop = next + 1 < starts.size() ? starts[next + 1] : rows_.size();
        size_t end = i + 1;
        while (end < stop && !(rows_[end].flags & kFlagSubtotal)) ++end;
        bySlot.assign(order_.size(), {});
        bySlot[key] = slot(rows_[i], key);
        out.push_back(storeRow(bySlot, kFlagSubtotal, static_cast<uint32_t>(end - i)));
        out.insert(out.end(), rows_.begin() + static_cast<std::ptrdiff_t>(i),
                   rows_.begin() + static_cast<std::ptrdiff_t>(end));
        i = end;
        ++next;
    }
    rows_ = std::move(out);
    notifyReset();
}

bool FlexGrid::isSubtotal(int32_t row) const {
    checkRow(row);
    return rows_[static_cast<size_t>(row)].flags & kFlagSubtotal;
}

int32_t FlexGrid::subtotalCount(int32_t row) const {
    checkRow(row);
    const Row& r = rows_[static_cast<size_t>(row)];
    if (!(r.flags & kFlagSubtotal) || r.block == CellStore::kNoBlock) return 0;
    uint32_t count = 0;
    std::memcpy(&count, groups_.at(r.block, r.offset), sizeof count);
    return static_cast<int32_t>(count);
}

int FlexGrid::isCollapsed(int32_t row) const {
    checkRow(row);
    return (rows_[static_cast<size_t>(row)].flags & kFlagCollapsed) ? kCollapsed : kExpanded;
}

void FlexGrid::setIsCollapsed(int32_t row, int state) {
    checkRow(row);
    Row& r = rows_[static_cast<size_t>(row)];
    if (state == kCollapsed)
        r.flags = r.flags | kFlagCollapsed;
    else
        r.flags = r.flags & ~uint32_t{kFlagCollapsed};
    if (redraw_ && listener_) listener_->gridRowChanged(row);
}

bool FlexGrid::mergeCol(int32_t col) const {
    checkCol(col);
    return merge_[static_cast<size_t>(col)];
}

void FlexGrid::setMergeCol(int32_t col, bool on) {
    if (col == -1) {
        std::fill(merge_.begin(), merge_.end(), on);
    } else {
        checkCol(col);
        merge_[static_cast<size_t>(col)] = on;
    }
    notifyReset();
}

void FlexGrid::autoSize(int32_t firstCol, int32_t lastCol, bool equal, int32_t extraTwips) {
    checkCol(firstCol);
    checkCol(lastCol);
    if (!redraw_)
        pendingAutoSize_ = AutoSize{firstCol, lastCol, equal, extraTwips};
    else if (listener_)
        listener_->gridAutoSize(firstCol, lastCol, equal, extraTwips);
}

void FlexGrid::moveColumn(int32_t from, int32_t to) {
    checkCol(from);
    checkCol(to);
    int32_t moved = order_[static_cast<size_t>(from)];
    order_.erase(order_.begin() + from);
    order_.insert(order_.begin() + to, moved);
    notifyReset();
}

int32_t FlexGrid::colIndex(std::string_view title) const {
    if (fixedRows_ < 1 || rows_.empty()) return -1;
    for (int32_t c = 0; c < cols(); ++c)
        if (cell(0, c) == title) return c;
    return -1;
}

}  // namespace th
