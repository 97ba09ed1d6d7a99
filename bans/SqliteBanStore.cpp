#include "bans/SqliteBanStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <limits>
#include <memory>
#include <numeric>

#include "bans/BanBrowsingSql.h"
#include "bans/BanFileOrder.h"
#include "bans/GuidKey.h"
#include "bans/SchemaMigration.h"
#include "bans/SqliteBatches.h"
#include "platform/CellStore.h"
#include "platform/HeadOrder.h"
#include "platform/Prefetch.h"
#include "platform/TempFile.h"

namespace th {

namespace {

constexpr int64_t kProgressEvery = 4096;

// Rows made room for at once at most, whatever the largest row number says.
constexpr uint64_t kReserveUpTo = uint64_t{1} << 24;

// The numbers of a log's position are kept as decimal text.
uint64_t unsignedOf(std::string_view text) {
    uint64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// Bans added at once from which dropping the browsing indexes pays.
constexpr size_t kDropIndexesFrom = 10000;

// Many bans into a table that holds far fewer: the browsing indexes are dropped rather than
// updated a ban at a time in random order, which costs several times the inserts
// themselves. Browsing makes each again, in one sort, when its order is first asked for,
// so that a merge never pays for an order nobody looks at. Only inside a transaction, so
// that a failure brings them back with everything else.
void dropBrowsingIndexes(SqliteConnection& db, size_t adding) {
    if (adding < kDropIndexesFrom || sqlite3_get_autocommit(db.handle())) return;
    {  // the statement is finished before the indexes are dropped
        // The largest row number: at least as many as the bans stored, found at once. At
        // least half of the bans are new, or the next browsing costs more than is saved.
        SqliteStatement stored(db, "SELECT coalesce(max(rowid), 0) AS Rows FROM tblVandrel");
        if (!stored.step() || 2 * unsignedOf(stored.text(stored.column("Rows"))) > adding) return;
    }
    for (const BanColumn column : kIndexedColumns)
        db.execute("DROP INDEX IF EXISTS " + browsingIndexName(column));
}

// Stored bans per ban added from which a look-up per ban costs less than one pass along
// every stored GUID.
constexpr uint64_t kPassUpTo = 8;

// Which of the bans are stored already: one pass along the GUID index beside the bans in the
// same order, rather than a look-up per ban, which costs several times as much per ban (a
// merge mostly brings bans the database holds). Skipped when the bans are far fewer than
// those stored. A ban the pass does not find is left to the insert's own check of the
// GUID, so the pass never decides what the table would not.
std::vector<bool> storedAmong(SqliteConnection& db, const BanList& bans) {
    std::vector<bool> stored(bans.size());
    {
        SqliteStatement rows(db, "SELECT coalesce(max(rowid), 0) FROM tblVandrel");
        if (!rows.step()) return stored;
        const uint64_t most = unsignedOf(rows.text(0));  // at least as many as are stored
        if (most == 0 || most > kPassUpTo * bans.size()) return stored;
    }
    std::vector<uint32_t> order(bans.size());
    std::iota(order.begin(), order.end(), 0u);
    const auto before = [&](uint32_t a, uint32_t b) {
        return compareGuids(bans[a].guid, bans[b].guid) < 0;
    };
    // The merge hands its bans over in this order already.
    bool inOrder = true;
    for (size_t k = 1; inOrder && k < order.size(); ++k) inOrder = !before(order[k], order[k - 1]);
    if (!inOrder) std::sort(order.begin(), order.end(), before);
    // The index folds letter case as the GUIDs are compared here.
    SqliteStatement guids(db, "SELECT GUID FROM tblVandrel ORDER BY GUID");
    size_t k = 0;
    while (k < order.size() && guids.step()) {
        const std::string_view guid = guids.text(0);
        int c = 1;
        while (k < order.size() && (c = compareGuids(bans[order[k]].guid, guid)) < 0) ++k;
        if (c == 0) stored[order[k++]] = true;
    }
    return stored;
}

}  // namespace

std::string browsingIndexName(BanColumn column) {
    return "idxVandrel" + orderColumn(column, "GUID");
}

std::string toStored(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    for (char c : text) {
        if (c == '\'')
            out += "``";
        else
            out += c;
    }
    return out;
}

std::string fromStored(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '`' && i + 1 < text.size() && text[i + 1] == '`') {
            out += '\'';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string_view asStored(std::string_view text, CellStore& changed) {
    return text.find('\'') == std::string_view::npos ? text : changed.keep(toStored(text));
}

SqliteBanStore::SqliteBanStore(MainForm& form, const std::string& path, bool upgrade)
    : mayWrite_(upgrade) {
    // A copy of the database that a killed backup left beside it (the whole database's
    // size) goes now, not only at the next backup.
    if (upgrade) removeStaleTemps(path);
    db_.Open(path);
    if (upgrade) upgradeDatabase(form, db_);
}

bool SqliteBanStore::hasBan(std::string_view guid) {
    // The column folds letter case, so the comparison does too.
    SqliteStatement& lookup = db_.prepared("SELECT 1 FROM tblVandrel WHERE GUID = ?1 LIMIT 1");
    lookup.bind(1, guid);
    bool found = false;
    try {
        found = lookup.step();
    } catch (...) {
        lookup.reset();
        throw;
    }
    lookup.reset();
    return found;
}

std::vector<bool> SqliteBanStore::addBans(const BanList& bans, const StoreProgress& progress) {
    std::vector<bool> added(bans.size());
    CellStore changed;  // the names an apostrophe changes
    const std::vector<bool> stored = storedAmong(db_, bans);
    std::vector<size_t> adding;
    for (size_t i = 0; i < bans.size(); ++i)
        if (!stored[i]) adding.push_back(i);
    dropBrowsingIndexes(db_, adding.size());
    // A new ban is numbered past the largest ID: when a statement adds fewer bans than it
    // holds (a GUID stored already), the numbers tell its new ones from the others. Past
    // the largest number there is, SQLite numbers at random: then each ban goes alone.
    int64_t highest = 0;
    {
        SqliteStatement largest(db_, "SELECT coalesce(max(ID), 0) FROM tblVandrel");
        if (largest.step()) highest = static_cast<int64_t>(unsignedOf(largest.text(0)));
    }
    const bool numbered =
        highest <= std::numeric_limits<int64_t>::max() - static_cast<int64_t>(bans.size());
    size_t done = 0;
    // GUID folds letter case in the table: a GUID stored in any case is not added again.
    writeInBatches(
        db_,
        [](const std::string& values) {
            return "INSERT INTO tblVandrel (GUID, TimeStamp, PlayerName, IP, ViolationReason) " +
                   values + " ON CONFLICT DO NOTHING";
        },
        5, adding,
        [&](size_t i, SqliteStatement& insert, int first) {
            const Ban ban = bans[i];
            // The values outlive the statement, so SQLite need not copy them.
            insert.bindUncopied(first, ban.guid);
            insert.bindUncopied(first + 1, ban.stamp);
            insert.bindUncopied(first + 2, asStored(ban.name, changed));
            insert.bindUncopied(first + 3, ban.address);
            insert.bindUncopied(first + 4, ban.reason);
        },
        [&](std::span<const size_t> rows, int count) {
            if (static_cast<size_t>(count) == rows.size() || rows.size() == 1) {
                for (size_t i : rows) added[i] = count > 0;
            } else {
                SqliteStatement idOf(db_, "SELECT ID FROM tblVandrel WHERE GUID = ?1");
                for (size_t i : rows) {
                    idOf.bindUncopied(1, bans[i].guid);
                    added[i] =
                        idOf.step() && static_cast<int64_t>(unsignedOf(idOf.text(0))) > highest;
                    idOf.reset();
                }
            }
            highest = std::max<int64_t>(highest, sqlite3_last_insert_rowid(db_.handle()));
            const size_t before = done;
            done = rows.back() + 1;
            if (done / kProgressEvery != before / kProgressEvery)
                progress(static_cast<int64_t>(done));
        },
        numbered ? kRowsPerStatement : 1);
    progress(static_cast<int64_t>(bans.size()));
    return added;
}

void SqliteBanStore::forEachBan(const std::function<void(const Ban&)>& ban) {
    // Read in the table's own order and put in the stored query's here: going along the
    // query's index would look up every ban's row apart, which costs several times as much.
    struct Held {
        uint64_t head;      // banFileHead of the stamp
        uint64_t guid;      // guidHead of the GUID
        const char* bytes;  // the values, one after another
        uint32_t size[5];
    };
    enum { kGuid, kStamp, kName, kIp, kReason };
    // The values go into blocks that never move once written, rather than one text that
    // grows: copying it as it grows and touching its new memory cost more than the reading.
    CellStore texts;
    std::vector<Held> held;
    {
        // At least as many as there are bans, found at once: counting them reads the table.
        SqliteStatement count(db_, "SELECT coalesce(max(rowid), 0) FROM tblVandrel");
        if (count.step()) held.reserve(std::min<uint64_t>(unsignedOf(count.text(0)), kReserveUpTo));
    }
    {
        SqliteStatement rows(
            db_, "SELECT GUID, TimeStamp, PlayerName, IP, ViolationReason FROM tblVandrel");
        while (rows.step()) {
            Held& h = held.emplace_back();
            std::string_view values[5];
            size_t size = 0;
            for (int c = kGuid; c <= kReason; ++c) {
                values[c] = rows.text(c);
                h.size[c] = static_cast<uint32_t>(values[c].size());
                size += values[c].size();
            }
            uint32_t block = 0, offset = 0;
            char* next = texts.append(size, block, offset);
            h.bytes = next;
            for (const std::string_view value : values)
                next = std::copy(value.begin(), value.end(), next);
            h.head = banFileHead(values[kStamp]);
            h.guid = guidHead(values[kGuid]);
        }
    }
    // A damaged page of the table reads as fewer bans without a word from SQLite: the ban
    // file written from them lost those bans, and the merge said it was complete. The
    // GUIDs' index counts them apart.
    {
        SqliteStatement count(db_, "SELECT count(*) FROM tblVandrel");  // by that index
        if (count.step() && unsignedOf(count.text(0)) != held.size())
            throw Error(err::kDatabase, appBaseName() + ".Connection",
                        db_.path() + ": database disk image is malformed (" +
                            std::to_string(held.size()) + " bans read, " +
                            std::string(count.text(0)) +
                            " in the index of their GUIDs); put back a backup of it");
    }
    auto value = [&](const Held& h, int which) {
        const char* at = h.bytes;
        for (int c = kGuid; c < which; ++c) at += h.size[c];
        return std::string_view(at, h.size[which]);
    };
    sortByHead(
        held, [](const Held& h) { return h.head; },
        [&](const Held& a, const Held& b) {
            // Bans of one moment (a merge stamps many with its own) mostly part by their
            // GUIDs' heads.
            if (isMomentHead(a.head) && a.guid != b.guid) return a.guid < b.guid;
            return compareInBanFile(value(a, kStamp), value(a, kGuid), value(b, kStamp),
                                    value(b, kGuid)) < 0;
        });
    std::string name;
    for (size_t i = 0; i < held.size(); ++i) {
        if (i + kFetchAhead < held.size()) {
            const Held& next = held[i + kFetchAhead];
            prefetch(next.bytes, size_t{next.size[0]} + next.size[1] + next.size[2] + next.size[3] +
                                     next.size[4]);
        }
        const Held& h = held[i];
        const std::string_view stored = value(h, kName);
        const bool accents = stored.find("``") != std::string_view::npos;
        if (accents) name = fromStored(stored);
        ban({value(h, kGuid), value(h, kStamp), accents ? std::string_view(name) : stored,
             value(h, kIp), value(h, kReason)});
    }
}

void SqliteBanStore::removeAllBans() {
    // The search index is emptied at once, the mark below every ban so that its triggers
    // leave the deleted bans alone, then at 0 for the bans to come; all or nothing. On its
    // own it takes the write lock first, waiting for another writer as a merge does: a
    // transaction that begins by reading is refused at once when it comes to write.
    const bool own = !db_.inTransaction();
    if (own)
        db_.beginTransaction();
    else
        db_.execute("SAVEPOINT RemoveAllBans");
    try {
        db_.execute("INSERT INTO tblVandrelSearch (tblVandrelSearch) VALUES ('delete-all')");
        db_.execute(
            "UPDATE tblVandrelSearchMark SET UpTo = (SELECT coalesce(min(ID), 1) - 1 FROM "
            "tblVandrel)");
        db_.execute("DELETE FROM tblVandrel");
        db_.execute("UPDATE tblVandrelSearchMark SET UpTo = 0");
        if (own)
            db_.commit();
        else
            db_.execute("RELEASE RemoveAllBans");
    } catch (...) {
        if (own) {
            db_.rollback();
        } else {
            try {
                db_.execute("ROLLBACK TO RemoveAllBans");
                db_.execute("RELEASE RemoveAllBans");
            } catch (...) {
            }
        }
        throw;
    }
}

void SqliteBanStore::replaceKeptLines(std::string_view server,
                                      const std::vector<std::string>& lines) {
    db_.execute("DELETE FROM tblTempBans");
    appendKeptLines(server, lines);
}

void SqliteBanStore::appendKeptLines(std::string_view, const std::vector<std::string>& lines) {
    SqliteStatement& insert = db_.prepared("INSERT INTO tblTempBans (TempBan) VALUES (?1)");
    for (const std::string& line : lines) {
        insert.bind(1, toStored(line));
        insert.run();
    }
}

void SqliteBanStore::forEachKeptLine(std::string_view,
                                     const std::function<void(std::string_view)>& line) {
    SqliteStatement kept(db_, "SELECT * FROM qrySelectAllTempBans");
    const int cKept = kept.column("TempBan");
    while (kept.step()) line(fromStored(kept.text(cKept)));
}

std::vector<LogPosition> SqliteBanStore::logPositions(std::string_view, std::string_view reader) {
    SqliteStatement select(db_,
                           "SELECT Device, Inode, Path, Size, Modified, HeadHash, Position "
                           "FROM tblLogPositions WHERE Reader = ?1 ORDER BY Path, Device, Inode");
    select.bind(1, reader);
    const int cDevice = select.column("Device"), cInode = select.column("Inode"),
              cPath = select.column("Path"), cSize = select.column("Size"),
              cModified = select.column("Modified"), cHash = select.column("HeadHash"),
              cPosition = select.column("Position");
    std::vector<LogPosition> positions;
    while (select.step()) {
        LogPosition p;
        p.path = select.text(cPath);
        p.device = unsignedOf(select.text(cDevice));
        p.inode = unsignedOf(select.text(cInode));
        p.size = unsignedOf(select.text(cSize));
        p.modified = static_cast<int64_t>(unsignedOf(select.text(cModified)));
        readHashes(select.text(cHash), p);
        p.position = unsignedOf(select.text(cPosition));
        positions.push_back(std::move(p));
    }
    return positions;
}

void SqliteBanStore::putLogPositions(std::string_view, std::string_view reader,
                                     const std::vector<LogPosition>& positions,
                                     const std::vector<LogPosition>& gone) {
    SqliteStatement& remove = db_.prepared(
        "DELETE FROM tblLogPositions WHERE Reader = ?1 AND Device = ?2 AND Inode = ?3");
    for (const LogPosition& p : gone) {
        const std::string device = std::to_string(p.device), inode = std::to_string(p.inode);
        remove.bindAll({reader, device, inode});
        remove.run();
    }
    SqliteStatement& put = db_.prepared(
        "INSERT OR REPLACE INTO tblLogPositions "
        "(Reader, Device, Inode, Path, Size, Modified, HeadHash, Position) "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    for (const LogPosition& p : positions) {
        const std::string device = std::to_string(p.device), inode = std::to_string(p.inode),
                          size = std::to_string(p.size),
                          modified = std::to_string(static_cast<uint64_t>(p.modified)),
                          hash = hashesText(p), position = std::to_string(p.position);
        put.bindAll({reader, device, inode, p.path, size, modified, hash, position});
        put.run();
    }
}

}  // namespace th
