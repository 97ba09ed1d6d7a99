#pragma once
// What the ban tests share: a scratch folder, a fresh database made from the schema,
// file bytes, database rows, archive contents, a window with a filled grid, and a merge
// of grid rows through the scripted ports.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bans/Database.h"
#include "bans/Merge.h"
#include "bans/NewDatabase.h"
#include "bans/Paths.h"
#include "bans/SchemaMigration.h"
#include "tests/support/Files.h"
#include "tests/support/GridForm.h"

namespace th::test {

using Entries = std::vector<std::pair<std::string, std::string>>;
using Rows = std::vector<std::string>;

// A GUID of 32 hex digits for a number.
inline std::string guidOf(int n) {
    char text[33];
    std::snprintf(text, sizeof text, "%032x", n);
    return text;
}

// Lines each ended by CR LF, as the ban file has them.
inline std::string crlf(const Rows& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out;
}

// Runs SQL on a database (made when missing) and gives the rows, columns joined by "|".
inline Rows sql(const std::string& path, const std::string& statements) {
    Rows rows;
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    auto add = [](void* out, int n, char** values, char**) {
        std::string row;
        for (int i = 0; i < n; ++i) row += (i ? "|" : "") + std::string(values[i] ? values[i] : "");
        static_cast<Rows*>(out)->push_back(row);
        return 0;
    };
    if (sqlite3_exec(db, statements.c_str(), add, &rows, nullptr) != SQLITE_OK)
        ADD_FAILURE() << sqlite3_errmsg(db) << " in " << statements;
    sqlite3_close(db);
    return rows;
}

// The entries of a zip archive: name and content.
inline Entries zipEntries(const std::string& path) {
    Entries out;
    zip_t* za = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, nullptr);
    for (zip_uint64_t i = 0; za && i < static_cast<zip_uint64_t>(zip_get_num_entries(za, 0)); ++i) {
        zip_stat_t st;
        zip_stat_index(za, i, 0, &st);
        std::string content(st.size, '\0');
        zip_file_t* f = zip_fopen_index(za, i, 0);
        zip_fread(f, content.data(), st.size);
        zip_fclose(f);
        out.emplace_back(st.name, content);
    }
    if (za) zip_discard(za);
    return out;
}

// A window with the violation grid set up.
using TestWindow = GridForm;

// A database of an earlier version, as the program made it: the schema's versions up to it.
inline std::string schemaUpTo(int version) {
    std::string script;
    for (int v = 1; v <= version; ++v) script += sqliteSchema().version(v);
    return script;
}

// A scratch folder with a fresh database in it, chosen as the program's database, and the
// name a ban file gets in it.
class BanFolderTest : public ::testing::Test, public ScratchFolder {
  protected:
    void SetUp() override {
        createDatabase(db);  // as the build makes it
        setDatabasePath(db);
    }
    void TearDown() override {
        g_CloseDatabase();
        setDatabasePath({});
    }
    // The sample's ban file in place, its grid in the window, the dialog answered with it.
    void prepareSample(TestWindow& w) const;
    Rows filesIn(const std::string& suffix) const {  // names ending in suffix, sorted
        std::set<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(dir))
            if (std::string name = e.path().filename().string(); name.ends_with(suffix))
                out.insert(name);
        return {out.begin(), out.end()};
    }

    std::string db = dir + "/Vandrel.mdb", bans = dir + "/pbbans.dat";
};

inline void BanFolderTest::prepareSample(TestWindow& w) const {
    writeBytes(bans, readBytes(dataPath("bans/sample.pbbans.dat")));
    std::istringstream in(readBytes(dataPath("bans/sample.grid.tsv")));
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string_view> cells;
        for (size_t start = 0, tab = 0; tab != std::string::npos; start = tab + 1)
            cells.push_back(
                std::string_view(line).substr(start, (tab = line.find('\t', start)) - start));
        w.form.vsFlexGrid1.addRow(cells);
    }
    w.scripted.files.answers.push_back({bans});
}

// A grid row of a violation, its GUID, name and stamp as given.
using GridRow = std::vector<std::string>;
inline GridRow violationRow(const std::string& guid, const std::string& name = "P",
                            const std::string& stamp = "[06.01.2017 00:00:00]") {
    return {name, "(AIMBOT)", "50001", stamp, "(slot #1)", guid, "198.51.100.7:28960"};
}

// The ban line a merge writes of such a row.
inline std::string violationLine(const std::string& guid, const std::string& name = "P",
                                 const std::string& stamp = "[06.01.2017 00:00:00]") {
    return stamp + " " + guid + " \"" + name +
           "\" \"198.51.100.7:28960\" \"VIOLATION DETECTED -> (AIMBOT) #50001\"";
}

// What a merge left: its outcome and the boxes it showed.
struct Merged {
    MergeOutcome outcome;
    std::vector<ShownBox> shown;
    // What the user was told last: the report, or else the last box.
    std::string said() const {
        return outcome.completed ? outcome.report : shown.empty() ? "" : shown.back().prompt;
    }
};

// Merges the rows, put in a fresh window's grid, into the ban file, explaining and offering
// nothing; the file dialog, when the options name no file, is answered with banFile.
inline Merged mergeRows(const std::string& banFile, const std::vector<GridRow>& rows,
                        MergeOptions options = {}) {
    TestWindow w;
    w.addRows(rows);
    w.scripted.files.answers.push_back({banFile});
    options.explain = options.offerToOpen = false;
    MergeOutcome outcome = mergeIntoBanFile(w.form, options);
    return {std::move(outcome), w.scripted.messages.shown};
}

// Runs body in a child process and gives the text it returned; none when the child ended
// before returning it (killed, or it called _exit itself).
inline std::optional<std::string> inChild(const std::string& scratch,
                                          const std::function<std::string()>& body) {
    const std::string out = scratch + "-child";
    const pid_t child = ::fork();
    if (child == 0) {
        writeBytes(out, "+" + body());
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    const std::string text = readBytes(out);
    std::filesystem::remove(out);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || text.empty()) return std::nullopt;
    return text.substr(1);
}

}  // namespace th::test
