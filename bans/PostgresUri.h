#pragma once
// postgresql:// (or postgres://) URIs as the program takes them. A password never
// travels in one: it would show in process lists, shell histories and `systemctl show`.
// It comes from a password file only: ~/.pgpass, the file PGPASSFILE names, or the
// "pgpass" credential of a systemd service (LoadCredential=pgpass:...).

#include <string>
#include <string_view>

#include "bans/PgConnection.h"

namespace th {

// The length of the scheme that makes a database name a PostgreSQL URI, as libpq takes
// it ("postgresql://" or "postgres://"), or 0 for any other name: a file.
size_t postgresSchemeLength(std::string_view where);

// The URI with its user (and anything else before "@") and any user or password
// parameter (sslpassword too, in any letter case) hidden: what every message shows.
std::string maskedUri(const std::string& uri);

// The connection's parameters for libpq. Throws th::Error when the URI holds a password
// or PGPASSWORD is set.
PgConnection::Parameters postgresParameters(const std::string& uri);

}  // namespace th
