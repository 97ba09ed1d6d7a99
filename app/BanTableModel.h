#pragma once
// The ban database as a table for a view, fetched a page at a time as the view scrolls:
// nothing is read before it is shown, so a million bans open as fast as a hundred. The
// order (a column either way) and the search are the store's; each page starts after
// the last ban of the one before.

#include <QAbstractTableModel>
#include <exception>
#include <functional>
#include <vector>

#include "bans/BanBrowsing.h"

namespace th {

class BanStore;

class BanTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { GuidColumn, NameColumn, IpColumn, ReasonColumn, TimeColumn, ColumnCount };
    static constexpr size_t kPageSize = 200;

    explicit BanTableModel(BanStore& store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    void sort(int column, Qt::SortOrder order) override;

    // Shows the bans whose GUID, name or IP holds the text, letter case ignored.
    void setSearch(const QString& text);
    // Reads the database again, keeping order and search (after bans were lifted here or
    // merged by another program).
    void reload();

    const StoredBan& ban(int row) const { return bans_.at(static_cast<size_t>(row)); }
    int64_t totalBans() const { return total_; }
    int64_t shownBans() const { return shown_; }
    // "N bans, M shown"; "N bans, more than 10000 shown" past what a search counts.
    QString statusText() const;

    // Told when the database could not be read (locked for long, a search it cannot run);
    // the view then shows what was read so far. A view asks for pages from the event
    // loop, which an exception must never reach. Until it is set (while the model is made)
    // the failure is thrown on, to whoever makes it.
    std::function<void(const std::exception&)> failed = [](const std::exception&) { throw; };

  private:
    BanStore& store_;
    BanOrder order_;
    std::vector<StoredBan> bans_;
    BanKey last_;
    bool atEnd_ = false;
    int64_t total_ = 0, shown_ = 0;
};

// The rows as tab-separated lines, the columns in the order given, as a person reads
// them: what Copy puts on the clipboard.
QString bansAsTsv(const BanTableModel& model, const std::vector<int>& rows,
                  const std::vector<int>& columns);

}  // namespace th
