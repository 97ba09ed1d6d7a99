#include "bans/SchemaMigration.h"

#include <charconv>
#include <vector>

#include "bans/DatabaseUtilities.h"

namespace th {

namespace {

constexpr std::string_view kVersionLine = "PRAGMA user_version = ";

// Each version's statements, up to and with its closing "PRAGMA user_version = N;" line.
// The versions must run 1, 2, 3, ... so that a number names one step.
const std::vector<std::string_view>& versions() {
    static const std::vector<std::string_view> all = [] {
        std::vector<std::string_view> out;
        size_t start = 0, line = 0;
        while (line < kSchemaText.size()) {
            size_t end = kSchemaText.find('\n', line);
            if (end == std::string_view::npos) end = kSchemaText.size();
            std::string_view text = kSchemaText.substr(line, end - line);
            if (text.starts_with(kVersionLine) && text.ends_with(";")) {
                std::string_view digits =
                    text.substr(kVersionLine.size(), text.size() - kVersionLine.size() - 1);
                int number = 0;
                auto [ptr, ec] =
                    std::from_chars(digits.data(), digits.data() + digits.size(), number);
                if (ec != std::errc() || ptr != digits.data() + digits.size() ||
                    number != static_cast<int>(out.size()) + 1)
                    throw Error(err::kDatabase, appBaseName(),
                                "The program's schema numbers its versions out of order");
                out.push_back(kSchemaText.substr(start, end - start));
                start = end + 1;
            }
            line = end + 1;
        }
        return out;
    }();
    return all;
}

Error upgradeError(const std::string& text) {
    return Error(err::kDatabase, appBaseName() + ".Connection", text);
}

}  // namespace

int latestSchemaVersion() {
    return static_cast<int>(versions().size());
}

std::string_view schemaVersion(int version) {
    return versions().at(static_cast<size_t>(version - 1));
}

void upgradeDatabase(MainForm& form, Connection& connection) {
    const std::string path = connection.path();
    const int latest = latestSchemaVersion();
    int version = connection.userVersion();
    if (version == latest) return;
    const std::string held = " holds ban database version " + std::to_string(version);
    if (version > latest) {
        connection.Close();
        throw upgradeError(path + held +
                           ", made by a newer Tallyhound; this one knows up to version " +
                           std::to_string(latest) + ". The database is left as it is.");
    }
    if (version < 1) {
        connection.Close();
        throw upgradeError(path + " is not a ban database of Tallyhound (no schema version)");
    }

    // The copy goes through the Backup command's own routine, with the file closed as
    // that command has it.
    connection.Close();
    std::string archive;
    try {
        zipDatabase(form, path, "_Vandrel_v" + std::to_string(version) + "_before_upgrade.zip",
                    archive);
    } catch (const Error& e) {
        throw upgradeError(path + held + " and could not be backed up before its upgrade (" +
                           e.description() + "). The database is left as it is.");
    }

    connection.Open(path);
    try {
        connection.beginTransaction();
        // Another program may have upgraded it while the copy was taken.
        version = connection.userVersion();
        for (int v = version + 1; v <= latest; ++v)
            connection.executeScript(std::string(schemaVersion(v)));
        connection.commit();
    } catch (const Error& e) {
        connection.Close();  // rolls the upgrade back
        throw upgradeError(path + held + " and could not be upgraded to version " +
                           std::to_string(latest) + " (" + e.description() +
                           "). The database is left as it was; its copy is " + archive + ".");
    }
}

}  // namespace th
