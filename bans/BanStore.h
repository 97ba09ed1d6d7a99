#pragma once
// The merge's store step: its rows and kept lines go into the ban database in one
// transaction, which the merge commits only once the rewritten file is in place.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bans/Database.h"
#include "bans/WorkingTable.h"

namespace th {

class BanStore {
  public:
    // Begins the transaction; throws th::Error when the database is not open.
    explicit BanStore(Connection& connection);
    // Rolls back unless committed.
    ~BanStore();
    BanStore(const BanStore&) = delete;
    BanStore& operator=(const BanStore&) = delete;

    // Stores the GUID-sorted rows: the first row of each GUID (letter case ignored) is a
    // ban, unless its GUID is empty, "unknown" or "NO_GUID"; a ban whose GUID is not
    // stored yet is added. progress(j) is told each row.
    void addRows(const std::vector<WorkRow>& sorted, const std::function<void(int64_t)>& progress);
    // The kept lines take the place of those stored so far, or follow them.
    void replaceKeptLines(const std::vector<std::string>& lines);
    void appendKeptLines(const std::vector<std::string>& lines);

    void commit();

    int64_t bansTaken() const { return taken_; }       // rows that are bans
    int64_t bansAdded() const { return added_; }       // of them, new to the database
    int64_t stampedAdded() const { return stamped_; }  // new ones given the merge's time

  private:
    Connection& db_;
    int64_t taken_ = 0, added_ = 0, stamped_ = 0;
};

// Apostrophes are kept as two grave accents in the database, as existing databases hold
// them; and back.
std::string toStored(std::string_view text);
std::string fromStored(std::string_view text);

}  // namespace th
