#include "bans/AliasStatements.h"

namespace th::alias_statements {

namespace {

// A stored stamp's moment as sortable bytes: year, month, day and time. Stored stamps
// are "[mm.dd.yyyy hh:mm:ss]" or empty, never anything else.
std::string moment(const std::string& stamp) {
    return "(substr(" + stamp + ", 8, 4) || substr(" + stamp + ", 2, 2) || substr(" + stamp +
           ", 5, 2) || substr(" + stamp + ", 13, 8))";
}

// Whether the sighting's stamp of that column widens the stored one: earlier or later.
// The same stamp again, the common case, is told apart first and cheaply.
std::string widens(const std::string& column, const char* compare) {
    return "(excluded." + column + " <> a." + column + " AND excluded." + column +
           " <> '' AND (a." + column + " = '' OR " + moment("excluded." + column) + compare +
           moment("a." + column) + "))";
}

}  // namespace

std::string upsert(const std::string& source, const std::string& unique) {
    return "INSERT INTO tblAliases AS a (GUID, PlayerName, IP, FirstSeen, LastSeen) " + source +
           " ON CONFLICT (" + unique + ") DO UPDATE SET FirstSeen = CASE WHEN " +
           widens("FirstSeen", " < ") + " THEN excluded.FirstSeen ELSE a.FirstSeen END, " +
           "LastSeen = CASE WHEN " + widens("LastSeen", " > ") +
           " THEN excluded.LastSeen ELSE a.LastSeen END WHERE " + widens("FirstSeen", " < ") +
           " OR " + widens("LastSeen", " > ");
}

std::string select(const std::string& where) {
    return "SELECT GUID, PlayerName, IP, FirstSeen, LastSeen FROM tblAliases WHERE " + where +
           " ORDER BY FirstSeen = '', " + moment("FirstSeen") + ", PlayerName, IP";
}

}  // namespace th::alias_statements
