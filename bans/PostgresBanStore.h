#pragma once
// The ban store in a PostgreSQL database that a fleet of game servers shares: every ban
// is every server's, each server's kept lines are its own (under its name).
//
// Writers take one advisory lock for the length of their transaction, so two merges
// never interleave: the second waits, then sees every ban the first committed. One lock
// taken first by everyone cannot deadlock, and nothing a merge has already done (the
// rewritten ban file) ever needs to be redone, as a serialization failure's retry would
// need. Merges are short, so waiting for one costs little.

#include <memory>

#include "bans/BanStore.h"
#include "bans/PgConnection.h"

namespace th {

// What word of new bans said: their GUIDs, or that there were many and every ban is to
// be looked at.
struct NewBansWord {
    std::vector<std::string> guids;
    bool all = false;
};

class PostgresBanStore : public BanStore {
  public:
    // Connects and brings the schema up to date (in one transaction). A database without
    // the schema, or of a newer one, is refused. Throws th::Error.
    explicit PostgresBanStore(const std::string& uri, bool upgrade = true);

    std::string name() const override { return db_.name(); }
    int schemaVersion() override;

    void begin() override;
    void commit() override;
    void rollback() noexcept override;

    bool hasBan(std::string_view guid) override;
    std::vector<bool> addBans(const BanList& bans, const StoreProgress& progress) override;
    void forEachBan(const std::function<void(const Ban&)>& ban) override;
    void removeAllBans() override;

    void replaceKeptLines(std::string_view server, const std::vector<std::string>& lines) override;
    void appendKeptLines(std::string_view server, const std::vector<std::string>& lines) override;
    void forEachKeptLine(std::string_view server,
                         const std::function<void(std::string_view)>& line) override;

    // Browsing, lifted bans and log positions (bans/PostgresBanStoreBrowsing.cpp).
    BanPage banPage(const BanOrder& order, const BanKey* after, size_t limit) override;
    int64_t countBans(std::string_view search, int64_t atMost) override;
    std::optional<StoredBan> findBan(std::string_view guid) override;
    std::vector<StoredBan> findBans(const std::vector<std::string>& guids) override;
    bool liftBan(std::string_view guid, std::string_view liftedAt, std::string_view note) override;
    std::optional<LiftedBan> findLiftedBan(std::string_view guid) override;
    void forEachLiftedBan(const std::function<void(const LiftedBan&)>& lifted) override;
    void forgetLifting(std::string_view guid) override;
    // Aliases (bans/PostgresBanStoreAliases.cpp).
    void addAliases(const std::vector<Alias>& aliases) override;
    std::vector<StoredAlias> findAliases(std::string_view guid) override;
    std::vector<LogPosition> logPositions(std::string_view server,
                                          std::string_view reader) override;
    void putLogPositions(std::string_view server, std::string_view reader,
                         const std::vector<LogPosition>& positions,
                         const std::vector<LogPosition>& gone) override;

    // Waits up to timeoutMs for word that other connections committed new bans; true when
    // it came, and word (when given) gains what it said. The first call starts listening.
    bool waitForNewBans(int timeoutMs, NewBansWord* word = nullptr);
    // The connection's socket, readable when word may have come.
    int descriptor() const;
    // Whether the connection still stands (false once the server went away).
    bool connected() const { return db_.connected(); }

  private:
    class Writing;
    void upgrade();
    // Word for listeners once the transaction commits: hex GUIDs of new bans, or empty
    // for "look at every ban".
    void notifyListeners(std::string_view word);

    PgConnection db_;
    bool notified_ = false;  // this transaction tells listeners of new bans
    bool listening_ = false;
};

// Makes the schema in an empty PostgreSQL database (the whole of
// bans/schema_postgresql.sql, one transaction). A database that already holds any of it
// is left alone: th::Error says so.
void createPostgresDatabase(const std::string& uri);

// Why the PostgreSQL database at uri is no ban database of this program's (no schema,
// another program's tables, a newer Tallyhound's), in the words opening it would say; empty
// when it is one, or
// when it cannot be reached now (an outage may pass; a missing schema does not).
std::string whyNotAPostgresBanDatabase(const std::string& uri);

}  // namespace th
