#pragma once
// The violation grid as a tree for Qt's views: group rows at the top level with their
// data rows as children; data rows outside any group stand at the top level too. The
// grid stays the one store; this model only indexes where the groups start.

#include <QAbstractItemModel>
#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/FlexGrid.h"

namespace th {

class ViolationGridModel : public QAbstractItemModel, public GridListener {
    Q_OBJECT
  public:
    enum Role {
        GridRowRole = Qt::UserRole + 1,  // the grid's row number of an index
        MergedRole,                      // the cell repeats the one above and shows merged
        GroupRole,                       // a group (subtotal) row
    };

    explicit ViolationGridModel(FlexGrid& grid, QObject* parent = nullptr);
    ~ViolationGridModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Grid row of an index, -1 for the invisible root; and back (invalid for the header).
    int32_t gridRow(const QModelIndex& index) const;
    QModelIndex indexOfGridRow(int32_t gridRow, int column = 0) const;
    bool isGroupIndex(const QModelIndex& index) const;
    // The text a cell shows (shown false: as stored, before the column's fold); group
    // rows add how many rows they hold.
    QString cellText(int32_t gridRow, int column, bool shown = true) const;
    FlexGrid& grid() const { return grid_; }

    // Shows only the data rows that hold the text in some column, letter case ignored,
    // with the groups they belong to. Empty shows every row. The grid keeps every row.
    void setFilter(const QString& text);
    const QString& filter() const { return filter_; }
    // Data rows shown, not counting group rows.
    int32_t shownDataRows() const;

    // While a worker thread changes the grid the model shows nothing and reads nothing
    // of it; what the grid told meanwhile is caught up on resume. Both on the GUI thread.
    void suspend();
    void resume();
    bool suspended() const { return suspended_; }
    // While the worker that has the grid waits for an answer (it asks whether to clear the
    // grid), the grid holds still: the view shows it meanwhile, not an empty grid.
    void setWorkerWaiting(bool waiting);

    // GridListener
    void gridReset() override;
    void gridRowsAppended(int32_t first, int32_t count) override;
    void gridRowChanged(int32_t row) override;
    void gridAutoSize(int32_t firstCol, int32_t lastCol, bool equal, int32_t extraTwips) override;

  signals:
    // A group row was folded (true) or unfolded in the grid; views follow.
    void foldChanged(const QModelIndex& groupIndex, bool collapsed);
    void autoSizeRequested(int firstCol, int lastCol, bool equal, int extraTwips);

  private:
    void rebuild();
    // Whether a grid notification comes from another thread than the model's: it is
    // then only noted, never acted on there.
    bool notedFromElsewhere();
    bool rowMatches(int32_t gridRow) const;
    bool cellMerged(int32_t gridRow, int column, const QModelIndex& index) const;
    int32_t childCount(size_t top) const { return top < childCount_.size() ? childCount_[top] : 0; }
    // How many of a group row's data rows are shown; -1 when the group is not shown.
    int32_t shownChildren(int32_t groupRow) const;

    FlexGrid& grid_;
    // Top-level items in order: their grid row and, for group rows, where their shown
    // data rows start in children_ and how many there are. Both are sorted by grid row,
    // so a grid row is found by binary search.
    std::vector<int32_t> topRows_;
    std::vector<int32_t> childStart_;
    std::vector<int32_t> childCount_;
    std::vector<int32_t> children_;
    QString filter_;
    bool suspended_ = false;
    bool workerWaiting_ = false;
    bool hidden() const { return suspended_ && !workerWaiting_; }
    QVariantList titles_;  // the header while suspended
    std::mutex noted_;     // guards the two below, written by the worker
    bool staleSinceSuspend_ = false;
    std::optional<std::array<int, 4>> pendingAutoSize_;
    std::string asciiFilter_;  // the filter in lower case when it is plain ASCII
};

}  // namespace th
