#include "bans/PostgresBanStore.h"

#include <charconv>
#include <chrono>
#include <optional>
#include <thread>
#include <unordered_map>

#include "bans/PostgresUri.h"
#include "bans/PostgresWriting.h"
#include "bans/SchemaMigration.h"
#include "platform/ServiceManager.h"
#include "platform/StopSignals.h"

namespace th {

namespace {

// The one lock every writer takes: a number of this program's own ("tallyhou" in ASCII).
constexpr const char* kTryWriterLock =
    "SELECT pg_try_advisory_xact_lock(8386095523070324597)::text";
// A writer waits this long for another merge before it gives up, for the writers' lock
// and for any other lock on the way.
constexpr auto kWriterWait = std::chrono::seconds(120);
constexpr const char* kLockWait = "SET LOCAL lock_timeout = '120s'";
// How often a waiting writer asks for the writers' lock again.
constexpr auto kLockAskEvery = std::chrono::milliseconds(100);
constexpr const char* kNewBansChannel = "tallyhound_bans";
// Word of new bans names them (hex GUIDs, comma-separated) up to this many; more are told
// as "look at every ban", which a listener can do once rather than ban by ban.
constexpr size_t kNamedInWord = 100;
constexpr size_t kBatch = 10000;  // bans a statement carries
constexpr const char* kFetch = "FETCH 10000 FROM tallyhound_bans";

Error storeError(const std::string& text) {
    return Error(err::kDatabase, appBaseName() + ".Connection", text);
}

int versionOf(PgConnection& db) {
    // Tables of these names that another program made are no schema of this program's.
    const std::string notOurs =
        db.name() + " holds no Tallyhound ban database; its tables are another program's";
    if (db.query("SELECT (to_regclass('tblschemaversion') IS NULL)::text").value(0, 0) == "true")
        throw storeError(notOurs);
    const PgResult r = db.query("SELECT Version::text FROM tblSchemaVersion");
    if (r.rows() != 1) throw storeError(db.name() + " holds no single schema version");
    const std::string_view text = r.value(0, 0);
    int version = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), version);
    if (error != std::errc() || end != text.data() + text.size() || version < 1)
        throw storeError(notOurs);
    return version;
}

bool holdsSchema(PgConnection& db) {
    const PgResult r = db.query(
        "SELECT (to_regclass('tblschemaversion') IS NOT NULL OR "
        "to_regclass('tblvandrel') IS NOT NULL OR "
        "to_regclass('tbltempbans') IS NOT NULL)::text");
    return r.value(0, 0) == "true";
}

std::string noSchemaText(const std::string& name) {
    return name + " holds no Tallyhound ban database; make one there with tallyhound-cli db init";
}

}  // namespace

PostgresBanStore::PostgresBanStore(const std::string& uri, bool upgrade)
    : db_(postgresParameters(uri), maskedUri(uri)) {
    if (!holdsSchema(db_)) throw storeError(noSchemaText(name()));
    if (upgrade) this->upgrade();
}

std::string whyNotAPostgresBanDatabase(const std::string& uri) {
    std::optional<PgConnection> db;
    try {
        db.emplace(postgresParameters(uri), maskedUri(uri));
    } catch (const Error&) {
        return {};  // not reached now; it may be later
    }
    try {
        if (!holdsSchema(*db)) return noSchemaText(db->name());
        if (const int version = versionOf(*db); version > postgresSchema().latest())
            return newerSchemaText(db->name(), version, postgresSchema().latest());
    } catch (const Error& e) {
        // The connection lost meanwhile may come back; a refusal it gave does not.
        return db->connected() ? e.description() : std::string();
    }
    return {};
}

void PostgresBanStore::upgrade() {
    const int latest = postgresSchema().latest();
    int version = versionOf(db_);
    if (version == latest) return;
    if (version > latest) throw storeError(newerSchemaText(name(), version, latest));
    try {
        begin();
        // Another server may have upgraded it meanwhile.
        version = versionOf(db_);
        for (int v = version + 1; v <= latest; ++v)
            db_.script(std::string(postgresSchema().version(v)));
        commit();
    } catch (const Error& e) {
        rollback();
        throw storeError(upgradeFailedText(name(), version, e.description(), latest) + ".");
    }
}

int PostgresBanStore::schemaVersion() {
    return versionOf(db_);
}

void PostgresBanStore::begin() {
    db_.query("BEGIN");
    notified_ = false;
    try {
        db_.query(kLockWait);
        // Asked for again and again rather than waited for in one statement: a follower
        // under a service manager's watchdog says it is alive meanwhile, and a stop asked
        // for ends the wait.
        const auto until = std::chrono::steady_clock::now() + kWriterWait;
        while (db_.query(kTryWriterLock).value(0, 0) != "true") {
            if (cancel_) cancel_->check();
            if (StopSignals::requested())
                throw Error(err::kFileInUse, appBaseName() + ".Connection",
                            name() + ": stopped while another merge was writing");
            if (std::chrono::steady_clock::now() >= until)
                throw Error(err::kFileInUse, appBaseName() + ".Connection",
                            name() + ": another merge kept writing for two minutes");
            notifyServiceManager("WATCHDOG=1");
            std::this_thread::sleep_for(kLockAskEvery);
        }
    } catch (...) {
        db_.rollback();
        throw;
    }
}

void PostgresBanStore::commit() {
    // COMMIT of a failed transaction answers as if all were well, having undone it all.
    if (db_.transactionFailed()) {
        db_.rollback();
        throw storeError(name() + ": the transaction failed earlier and was undone");
    }
    db_.query("COMMIT");
}

void PostgresBanStore::rollback() noexcept {
    db_.rollback();
}

bool PostgresBanStore::hasBan(std::string_view guid) {
    return db_.query("SELECT 1 FROM tblVandrel WHERE GuidKey = GuidKeyOf($1::bytea)", {guid})
               .rows() > 0;
}

std::vector<bool> PostgresBanStore::addBans(const BanList& bans, const StoreProgress& progress) {
    std::vector<bool> added(bans.size());
    Writing writing(*this);
    PgByteaColumns<5> columns;
    std::unordered_map<std::string_view, size_t> indexOf;
    std::vector<std::string_view> news;
    for (size_t start = 0; start < bans.size(); start += kBatch) {
        progress(static_cast<int64_t>(start));
        const size_t end = std::min(bans.size(), start + kBatch);
        columns.clear();
        indexOf.clear();
        for (size_t i = start; i < end; ++i) {
            const Ban ban = bans[i];
            columns.add({ban.guid, ban.stamp, ban.name, ban.address, ban.reason});
            indexOf.emplace(ban.guid, i);
        }
        const PgResult inserted = db_.query(
            "INSERT INTO tblVandrel (GUID, TimeStamp, PlayerName, IP, ViolationReason) "
            "SELECT * FROM unnest($1::bytea[], $2::bytea[], $3::bytea[], $4::bytea[], "
            "$5::bytea[]) ON CONFLICT (GuidKey) DO NOTHING RETURNING GUID",
            columns.bytes());
        for (int r = 0; r < inserted.rows(); ++r) {
            const auto found = indexOf.find(inserted.value(r, 0));
            if (found == indexOf.end()) continue;
            added[found->second] = true;
            news.push_back(bans[found->second].guid);
        }
    }
    // Listeners hear of the new bans once the transaction commits.
    if (!news.empty() && !notified_) {
        std::string word;
        if (news.size() <= kNamedInWord) {
            static constexpr char kHex[] = "0123456789abcdef";
            for (std::string_view guid : news) {
                if (!word.empty()) word += ',';
                for (unsigned char c : guid) word.append({kHex[c >> 4], kHex[c & 15]});
            }
        }
        notifyListeners(word);
    }
    writing.done();
    progress(static_cast<int64_t>(bans.size()));
    return added;
}

void PostgresBanStore::forEachBan(const std::function<void(const Ban&)>& ban) {
    // A cursor hands the rows over a batch at a time, however many there are; outside a
    // transaction, one that reads a single moment of the database.
    const bool own = !db_.inTransaction();
    if (own) db_.query("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
    try {
        db_.query(
            "DECLARE tallyhound_bans NO SCROLL CURSOR FOR SELECT GUID, TimeStamp, PlayerName, IP, "
            "ViolationReason FROM qrySelectAllVandrelOrderByTimeStamp");
        for (;;) {
            const PgResult rows = db_.query(kFetch);
            if (rows.rows() == 0) break;
            for (int r = 0; r < rows.rows(); ++r)
                ban({rows.value(r, 0), rows.value(r, 1), rows.value(r, 2), rows.value(r, 3),
                     rows.value(r, 4)});
        }
        db_.query("CLOSE tallyhound_bans");
        if (own) db_.query("COMMIT");
    } catch (...) {
        if (own) {
            db_.rollback();
        } else {
            try {
                db_.query("CLOSE tallyhound_bans");
            } catch (const Error&) {
                // The transaction failed already; its end closes the cursor.
            }
        }
        throw;
    }
}

void PostgresBanStore::removeAllBans() {
    Writing writing(*this);
    db_.query("DELETE FROM tblVandrel");
    writing.done();
}

void PostgresBanStore::replaceKeptLines(std::string_view server,
                                        const std::vector<std::string>& lines) {
    Writing writing(*this);
    db_.query("DELETE FROM tblTempBans WHERE Server = $1::bytea", {server});
    appendKeptLines(server, lines);
    writing.done();
}

void PostgresBanStore::appendKeptLines(std::string_view server,
                                       const std::vector<std::string>& lines) {
    if (lines.empty()) return;
    Writing writing(*this);
    PgByteaArray array;
    for (const std::string& line : lines) array.add(line);
    db_.query(
        "INSERT INTO tblTempBans (Server, TempBan) SELECT $1::bytea, Line "
        "FROM unnest($2::bytea[]) WITH ORDINALITY AS Lines(Line, Place) ORDER BY Place",
        {server, array.bytes()});
    writing.done();
}

void PostgresBanStore::notifyListeners(std::string_view word) {
    if (notified_) return;
    db_.query("SELECT pg_notify($1::text, $2::text)", {kNewBansChannel, word});
    // Once every ban is to be looked at, more word in this transaction adds nothing.
    notified_ = word.empty();
}

void PostgresBanStore::forEachKeptLine(std::string_view server,
                                       const std::function<void(std::string_view)>& line) {
    // No server named: every server's, as browsing wants them.
    const PgResult rows =
        server.empty()
            ? db_.query("SELECT TempBan FROM qrySelectAllTempBans")
            : db_.query("SELECT TempBan FROM qrySelectAllTempBans WHERE Server = $1::bytea",
                        {server});
    for (int r = 0; r < rows.rows(); ++r) line(rows.value(r, 0));
}

bool PostgresBanStore::waitForNewBans(int timeoutMs, NewBansWord* word) {
    if (!listening_) {
        db_.query(std::string("LISTEN ") + kNewBansChannel);
        listening_ = true;
    }
    std::vector<std::string> payloads;
    if (!db_.waitForNotification(timeoutMs, &payloads)) return false;
    if (!word) return true;
    auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    for (const std::string& payload : payloads) {
        if (payload.empty()) word->all = true;
        for (size_t start = 0; !payload.empty() && start <= payload.size();) {
            size_t end = payload.find(',', start);
            if (end == std::string::npos) end = payload.size();
            std::string guid;
            for (size_t i = start; i + 1 < end; i += 2)
                guid += static_cast<char>(digit(payload[i]) * 16 + digit(payload[i + 1]));
            word->guids.push_back(std::move(guid));
            start = end + 1;
        }
    }
    return true;
}

int PostgresBanStore::descriptor() const {
    return db_.descriptor();
}

void createPostgresDatabase(const std::string& uri) {
    PgConnection db(postgresParameters(uri), maskedUri(uri));
    if (holdsSchema(db))
        throw storeError(db.name() +
                         " already holds a Tallyhound ban database, or part of one; it is left "
                         "as it is");
    db.query("BEGIN");
    try {
        db.script(std::string(kPostgresSchemaText));
        db.query("COMMIT");
    } catch (...) {
        db.rollback();
        throw;
    }
}

}  // namespace th
