#pragma once
// What the ban tests share: a scratch folder, a fresh database made from the schema,
// file bytes, database rows, archive contents and a window with a filled grid.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <zip.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bans/Database.h"
#include "bans/Paths.h"
#include "scan/MainForm.h"
#include "tests/support/Files.h"
#include "tests/support/ScriptedPorts.h"

namespace th::test {

using Entries = std::vector<std::pair<std::string, std::string>>;
using Rows = std::vector<std::string>;

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

struct TestWindow;

// A scratch folder with a fresh database in it, chosen as the program's database, and the
// name a ban file gets in it.
class BanFolderTest : public ::testing::Test, public ScratchFolder {
  protected:
    void SetUp() override {
        sql(db, readBytes(dataPath("../../bans/schema.sql")));  // as the build makes it
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

// A window with the violation grid set up.
struct TestWindow {
    ScriptedPorts scripted;
    MainForm form{scripted.ports};
    TestWindow() { form.setUpGrid(); }
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

}  // namespace th::test
