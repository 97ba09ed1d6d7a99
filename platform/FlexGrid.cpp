#include "platform/FlexGrid.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <unordered_map>

#include "platform/Error.h"
#include "platform/LengthPrefix.h"

namespace th {

namespace {

unsigned char lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

struct Decimal {
    bool negative = false;
    std::string_view whole;     // without leading zeros
    std::string_view fraction;  // without trailing zeros
};

Decimal parseDecimal(std::string_view text) {
    Decimal d;
    if (text.front() == '+' || text.front() == '-') {
        d.negative = text.front() == '-';
        text.remove_prefix(1);
    }
    size_t dot = text.find('.');
    std::string_view whole = text.substr(0, dot);
    std::string_view fraction = dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
    while (!whole.empty() && whole.front() == '0') whole.remove_prefix(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
    d.whole = whole;
    d.fraction = fraction;
    if (whole.empty() && fraction.empty()) d.negative = false;  // -0 is 0
    return d;
}

int compareMagnitude(const Decimal& a, const Decimal& b) {
    if (a.whole.size() != b.whole.size()) return a.whole.size() < b.whole.size() ? -1 : 1;
    if (int c = a.whole.compare(b.whole)) return c < 0 ? -1 : 1;
    if (int c = a.fraction.compare(b.fraction)) return c < 0 ? -1 : 1;
    return 0;
}

int compareNumbers(std::string_view a, std::string_view b) {
    Decimal x = parseDecimal(a), y = parseDecimal(b);
    if (x.negative != y.negative) return x.negative ? -1 : 1;
    int c = compareMagnitude(x, y);
    return x.negative ? -c : c;
}

int compareTexts(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = lower(static_cast<unsigned char>(a[i]));
        unsigned char y = lower(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    // Equal but for case: order by bytes so the order stays strict.
    int c = std::memcmp(a.data(), b.data(), n);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

FlexGrid::FlexGrid() { rows_.emplace_back(); }

bool FlexGrid::holdsNumber(std::string_view t) {
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t digits = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    if (i == digits) return false;
    if (i == t.size()) return true;
    if (t[i] != '.') return false;
    size_t fraction = ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    return i > fraction && i == t.size();
}

int FlexGrid::compareCells(std::string_view a, std::string_view b) {
    bool na = holdsNumber(a), nb = holdsNumber(b);
    if (na && nb) return compareNumbers(a, b);
    if (na != nb) return na ? -1 : 1;
    return compareTexts(a, b);
}

FlexGrid::Row FlexGrid::makeRow(std::span<const std::string_view> cells) const {
    // Cells come by position; store them in the slots those positions show.
    std::vector<std::string_view> bySlot(order_.size());
    for (size_t pos = 0; pos < order_.size() && pos < cells.size(); ++pos)
        bySlot[static_cast<size_t>(order_[pos])] = cells[pos];
    return encode(bySlot);
}

FlexGrid::Row FlexGrid::encode(std::span<const std::string_view> bySlot) {
    Row row;
    size_t total = 0;
    for (auto c : bySlot) total += c.size() + 2;
    row.data.reserve(total);
    for (auto c : bySlot) appendWithLength(row.data, c);
    return row;
}

std::string_view FlexGrid::slot(const Row& row, size_t index) {
    if (row.data.empty()) return {};
    const char* p = row.data.data();
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

void FlexGrid::checkRow(int32_t row) const {
    if (row < 0 || row >= rows()) throw Error(err::kInvalidIndex, appBaseName() + ".FlexGrid", "Invalid Row value");
}

void FlexGrid::checkCol(int32_t col) const {
    if (col < 0 || col >= cols()) throw Error(err::kInvalidIndex, appBaseName() + ".FlexGrid", "Invalid Column value");
}

void FlexGrid::notifyReset() {
    if (redraw_ && listener_) listener_->gridReset();
}

void FlexGrid::setRows(int32_t count) {
    count = std::max(count, 0);
    rows_.resize(static_cast<size_t>(count));
    row_ = std::min(row_, std::max(count - 1, 0));
    rowSel_ = std::min(rowSel_, std::max(count - 1, 0));
    notifyReset();
}

void FlexGrid::setCols(int32_t count) {
    count = std::max(count, 0);
    // Rebuild every row in position order so that storage slots and positions agree again.
    std::vector<std::string_view> cells(static_cast<size_t>(count));
    std::vector<CellFold> folds(static_cast<size_t>(count), nullptr);
    for (size_t pos = 0; pos < folds.size() && pos < order_.size(); ++pos)
        folds[pos] = fold_[static_cast<size_t>(order_[pos])];
    fold_ = std::move(folds);
    std::vector<Row> rebuilt;
    rebuilt.reserve(rows_.size());
    for (const auto& r : rows_) {
        for (size_t pos = 0; pos < cells.size(); ++pos)
            cells[pos] = pos < order_.size() ? slot(r, static_cast<size_t>(order_[pos])) : std::string_view{};
        Row n = encode(cells);
        n.flags = r.flags;
        n.groupCount = r.groupCount;
        rebuilt.push_back(std::move(n));
    }
    rows_ = std::move(rebuilt);
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
    if (fixedRows_ > 0) rows_[0] = makeRow(titles);
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
    return slot(rows_[static_cast<size_t>(row)], static_cast<size_t>(order_[static_cast<size_t>(col)]));
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
    std::vector<std::string> cells(order_.size());
    for (size_t pos = 0; pos < order_.size(); ++pos) cells[pos] = std::string(slot(r, order_[pos]));
    cells[static_cast<size_t>(col)] = std::string(text);
    std::vector<std::string_view> views(cells.begin(), cells.end());
    Row n = makeRow(views);
    n.flags = r.flags;
    n.groupCount = r.groupCount;
    r = std::move(n);
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
    for (int32_t c = c1; c <= c2; ++c) keys.push_back(static_cast<size_t>(order_[static_cast<size_t>(c)]));

    // A folded key is compared by its shown texts, each made once.
    const size_t count = static_cast<size_t>(last - first + 1);
    std::vector<std::vector<std::string_view>> shown(keys.size());
    std::string shownStore;
    for (size_t k = 0; k < keys.size(); ++k)
        if (fold_[keys[k]])
            shown[k] = shownColumn(keys[k], static_cast<size_t>(first), count, shownStore);
    auto key = [&](size_t k, size_t row) {
        return shown[k].empty() ? slot(rows_[row], keys[k])
                                : shown[k][row - static_cast<size_t>(first)];
    };

    // Rank the distinct values of the first key once, then sort small (rank, row) pairs:
    // the rows themselves are only read again to break ties on the later keys.
    std::unordered_map<std::string_view, uint32_t> idOf;
    idOf.reserve(count);
    std::vector<std::string_view> distinct;
    std::vector<uint32_t> idOfRow(count);
    for (size_t i = 0; i < count; ++i) {
        std::string_view v = key(0, static_cast<size_t>(first) + i);
        auto [it, added] = idOf.try_emplace(v, static_cast<uint32_t>(distinct.size()));
        if (added) distinct.push_back(v);
        idOfRow[i] = it->second;
    }
    std::vector<uint32_t> byValue(distinct.size());
    std::iota(byValue.begin(), byValue.end(), 0u);
    std::sort(byValue.begin(), byValue.end(),
              [&](uint32_t x, uint32_t y) { return compareCells(distinct[x], distinct[y]) < 0; });
    std::vector<uint32_t> rankOf(distinct.size());
    uint32_t rank = 0;
    for (size_t i = 0; i < byValue.size(); ++i) {
        if (i > 0 && compareCells(distinct[byValue[i - 1]], distinct[byValue[i]]) != 0) ++rank;
        rankOf[byValue[i]] = rank;
    }
    // Rows go into one bucket per rank, in their order (a counting sort, so stable);
    // only rows sharing a first key are then sorted on the later keys.
    std::vector<size_t> bucketStart(static_cast<size_t>(rank) + 2, 0);
    for (size_t i = 0; i < count; ++i) ++bucketStart[rankOf[idOfRow[i]] + 1];
    for (size_t r = 1; r < bucketStart.size(); ++r) bucketStart[r] += bucketStart[r - 1];
    std::vector<uint32_t> index(count);
    {
        std::vector<size_t> next(bucketStart.begin(), bucketStart.end() - 1);
        for (size_t i = 0; i < count; ++i)
            index[next[rankOf[idOfRow[i]]]++] = static_cast<uint32_t>(first) + static_cast<uint32_t>(i);
    }
    auto laterKeys = [&](uint32_t x, uint32_t y) {
        for (size_t k = 1; k < keys.size(); ++k) {
            int c = compareCells(key(k, x), key(k, y));
            if (c) return c < 0;
        }
        return false;
    };
    if (keys.size() > 1) {
        for (size_t r = 0; r + 1 < bucketStart.size(); ++r)
            if (bucketStart[r + 1] - bucketStart[r] > 1)
                std::stable_sort(index.begin() + static_cast<std::ptrdiff_t>(bucketStart[r]),
                                 index.begin() + static_cast<std::ptrdiff_t>(bucketStart[r + 1]), laterKeys);
    }
    // The rows move along the permutation's cycles in place: a sorted copy of millions of
    // rows would double the grid's memory.
    std::vector<bool> placed(count, false);
    for (size_t start = 0; start < count; ++start) {
        if (placed[start]) continue;
        Row held = std::move(rows_[static_cast<size_t>(first) + start]);
        size_t at = start;
        for (;;) {
            placed[at] = true;
            const size_t from = index[at] - static_cast<size_t>(first);
            if (from == start) break;
            rows_[static_cast<size_t>(first) + at] = std::move(rows_[static_cast<size_t>(first) + from]);
            at = from;
        }
        rows_[static_cast<size_t>(first) + at] = std::move(held);
    }
    notifyReset();
}

void FlexGrid::subtotal(int function, int32_t groupCol, int32_t, std::string_view, uint32_t backColor,
                        uint32_t foreColor, bool bold) {
    if (function == kSubtotalClear) {
        std::erase_if(rows_, [](const Row& r) { return r.flags & kFlagSubtotal; });
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

    // Where each group starts, every row compared once with the one before, so that a
    // folded key is made once a row.
    std::vector<bool> starts(rows_.size(), false);
    std::string shown[2];  // in turn: the view of the row before stays valid
    std::string_view before;
    size_t groups = 0;  // room for exactly the rows to be: a grid may hold millions
    for (size_t i = fixed; i < rows_.size(); ++i) {
        if (rows_[i].flags & kFlagSubtotal) continue;
        const std::string_view value = shownSlot(rows_[i], key, shown[i & 1]);
        starts[i] = i == fixed || (rows_[i - 1].flags & kFlagSubtotal) || value != before;
        groups += starts[i];
        before = value;
    }
    std::vector<Row> out;
    out.reserve(rows_.size() + groups);
    for (size_t i = 0; i < fixed; ++i) out.push_back(std::move(rows_[i]));
    std::vector<std::string_view> groupCells(order_.size());
    for (size_t i = fixed; i < rows_.size();) {
        if (rows_[i].flags & kFlagSubtotal) {
            out.push_back(std::move(rows_[i++]));
            continue;
        }
        size_t end = i + 1;
        while (end < rows_.size() && !(rows_[end].flags & kFlagSubtotal) && !starts[end]) ++end;
        groupCells.assign(order_.size(), {});
        groupCells[static_cast<size_t>(groupCol)] = slot(rows_[i], key);
        Row group = makeRow(groupCells);
        group.flags = kFlagSubtotal;
        group.groupCount = static_cast<uint32_t>(end - i);
        out.push_back(std::move(group));
        for (; i < end; ++i) out.push_back(std::move(rows_[i]));
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
    return static_cast<int32_t>(rows_[static_cast<size_t>(row)].groupCount);
}

int FlexGrid::isCollapsed(int32_t row) const {
    checkRow(row);
    return (rows_[static_cast<size_t>(row)].flags & kFlagCollapsed) ? kCollapsed : kExpanded;
}

void FlexGrid::setIsCollapsed(int32_t row, int state) {
    checkRow(row);
    auto& flags = rows_[static_cast<size_t>(row)].flags;
    if (state == kCollapsed)
        flags |= kFlagCollapsed;
    else
        flags &= static_cast<uint8_t>(~kFlagCollapsed);
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
