#pragma once
// The ban database as the rest of the program sees it, whatever engine holds it: an
// SQLite file beside the program (the default, one server's) or a PostgreSQL database
// that a fleet of game servers shares. The merge, the backup and reset, and the schema's
// versions work through this interface only; neither engine's SQL leaks past it.
//
// Values are bytes, stored and handed back exactly: GUIDs and names may hold any 8-bit
// text. Bans belong to the whole database; kept lines (the ban file's temp bans and lines
// of no known shape) belong to one server, named by the caller. SQLite holds one
// server's database and keeps the name nowhere.
//
// Adding to the store (lifted bans, scan positions, aliases, browsing, ...):
//  1. declare the operation here, in the words of what it holds, as a pure virtual;
//  2. implement it in SqliteBanStore and PostgresBanStore;
//  3. a schema change appends the same version number to bans/schema.sql and
//     bans/schema_postgresql.sql (versions are allocated in order, never skipped);
//  4. add its cases to tests/bans/BanStoreTest.cpp, which runs every case against both
//     engines (a real throw-away PostgreSQL server included).
// Browsing pages by key (the last row's sort values), never by OFFSET: a page costs
// the same at row 10 and at row 1,000,000.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "bans/Aliases.h"
#include "bans/BanBrowsing.h"
#include "platform/CancelToken.h"
#include "scan/LogPositions.h"
#include "scan/MainForm.h"

namespace th {

// One ban, its values as the ban file's line has them: name and address in double
// quotes, the reason in double quotes or empty.
struct Ban {
    std::string_view guid, stamp, name, address, reason;
};

using StoreProgress = std::function<void(int64_t done)>;

// Bans handed over by their place, read from wherever the caller keeps them, so that rows
// of another shape need no copy as Ban values. Valid during the call it is given to.
class BanList {
  public:
    BanList(const std::vector<Ban>& bans)  // not explicit: a vector of bans is such a list
        : size_(bans.size()), at_([&bans](size_t i) { return bans[i]; }) {}
    BanList(size_t size, std::function<Ban(size_t)> at) : size_(size), at_(std::move(at)) {}
    size_t size() const { return size_; }
    Ban operator[](size_t i) const { return at_(i); }

  private:
    size_t size_;
    std::function<Ban(size_t)> at_;
};

class BanStore {
  public:
    virtual ~BanStore() = default;

    // The database as messages name it: a file's path, or a URI with its user hidden.
    virtual std::string name() const = 0;
    // The schema version the database holds; once opened, the program's latest.
    virtual int schemaVersion() = 0;

    // Everything between begin() and commit() is one transaction, which waits for any
    // other writer of the database first: two merges never interleave. rollback() undoes
    // an open transaction and does nothing otherwise; it never throws.
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() noexcept = 0;

    // Whether a ban with this GUID is stored, ASCII letter case ignored.
    virtual bool hasBan(std::string_view guid) = 0;
    // Stores each ban whose GUID is not stored yet, ASCII letter case ignored; the bans'
    // GUIDs must differ from one another in that sense. The answer says, ban by ban,
    // whether it was new. progress(n) is told now and then how many bans are done.
    virtual std::vector<bool> addBans(const BanList& bans, const StoreProgress& progress) = 0;
    // Every ban in the order the ban file lists them: month-first stamps by their
    // moment, stamps of other shapes after them by their text, equal stamps by GUID.
    // The values are valid during the call only.
    virtual void forEachBan(const std::function<void(const Ban&)>& ban) = 0;
    // Removes every ban, and nothing else.
    virtual void removeAllBans() = 0;

    // The server's kept lines take the place of those stored for it so far, or follow
    // them; forEachKeptLine gives them in the order stored, every server's for an empty
    // server name.
    virtual void replaceKeptLines(std::string_view server,
                                  const std::vector<std::string>& lines) = 0;
    virtual void appendKeptLines(std::string_view server,
                                 const std::vector<std::string>& lines) = 0;
    virtual void forEachKeptLine(std::string_view server,
                                 const std::function<void(std::string_view)>& line) = 0;

    // Browsing (bans/BanBrowsing.h): up to limit bans in the order, after the ban `after`
    // names (from the first without); how many bans a search finds (all for an empty
    // one), counting stops past atMost (none when negative), so a result of atMost + 1
    // means "more"; the ban of a GUID, ASCII letter case ignored.
    virtual BanPage banPage(const BanOrder& order, const BanKey* after, size_t limit) = 0;
    virtual int64_t countBans(std::string_view search, int64_t atMost) = 0;
    virtual std::optional<StoredBan> findBan(std::string_view guid) = 0;
    // The stored bans of these GUIDs, ASCII letter case ignored, each once, in no
    // particular order: one look-up for many GUIDs instead of one each.
    virtual std::vector<StoredBan> findBans(const std::vector<std::string>& guids) = 0;

    // Lifted bans. liftBan removes the GUID's ban and records its lifting at liftedAt
    // with the note, in place of an earlier record; false when no ban has the GUID.
    // forgetLifting ends a lifting (the GUID was banned again).
    virtual bool liftBan(std::string_view guid, std::string_view liftedAt,
                         std::string_view note) = 0;
    virtual std::optional<LiftedBan> findLiftedBan(std::string_view guid) = 0;
    virtual void forEachLiftedBan(const std::function<void(const LiftedBan&)>& lifted) = 0;
    virtual void forgetLifting(std::string_view guid) = 0;
    // Aliases (bans/Aliases.h). addAliases stores each new one; one already stored (same
    // GUID, ASCII letter case ignored, same name bytes and address) keeps its values and
    // widens its first and last seen by the moments given, an empty one changing nothing.
    // The aliases must differ from one another in that sense. findAliases gives a GUID's
    // aliases by first seen (never seen at a known moment last), then name and address.
    virtual void addAliases(const std::vector<Alias>& aliases) = 0;
    virtual std::vector<StoredAlias> findAliases(std::string_view guid) = 0;
    // Where one reader's incremental scans stand in each of the server's logs
    // (scan/LogPositions.h), in no particular order. Logs are known by device and inode,
    // which only mean something on the server's own machine.
    virtual std::vector<LogPosition> logPositions(std::string_view server,
                                                  std::string_view reader) = 0;
    // Stores the reader's positions, each replacing the one of the same log, and removes
    // those of the gone logs.
    virtual void putLogPositions(std::string_view server, std::string_view reader,
                                 const std::vector<LogPosition>& positions,
                                 const std::vector<LogPosition>& gone) = 0;

    // Asked while begin() waits for another server's merge: the window's Cancel ends the
    // wait (with th::Cancelled) rather than only the two minutes it may take.
    void cancelWaitWith(const CancelToken* cancel) { cancel_ = cancel; }

  protected:
    const CancelToken* cancel_ = nullptr;
};

// A transaction that ends in a rollback unless it was committed.
class StoreTransaction {
  public:
    explicit StoreTransaction(BanStore& store) : store_(store) { store_.begin(); }
    ~StoreTransaction() {
        if (!committed_) store_.rollback();
    }
    StoreTransaction(const StoreTransaction&) = delete;
    StoreTransaction& operator=(const StoreTransaction&) = delete;
    void commit() {
        store_.commit();
        committed_ = true;
    }

  private:
    BanStore& store_;
    bool committed_ = false;
};

// The GUID keys (bans/GuidKey.h) of those of guids that have a stored ban.
std::unordered_set<std::string> bannedGuidKeys(BanStore& store,
                                               const std::vector<std::string>& guids);

// Whether a --db value names a PostgreSQL database rather than a file. Only the
// "postgresql://" and "postgres://" prefixes do, so no path is ever taken for a connection.
bool isPostgresUri(std::string_view where);

// How a ban database is opened: brought up to the program's schema version, or as it is
// for a command that must change nothing (merge --dry-run), which then refuses a database
// of a version it cannot read as it is rather than upgrade it.
enum class StoreOpening { Upgrade, AsItIs };

// Opens the ban database that where names (a postgresql:// URI, else a file path) and
// brings its schema up to the program's version (see bans/SchemaMigration.h). Nothing
// is ever created here. Throws th::Error saying why it could not be opened.
std::unique_ptr<BanStore> openBanStore(MainForm& form, const std::string& where,
                                       StoreOpening opening = StoreOpening::Upgrade);

// Makes a new, empty ban database of the latest schema where names: a file (never
// replacing one that exists) or the schema in an empty PostgreSQL database. Throws
// th::Error saying why not.
void createBanDatabase(const std::string& where);

// How a database is named in messages: a URI without its user, a path as it is.
std::string storeDisplayName(const std::string& where);

}  // namespace th
