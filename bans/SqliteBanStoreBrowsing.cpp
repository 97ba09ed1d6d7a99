// Browsing and lifting bans in an SQLite ban database: each page is read along the index
// of its ordering column and GUID (schema version 3), or, for a search, through the
// trigram index of GUIDs, names and addresses (version 6).

#include <algorithm>
#include <unordered_set>

#include "bans/BanBrowsingSql.h"
#include "bans/GuidKey.h"
#include "bans/SqliteBanStore.h"
#include "platform/DisplayBytes.h"

namespace th {

namespace {

// A search text in the forms a value may hold it in, each tied to the rule a value is shown
// by when the text is 8-bit: as typed, for values shown as UTF-8, and as the Windows-1252
// bytes that show as it, for the others. Untied, "©" found "Jérôme" in UTF-8, whose "é"
// holds the byte that is "©" in Windows-1252. Bytes typed that are no UTF-8 are taken as
// the text they show as.
struct Search {
    std::string stored, windows1252;
    bool tied = false;
    explicit Search(std::string_view typed) {
        const std::string text = isValidUtf8(typed) ? std::string(typed) : displayUtf8(typed);
        stored = toStored(text);
        tied = std::any_of(text.begin(), text.end(), [](char c) { return c & 0x80; });
        if (const std::optional<std::string> bytes = windows1252Bytes(text))
            windows1252 = toStored(*bytes);
    }
};

// A search over the three searched values: LIKE pattern ?1, the text as typed (and ?7, the
// same inside the quotes around names and addresses, when it holds a quote); and, for the
// Windows-1252 form, ?6 found among the bytes, ASCII letters made small (SQLite's LIKE
// reads values as UTF-8 and takes any lone 8-bit byte for any other).
std::string searchClause(const Search& search) {
    const auto shownBy = [&](const std::string& column, const std::string& test, bool utf8) {
        if (!search.tied) return test;
        return "(" + test + " AND " + (utf8 ? "" : "NOT ") + "shown_as_utf8(" + column + "))";
    };
    std::string clause;
    const auto add = [&](const std::string& test) {
        clause += (clause.empty() ? "" : " OR ") + test;
    };
    for (const char* name : {"GUID", "PlayerName", "IP"}) {
        const std::string column = std::string("tblVandrel.") + name;
        const bool quoted = column != "tblVandrel.GUID" && searchesQuotes(search.stored);
        add(shownBy(column,
                    quoted ? quotedValueLike(column, "?1", "?7", "'\"%\"'", " ESCAPE '\\'")
                           : column + " LIKE ?1 ESCAPE '\\'",
                    true));
    }
    if (!search.windows1252.empty())
        for (const char* name : {"GUID", "PlayerName", "IP"}) {
            const std::string column = std::string("tblVandrel.") + name;
            add(shownBy(column, "instr(CAST(lower(" + column + ") AS BLOB), CAST(?6 AS BLOB))",
                        false));
        }
    return "(" + clause + ")";
}

void bindPatterns(SqliteStatement& statement, const Search& search) {
    statement.bind(1, containsPattern(search.stored));
    if (searchesQuotes(search.stored)) statement.bind(7, insideQuotesPattern(search.stored));
    if (!search.windows1252.empty()) statement.bind(6, guidKey(search.windows1252));
}

// The bans above the index's mark, which it does not hold yet: every one is a candidate.
constexpr const char* kNotIndexed =
    " UNION ALL SELECT ID FROM tblVandrel WHERE ID > (SELECT UpTo FROM tblVandrelSearchMark)";

// The index's query for rows holding every piece: "abc" AND "bcd" ..., each a string.
std::string indexQuery(const std::vector<std::string>& trigrams) {
    std::string query;
    for (const std::string& trigram : trigrams) {
        if (!query.empty()) query += " AND ";
        query += '"';
        for (char c : trigram) {
            if (c == '"') query += '"';
            query += c;
        }
        query += '"';
    }
    return query;
}

// The search's longest run of ASCII characters, letters made small as the index keeps
// them; empty when it has none.
std::string longestAsciiRun(std::string_view text) {
    std::string_view longest;
    for (size_t i = 0; i < text.size();) {
        size_t end = i;
        while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80) ++end;
        if (end - i > longest.size()) longest = text.substr(i, end - i);
        i = end + 1;
    }
    std::string run(longest);
    for (char& c : run)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return run;
}

StoredBan storedBan(const SqliteStatement& row) {
    return {std::string(row.text(0)), std::string(row.text(1)), fromStored(row.text(2)),
            std::string(row.text(3)), std::string(row.text(4))};
}

// Runs the statement to its end, handing each row over, and leaves it ready again.
template <typename RowFn>
void eachRow(SqliteStatement& statement, RowFn&& row) {
    try {
        while (statement.step()) row(statement);
    } catch (...) {
        statement.reset();
        throw;
    }
    statement.reset();
}

int64_t firstNumber(SqliteStatement& statement) {
    int64_t number = 0;
    eachRow(statement,
            [&](const SqliteStatement& row) { number = std::stoll(std::string(row.text(0))); });
    return number;
}

}  // namespace

// Brings the search index up to the newest ban, in one statement (the mark's trigger
// indexes the bans it passes). A store opened as it is writes nothing, and one that cannot
// write now (another program writing, a read-only file) searches all the same: the bans
// above the mark are candidates of every search.
void SqliteBanStore::catchUpSearchIndex() {
    if (!mayWrite_) return;
    SqliteStatement& behind = db_.prepared(
        "SELECT EXISTS (SELECT 1 FROM tblVandrel WHERE ID > (SELECT UpTo FROM "
        "tblVandrelSearchMark))");
    if (firstNumber(behind) == 0) return;
    db_.executeIfFree(
        "UPDATE tblVandrelSearchMark SET UpTo = (SELECT max(ID) FROM tblVandrel) "
        "WHERE UpTo < (SELECT max(ID) FROM tblVandrel)");
}

// Makes the index of the ordering column again when a merge of many bans dropped it: one
// sort now, where a page without it would sort every ban each time. A store that cannot
// write now (another program writing, a read-only file) pages all the same, by sorting,
// rather than keep the window waiting for the other writer.
void SqliteBanStore::makeBrowsingIndex(BanColumn column) {
    if (!mayWrite_ || column == BanColumn::Guid) return;
    const std::string name = browsingIndexName(column);
    SqliteStatement& exists = db_.prepared(
        "SELECT EXISTS (SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?1)");
    exists.bind(1, name);
    if (firstNumber(exists) != 0) return;
    db_.executeIfFree("CREATE INDEX IF NOT EXISTS " + name + " ON tblVandrel (" +
                      orderColumn(column, "GUID") + ", GUID)");
}

// How the index narrows a search (stored form), kept for the search last asked about, as
// a window asks for its count and its pages in turn. A text with three ASCII characters
// in a row asks for the rows holding all its trigrams; any other with an ASCII character
// for the rows with a trigram beginning with its longest ASCII run (every character of a
// value begins one); a text without ASCII characters is not narrowed.
const SqliteBanStore::Narrowing& SqliteBanStore::narrowing(std::string_view stored) {
    if (stored == narrowed_.search) return narrowed_;
    catchUpSearchIndex();
    narrowed_ = {std::string(stored), {}, {}, false};
    if (const std::vector<std::string> trigrams = asciiTrigrams(stored); !trigrams.empty()) {
        narrowed_.candidates =
            "SELECT rowid AS ID FROM tblVandrelSearch WHERE tblVandrelSearch MATCH ?2";
        narrowed_.values = {indexQuery(trigrams)};
    } else if (std::string run = longestAsciiRun(stored); !run.empty()) {
        if (!searchTerms_) {
            db_.execute(
                "CREATE VIRTUAL TABLE IF NOT EXISTS temp.tblVandrelSearchTerms USING "
                "fts5vocab(main, tblVandrelSearch, instance)");
            searchTerms_ = true;
        }
        narrowed_.candidates =
            "SELECT DISTINCT doc AS ID FROM temp.tblVandrelSearchTerms WHERE term >= ?2 AND "
            "term < ?3";
        std::string past = run;
        ++past.back();  // an ASCII character: no carry
        narrowed_.values = {std::move(run), std::move(past)};
    } else {
        return narrowed_;
    }
    narrowed_.candidates += kNotIndexed;
    SqliteStatement& candidates =
        db_.prepared("SELECT count(*) FROM (" + narrowed_.candidates + " LIMIT " +
                     std::to_string(kCountedMatches + 1) + ")");
    for (size_t i = 0; i < narrowed_.values.size(); ++i)
        candidates.bind(static_cast<int>(i) + 2, narrowed_.values[i]);
    narrowed_.few = firstNumber(candidates) <= kCountedMatches;
    return narrowed_;
}

// A page of a search the index narrows to a few thousand rows is read through it and
// sorted; of any other (pieces most bans hold) along the ordering column's index, where
// matches come often enough to fill a page soon.
BanPage SqliteBanStore::banPage(const BanOrder& order, const BanKey* after, size_t limit) {
    const Search search(order.search);
    const std::string& stored = search.stored;
    const Narrowing* narrowed = nullptr;
    if (!stored.empty() && narrowing(stored).few) narrowed = &narrowed_;
    if (!narrowed) makeBrowsingIndex(order.column);
    std::string sql = "SELECT GUID, TimeStamp, PlayerName, IP, ViolationReason, " +
                      orderColumn(order.column, "GUID") + " FROM tblVandrel WHERE 1";
    if (!stored.empty()) sql += " AND " + searchClause(search);
    if (narrowed) sql += " AND ID IN (" + narrowed->candidates + ")";
    if (after) sql += afterClause(order, "GUID", "?4", "?5");
    sql += orderByClause(order, "GUID") + " LIMIT " + std::to_string(limit);

    SqliteStatement& page = db_.prepared(sql);
    if (!stored.empty()) bindPatterns(page, search);
    if (narrowed)
        for (size_t i = 0; i < narrowed->values.size(); ++i)
            page.bind(static_cast<int>(i) + 2, narrowed->values[i]);
    if (after) {
        if (order.column != BanColumn::Guid) page.bind(4, after->value);
        page.bind(5, after->guid);
    }
    BanPage result;
    eachRow(page, [&](const SqliteStatement& row) {
        result.bans.push_back(storedBan(row));
        result.last = {std::string(row.text(5)), std::string(row.text(0))};
    });
    return result;
}

// A count reads the index's candidates one by one, where it can, and stops past atMost.
int64_t SqliteBanStore::countBans(std::string_view search, int64_t atMost) {
    if (search.empty()) return firstNumber(db_.prepared("SELECT count(*) FROM tblVandrel"));
    const Search forms(search);
    const Narrowing& narrowed = narrowing(forms.stored);
    std::string sql = "SELECT count(*) FROM (SELECT 1 FROM ";
    if (narrowed.candidates.empty())
        sql += "tblVandrel WHERE ";
    else
        sql += "(" + narrowed.candidates +
               ") AS Candidates CROSS JOIN tblVandrel ON tblVandrel.ID = Candidates.ID WHERE ";
    sql += searchClause(forms);
    if (atMost >= 0) sql += " LIMIT " + std::to_string(atMost + 1);
    SqliteStatement& found = db_.prepared(sql + ")");
    bindPatterns(found, forms);
    for (size_t i = 0; i < narrowed.values.size(); ++i)
        found.bind(static_cast<int>(i) + 2, narrowed.values[i]);
    return firstNumber(found);
}

std::optional<StoredBan> SqliteBanStore::findBan(std::string_view guid) {
    SqliteStatement& ban = db_.prepared(
        "SELECT GUID, TimeStamp, PlayerName, IP, ViolationReason FROM tblVandrel WHERE GUID = ?1");
    ban.bind(1, guid);
    std::optional<StoredBan> found;
    eachRow(ban, [&](const SqliteStatement& row) { found = storedBan(row); });
    return found;
}

std::vector<StoredBan> SqliteBanStore::findBans(const std::vector<std::string>& guids) {
    // One statement for every chunk of GUIDs; a short chunk names its last GUID again.
    constexpr size_t kChunk = 100;
    static const std::string sql = [] {
        std::string text =
            "SELECT GUID, TimeStamp, PlayerName, IP, ViolationReason FROM tblVandrel WHERE GUID "
            "IN (?1";
        for (size_t p = 2; p <= kChunk; ++p) text += ", ?" + std::to_string(p);
        return text + ")";
    }();
    SqliteStatement& select = db_.prepared(sql);
    std::vector<StoredBan> found;
    // Two chunks may name one ban in other letter case.
    std::unordered_set<std::string> seen;
    for (size_t start = 0; start < guids.size(); start += kChunk) {
        const size_t end = std::min(guids.size(), start + kChunk);
        for (size_t p = 0; p < kChunk; ++p)
            select.bindUncopied(static_cast<int>(p + 1), guids[std::min(start + p, end - 1)]);
        eachRow(select, [&](const SqliteStatement& row) {
            StoredBan ban = storedBan(row);
            if (seen.insert(guidKey(ban.guid)).second) found.push_back(std::move(ban));
        });
    }
    return found;
}

bool SqliteBanStore::liftBan(std::string_view guid, std::string_view liftedAt,
                             std::string_view note) {
    const std::optional<StoredBan> ban = findBan(guid);
    if (!ban) return false;
    // Prepared once: a lifting of many bans runs these for each.
    SqliteStatement& remove = db_.prepared("DELETE FROM tblVandrel WHERE GUID = ?1");
    remove.bind(1, guid);
    remove.run();
    SqliteStatement& record = db_.prepared(
        "INSERT INTO tblLiftedBans (GUID, PlayerName, LiftedAt, Note) VALUES (?1, ?2, ?3, ?4) "
        "ON CONFLICT (GUID) DO UPDATE SET GUID = excluded.GUID, PlayerName = excluded.PlayerName, "
        "LiftedAt = excluded.LiftedAt, Note = excluded.Note");
    record.bindAll({ban->guid, toStored(ban->name), liftedAt, note});
    record.run();
    return true;
}

std::optional<LiftedBan> SqliteBanStore::findLiftedBan(std::string_view guid) {
    SqliteStatement& lifted =
        db_.prepared("SELECT GUID, PlayerName, LiftedAt, Note FROM tblLiftedBans WHERE GUID = ?1");
    lifted.bind(1, guid);
    std::optional<LiftedBan> found;
    eachRow(lifted, [&](const SqliteStatement& row) {
        found = LiftedBan{std::string(row.text(0)), fromStored(row.text(1)),
                          std::string(row.text(2)), std::string(row.text(3))};
    });
    return found;
}

void SqliteBanStore::forEachLiftedBan(const std::function<void(const LiftedBan&)>& lifted) {
    SqliteStatement all(
        db_, "SELECT GUID, PlayerName, LiftedAt, Note FROM tblLiftedBans ORDER BY rowid");
    while (all.step())
        lifted({std::string(all.text(0)), fromStored(all.text(1)), std::string(all.text(2)),
                std::string(all.text(3))});
}

void SqliteBanStore::forgetLifting(std::string_view guid) {
    db_.execute("DELETE FROM tblLiftedBans WHERE GUID = ?1", {guid});
}

}  // namespace th
