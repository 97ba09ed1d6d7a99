#include "bans/SchemaMigration.h"

#include <charconv>
#include <filesystem>
#include <optional>

#include "bans/DatabaseLocation.h"
#include "bans/DatabaseUtilities.h"

namespace th {

namespace {

Error upgradeError(const std::string& text) {
    return Error(err::kDatabase, appBaseName() + ".Connection", text);
}

std::string held(int version) {
    return " holds ban database version " + std::to_string(version);
}

// An index or trigger the database holds that no version of the schema makes: an
// administrator's own.
struct OwnObject {
    std::string name, sql;
};

bool madeBySchema(const std::string& name) {
    const std::string_view schema = kSchemaText;
    return schema.find("CREATE INDEX " + name + " ") != std::string_view::npos ||
           schema.find("CREATE TRIGGER " + name + " ") != std::string_view::npos;
}

std::vector<OwnObject> ownObjects(SqliteConnection& db) {
    std::vector<OwnObject> own;
    SqliteStatement objects(db,
                            "SELECT name, sql FROM sqlite_master "
                            "WHERE type IN ('index', 'trigger') AND sql IS NOT NULL");
    while (objects.step())
        if (std::string name(objects.text(0)); !madeBySchema(name))
            own.push_back({std::move(name), std::string(objects.text(1))});
    return own;
}

// Runs the versions the database lacks as SQLite's own advice for making a table again
// has it: a view or trigger of the administrator's that reads a table being made again
// does not stop it (the database could no longer be opened: "error in view ..."), and the
// indexes and triggers of the administrator's that went with the old table are made again.
void runVersions(SqliteConnection& db, int from, int to) {
    const std::vector<OwnObject> own = ownObjects(db);
    db.execute("PRAGMA legacy_alter_table = ON");
    for (int v = from; v <= to; ++v) db.executeScript(std::string(sqliteSchema().version(v)));
    db.execute("PRAGMA legacy_alter_table = OFF");
    const auto kept = [&](const std::string& name) {
        SqliteStatement found(db, "SELECT 1 FROM sqlite_master WHERE name = ?1");
        found.bind(1, name);
        return found.step();
    };
    for (const OwnObject& object : own)
        if (!kept(object.name)) db.executeScript(object.sql);
}

}  // namespace

SchemaVersions::SchemaVersions(std::string_view text, std::string_view versionLine) {
    size_t start = 0, line = 0;
    while (line < text.size()) {
        size_t end = text.find('\n', line);
        if (end == std::string_view::npos) end = text.size();
        std::string_view current = text.substr(line, end - line);
        if (current.starts_with(versionLine) && current.ends_with(";")) {
            std::string_view digits =
                current.substr(versionLine.size(), current.size() - versionLine.size() - 1);
            int number = 0;
            auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
            if (ec != std::errc() || ptr != digits.data() + digits.size() || number != latest() + 1)
                throw Error(err::kDatabase, appBaseName(),
                            "The program's schema numbers its versions out of order");
            versions_.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        line = end + 1;
    }
}

std::string_view SchemaVersions::version(int version) const {
    return versions_.at(static_cast<size_t>(version - 1));
}

const SchemaVersions& sqliteSchema() {
    static const SchemaVersions schema(kSchemaText, "PRAGMA user_version = ");
    return schema;
}

const SchemaVersions& postgresSchema() {
    static const SchemaVersions schema(kPostgresSchemaText,
                                       "UPDATE tblSchemaVersion SET Version = ");
    return schema;
}

int latestSchemaVersion() {
    return sqliteSchema().latest();
}

int oldestReadableSchemaVersion() {
    return 6;  // version 7 remade the aliases table in its key's order
}

std::string newerSchemaText(const std::string& name, int version, int latest) {
    return name + held(version) + ", made by a newer Tallyhound; this one knows up to version " +
           std::to_string(latest) + ". The database is left as it is.";
}

std::string upgradeFailedText(const std::string& name, int version, std::string_view why,
                              int latest) {
    // The reason names the database when the fault is the file's: it is named once.
    if (why.starts_with(name + ": ")) why.remove_prefix(name.size() + 2);
    return name + held(version) + " and could not be upgraded to version " +
           std::to_string(latest) + " (" + std::string(why) +
           "). The database is left as it was";
}

void upgradeDatabase(MainForm& form, SqliteConnection& connection) {
    const std::string path = connection.path();
    const int latest = latestSchemaVersion();
    int version = connection.userVersion();
    if (version == latest) return;
    if (version > latest) {
        connection.Close();
        throw upgradeError(newerSchemaText(path, version));
    }
    if (version < 1) {
        connection.Close();
        throw upgradeError(notABanDatabase(path, "no schema version"));
    }

    // An upgrade that cannot be written fails at once, and says why, unless the database
    // reads as the newest does (on read-only media, another account's).
    if (const int why = unwritableDatabase(path)) {
        if (version >= oldestReadableSchemaVersion()) return;
        connection.Close();
        throw upgradeError(upgradeFailedText(path, version, unwritableText(path, why)) + ".");
    }

    // The copy is taken once the upgrade holds off every other writer, before anything
    // changes, and kept (zipped) only once the upgrade has succeeded: a failed one leaves the
    // database as it was, and tried again and again (follow tries every few minutes), it
    // would leave a copy of the whole database each time.
    const auto backupFailed = [&](const Error& e) {
        connection.Close();  // rolls the upgrade back
        return upgradeError(path + held(version) +
                            " and could not be backed up before its upgrade (" + e.description() +
                            "). The database is left as it is.");
    };
    try {
        connection.beginTransaction();
        // Another program may have upgraded it meanwhile.
        version = connection.userVersion();
    } catch (const Error& e) {
        connection.Close();
        throw upgradeError(upgradeFailedText(path, version, e.description()) + ".");
    }
    if (version == latest) {
        connection.rollback();
        return;
    }
    std::optional<DatabaseCopy> copy;
    try {
        copy.emplace(path);
    } catch (const Error& e) {
        throw backupFailed(e);
    }
    try {
        runVersions(connection, version + 1, latest);
    } catch (const Error& e) {
        connection.Close();
        throw upgradeError(upgradeFailedText(path, version, e.description()) + ".");
    }
    std::string archive;
    try {
        copy->zip(form, "_Vandrel_v" + std::to_string(version) + "_before_upgrade.zip", archive);
    } catch (const Error& e) {
        throw backupFailed(e);
    }
    try {
        connection.commit();
    } catch (const Error& e) {
        // A commit that fails (the copy may have taken the room it needed) is rolled back by
        // the journal: the database is as it was, and its copy goes as after any failure.
        connection.Close();
        std::error_code ignored;
        std::filesystem::remove(archive, ignored);
        throw upgradeError(upgradeFailedText(path, version, e.description()) + ".");
    }
}

}  // namespace th
