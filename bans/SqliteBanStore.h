#pragma once
// The ban store in an SQLite file: the embedded default, one server's database. Its
// kept lines belong to whichever server merges into it, so server names are not stored.
// Names and kept lines hold their apostrophes as two grave accents, as the program's
// first databases did.

#include "bans/BanStore.h"
#include "bans/SqliteConnection.h"
#include "platform/CellStore.h"

namespace th {

class SqliteBanStore : public BanStore {
  public:
    // Opens an existing database file and brings its schema up to date unless told to
    // leave it as it is. Throws th::Error.
    SqliteBanStore(MainForm& form, const std::string& path, bool upgrade = true);

    std::string name() const override { return db_.path(); }
    int schemaVersion() override { return db_.userVersion(); }

    void begin() override { db_.beginTransaction(); }
    void commit() override { db_.commit(); }
    void rollback() noexcept override { db_.rollback(); }

    bool hasBan(std::string_view guid) override;
    std::vector<bool> addBans(const BanList& bans, const StoreProgress& progress) override;
    void forEachBan(const std::function<void(const Ban&)>& ban) override;
    void removeAllBans() override;

    void replaceKeptLines(std::string_view server, const std::vector<std::string>& lines) override;
    void appendKeptLines(std::string_view server, const std::vector<std::string>& lines) override;
    void forEachKeptLine(std::string_view server,
                         const std::function<void(std::string_view)>& line) override;

    // Browsing and lifted bans (bans/SqliteBanStoreBrowsing.cpp).
    BanPage banPage(const BanOrder& order, const BanKey* after, size_t limit) override;
    int64_t countBans(std::string_view search, int64_t atMost) override;
    std::optional<StoredBan> findBan(std::string_view guid) override;
    std::vector<StoredBan> findBans(const std::vector<std::string>& guids) override;
    bool liftBan(std::string_view guid, std::string_view liftedAt, std::string_view note) override;
    std::optional<LiftedBan> findLiftedBan(std::string_view guid) override;
    void forEachLiftedBan(const std::function<void(const LiftedBan&)>& lifted) override;
    void forgetLifting(std::string_view guid) override;
    // Aliases (bans/SqliteBanStoreAliases.cpp).
    void addAliases(const std::vector<Alias>& aliases) override;
    std::vector<StoredAlias> findAliases(std::string_view guid) override;
    std::vector<LogPosition> logPositions(std::string_view server,
                                          std::string_view reader) override;
    void putLogPositions(std::string_view server, std::string_view reader,
                         const std::vector<LogPosition>& positions,
                         const std::vector<LogPosition>& gone) override;

    SqliteConnection& connection() { return db_; }

  private:
    // How the search index narrows a search (stored form): the SQL of the IDs of the bans
    // that may hold it, with its values for ?2 and on; none when the index cannot help.
    struct Narrowing {
        std::string search, candidates;
        std::vector<std::string> values;
        bool few = false;  // at most a few thousand candidates
    };
    const Narrowing& narrowing(std::string_view stored);
    void catchUpSearchIndex();
    void makeBrowsingIndex(BanColumn column);

    SqliteConnection db_;
    bool mayWrite_;  // opened to be brought up to date, not as it is
    bool searchTerms_ = false;
    Narrowing narrowed_;
};

// The ordering columns that have an index of their own, on the column and GUID (schema
// version 3; GUID's order is its unique index's), and that index's name.
constexpr BanColumn kIndexedColumns[] = {BanColumn::Time, BanColumn::Name, BanColumn::Ip,
                                         BanColumn::Reason};
std::string browsingIndexName(BanColumn column);

// Apostrophes as this store keeps them, as two grave accents; and back.
std::string toStored(std::string_view text);
std::string fromStored(std::string_view text);
// The text as stored: itself, or its changed copy kept in changed when it holds an apostrophe.
std::string_view asStored(std::string_view text, CellStore& changed);

}  // namespace th
