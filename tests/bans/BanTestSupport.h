#pragma once
// What the ban tests share: a scratch folder, a fresh database made from the schema,
// file bytes, database rows, archive contents and a window with a filled grid.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <zip.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bans/Database.h"
#include "bans/Paths.h"
#include "scan/MainForm.h"
#include "tests/support/ScriptedPorts.h"

namespace th::test {

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string dataPath(const std::string& name) {
    return std::string(TALLYHOUND_TEST_DATA) + "/" + name;
}

// Lines joined with CR LF, each line ended by it, as the ban file has them.
inline std::string crlf(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out;
}

inline void execOrFail(sqlite3* db, const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        ADD_FAILURE() << (message ? message : "sqlite error") << " in " << sql;
        sqlite3_free(message);
    }
}

// A database made from the program's schema, as the build makes it.
inline void makeDatabase(const std::string& path) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    execOrFail(db, readBytes(std::string(TALLYHOUND_TEST_DATA) + "/../../bans/schema.sql"));
    sqlite3_close(db);
}

// Rows of a query, columns joined by "|".
inline std::vector<std::string> queryRows(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    std::vector<std::string> rows;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << path;
        sqlite3_close(db);
        return rows;
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
        ADD_FAILURE() << sqlite3_errmsg(db);
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        std::string row;
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            if (i) row += "|";
            auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
            if (t) row.append(t, static_cast<size_t>(sqlite3_column_bytes(st, i)));
        }
        rows.push_back(row);
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

inline void execSql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    execOrFail(db, sql);
    sqlite3_close(db);
}

// The entries of a zip archive: name and content.
inline std::vector<std::pair<std::string, std::string>> zipEntries(const std::string& path) {
    std::vector<std::pair<std::string, std::string>> out;
    int code = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!za) {
        ADD_FAILURE() << "not a zip archive: " << path;
        return out;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st);
        std::string content(static_cast<size_t>(st.size), '\0');
        zip_file_t* f = zip_fopen_index(za, static_cast<zip_uint64_t>(i), 0);
        if (f) {
            zip_fread(f, content.data(), st.size);
            zip_fclose(f);
        }
        out.emplace_back(st.name, content);
    }
    zip_discard(za);
    return out;
}

// A scratch folder with a fresh database in it, chosen as the program's database.
class BanFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tallyhound-bans-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        db = dir + "/Vandrel.mdb";
        makeDatabase(db);
        setDatabasePath(db);
    }
    void TearDown() override {
        g_CloseDatabase();
        setDatabasePath({});
        std::error_code ignored;
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(dir, ignored);
    }
    std::vector<std::string> filesIn(const std::string& suffix) const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(dir)) {
            std::string name = e.path().filename().string();
            if (name.size() >= suffix.size() &&
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                out.push_back(name);
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    std::string dir, db;
};

// A window with the violation grid set up, fed with rows of seven cells.
struct TestWindow {
    ScriptedPorts scripted;
    MainForm form{scripted.ports};
    TestWindow() { form.setUpGrid(); }
    void add(std::initializer_list<std::string_view> cells) { form.vsFlexGrid1.addRow(cells); }
    void arrange() {
        int32_t position = 0;
        vsFlexGrid1_AfterMoveColumn(form, 0, position);
    }
};

}  // namespace th::test
