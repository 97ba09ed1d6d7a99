#pragma once
// The grid: a header row, data rows of texts and the group (subtotal) rows of its
// arrangement, with column order, outline state and the generic sort. Plain data; a
// view presents it and listens for changes.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CellStore.h"

namespace th {

class GridListener {
  public:
    virtual ~GridListener() = default;
    virtual void gridReset() = 0;  // anything may have changed
    virtual void gridRowsAppended(int32_t first, int32_t count) = 0;
    virtual void gridRowChanged(int32_t row) = 0;  // outline state of one row
    virtual void gridAutoSize(int32_t firstCol, int32_t lastCol, bool equal,
                              int32_t extraTwips) = 0;
};

class FlexGrid {
  public:
    static constexpr int kSortGenericAscending = 1;
    static constexpr int kSubtotalClear = 1;
    static constexpr int kSubtotalGroup = 2;
    static constexpr int kExpanded = 0;
    static constexpr int kCollapsed = 2;
    static constexpr int kMergeRestrictedAll = 4;

    FlexGrid();

    // Row count, header row included; writing 1 leaves only the header.
    int32_t rows() const { return static_cast<int32_t>(rows_.size()); }
    void setRows(int32_t count);
    int32_t cols() const { return static_cast<int32_t>(order_.size()); }
    void setCols(int32_t count);
    int32_t fixedRows() const { return fixedRows_; }
    void setFixedRows(int32_t count) { fixedRows_ = count; }
    int32_t fixedCols() const { return fixedCols_; }
    void setFixedCols(int32_t count) { fixedCols_ = count; }
    int32_t appearance() const { return appearance_; }
    void setAppearance(int32_t value) { appearance_ = value; }

    // "A|B|C": sets the column count and the header texts.
    void setFormatString(std::string_view format);

    bool redraw() const { return redraw_; }
    void setRedraw(bool on);

    // Room for count rows in all, so that a load of known size grows the table once.
    void reserveRows(size_t count) { rows_.reserve(count); }
    // Appends a row from tab-separated text; for callers that really hold such text.
    void addItem(std::string_view tabText);
    // Appends a row from its cells, so that a cell holding a tab stays one cell.
    void addRow(std::span<const std::string_view> cells);
    void addRow(std::initializer_list<std::string_view> cells) {
        addRow(std::span<const std::string_view>(cells.begin(), cells.size()));
    }

    // Text of one cell; the view is valid until the grid next changes.
    std::string_view cell(int32_t row, int32_t col) const;

    // How a column shows its cells: writes the shown text of cell into out and returns
    // true, or returns false when the cell shows as it is.
    using CellFold = bool (*)(std::string_view cell, std::string& out);
    // The fold of the column at position col (nullptr: none). It moves with the column;
    // the arrangement sorts and groups by the shown texts while the cells stay as stored.
    void setColFold(int32_t col, CellFold fold);
    CellFold colFold(int32_t col) const;
    // The text a cell shows: the cell itself, or its fold written into scratch.
    std::string_view shownCell(int32_t row, int32_t col, std::string& scratch) const;
    std::string textMatrix(int32_t row, int32_t col) const { return std::string(cell(row, col)); }
    void setTextMatrix(int32_t row, int32_t col, std::string_view text);

    void select(int32_t row, int32_t col, int32_t rowSel = -1, int32_t colSel = -1);
    int32_t row() const { return row_; }
    int32_t col() const { return col_; }
    int32_t rowSel() const { return rowSel_; }
    int32_t colSel() const { return colSel_; }

    // 1: generic ascending. Numbers before texts, numbers by value, texts without
    // regard to ASCII case and then by bytes; a folded column by its shown texts. Stable.
    void sort(int order);

    // 1 removes every group row; 2 inserts one above each run of equal texts in
    // groupCol (equal shown texts when it is folded), holding the first row's cell.
    // totalCol and format are accepted for the component's signature.
    void subtotal(int function, int32_t groupCol = 0, int32_t totalCol = -1,
                  std::string_view format = {}, uint32_t backColor = 0, uint32_t foreColor = 0,
                  bool bold = false);
    bool isSubtotal(int32_t row) const;
    int32_t subtotalCount(int32_t row) const;  // data rows in the group of a group row
    uint32_t subtotalBackColor() const { return subtotalBack_; }
    uint32_t subtotalForeColor() const { return subtotalFore_; }
    bool subtotalBold() const { return subtotalBold_; }

    int isCollapsed(int32_t row) const;
    void setIsCollapsed(int32_t row, int state);

    int32_t outlineBar() const { return outlineBar_; }
    void setOutlineBar(int32_t value) { outlineBar_ = value; }
    int32_t mergeCells() const { return mergeCells_; }
    void setMergeCells(int32_t mode) { mergeCells_ = mode; }
    bool mergeCol(int32_t col) const;
    void setMergeCol(int32_t col, bool on);  // -1: every column

    void autoSize(int32_t firstCol, int32_t lastCol, bool equal = false, int32_t extraTwips = 0);

    // Moves the column at position from to position to; the others close up.
    void moveColumn(int32_t from, int32_t to);
    // Where the column headed by title stands now, or -1 when no header cell holds it.
    // A column's header text moves with it, so the title names the column wherever the
    // user has dragged it.
    int32_t colIndex(std::string_view title) const;

    void setListener(GridListener* listener) { listener_ = listener; }

    // The sort's cell order: <0, 0 or >0. Exposed for the view and the tests.
    static int compareCells(std::string_view a, std::string_view b);
    static bool holdsNumber(std::string_view text);

  private:
    // A row of the table: where its cells lie (data rows in cells_, group rows in
    // groups_) and its flags. Eight bytes, so that sorting and grouping millions of rows
    // moves little.
    struct Row {
        uint32_t offset = 0;
        uint32_t block : 24 = CellStore::kNoBlock;
        uint32_t flags : 8 = 0;
    };
    static constexpr uint8_t kFlagSubtotal = 1;
    static constexpr uint8_t kFlagCollapsed = 2;

    // Stores the cells, each after its length, by storage slot; a group row keeps its
    // count before them.
    Row storeRow(std::span<const std::string_view> cellsBySlot, uint8_t flags = 0,
                 uint32_t groupCount = 0);
    Row makeRow(std::span<const std::string_view> cellsByPosition);
    // The first cell of a row, or nullptr for a row without cells.
    const char* cellsOf(const Row& row) const;
    std::string_view slot(const Row& row, size_t index) const;
    // Every cell of a row by storage slot; missing ones empty.
    void decode(const Row& row, std::vector<std::string_view>& bySlot) const;
    size_t bytesOf(const Row& row) const;
    // Rows [from, rows) are dropped; their bytes are given back once they outweigh the rest.
    void dropRows(size_t from);
    void compact();
    // Stores every row again: new slot s takes the cell of old slot fromSlot[s], or
    // nothing when that is negative.
    void rebuild(std::span<const int32_t> fromSlot);
    std::string_view shownSlot(const Row& row, size_t index, std::string& scratch) const;
    // The shown texts of a folded slot in count rows from first, folds kept in store.
    std::vector<std::string_view> shownColumn(size_t index, size_t first, size_t count,
                                              std::string& store) const;
    void sortRange(size_t first, size_t last, const std::vector<size_t>& keys);
    void checkRow(int32_t row) const;
    void checkCol(int32_t col) const;
    void notifyReset();

    CellStore cells_, groups_;
    size_t garbage_ = 0;  // bytes of cells_ that no row holds any more
    std::vector<Row> rows_;
    std::vector<int32_t> order_;  // position -> storage slot
    std::vector<bool> merge_;     // by position
    std::vector<CellFold> fold_;  // by storage slot
    int32_t fixedRows_ = 1, fixedCols_ = 0, appearance_ = 0;
    int32_t row_ = 0, col_ = 0, rowSel_ = 0, colSel_ = 0;
    int32_t outlineBar_ = 0, mergeCells_ = 0;
    uint32_t subtotalBack_ = 0, subtotalFore_ = 0;
    bool subtotalBold_ = false;
    bool redraw_ = true;
    GridListener* listener_ = nullptr;
    struct AutoSize {
        int32_t first, last;
        bool equal;
        int32_t extra;
    };
    std::optional<AutoSize> pendingAutoSize_;
};

}  // namespace th
