#pragma once
// What both engines' browsing shares: the SQL that orders a page and starts it after the
// last ban shown, a search text made into a LIKE pattern, and the pieces of it a trigram
// index can look up.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bans/BanBrowsing.h"

namespace th {

// A search counts its matches up to this many; past it the window says "more than".
constexpr int64_t kCountedMatches = 10000;

// The text as a LIKE pattern for "holds it", with ESCAPE '\': its own %, _ and \ are
// taken literally.
std::string containsPattern(std::string_view text);

// Names and addresses are stored in double quotes. A search holding a double quote looks
// inside them: a value in quotes matches this pattern of the text between its quotes, one
// without them the plain pattern. The quotes themselves matched, and a search for a double
// quote found every ban.
bool searchesQuotes(std::string_view text);
std::string insideQuotesPattern(std::string_view text);
// The condition on value, an SQL expression: the two patterns' and the pattern '"%"''s
// parameters, and the engine's ESCAPE clause.
std::string quotedValueLike(const std::string& value, const std::string& plain,
                            const std::string& insideQuotes, const std::string& quote,
                            const std::string& escape);

// The three-byte pieces of the text's runs of ASCII characters, each once. Every value
// holding the text holds each of them, whatever its other bytes, so a trigram index can
// narrow a search to the rows holding them all; the search's own LIKE then decides.
// Empty when there is none (one or two characters, or 8-bit characters between them).
std::vector<std::string> asciiTrigrams(std::string_view text);

// An engine's column for the order's column; guidKey is the one that orders GUIDs and
// breaks ties ("GUID" in SQLite, "GuidKey" in PostgreSQL).
std::string orderColumn(BanColumn column, std::string_view guidKey);

// " AND ..." that keeps the bans after the one whose ordering value and GUID key the SQL
// expressions value and key give, in the order's direction.
std::string afterClause(const BanOrder& order, std::string_view guidKey, std::string_view value,
                        std::string_view key);

// " ORDER BY ..." of a page: the ordering column, then the GUID key.
std::string orderByClause(const BanOrder& order, std::string_view guidKey);

}  // namespace th
