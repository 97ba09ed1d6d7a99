#pragma once
// The aliases' statements both engines share (schema version 5): one text, so that an
// SQLite and a PostgreSQL database widen and order aliases alike.

#include <string>

namespace th::alias_statements {

// Stores a sighting, or widens the stored one's first and last seen by it, writing the
// row only when it widens them. columns names the unique index's columns; the values
// come from source ("VALUES (...)" or a SELECT) in the order GUID, PlayerName, IP,
// FirstSeen, LastSeen.
std::string upsert(const std::string& source, const std::string& unique);

// A GUID's aliases by first seen (never seen at a known moment last), then name and
// address; where names the GUID's rows.
std::string select(const std::string& where);

}  // namespace th::alias_statements
