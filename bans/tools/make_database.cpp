// Build-time tool: makes an empty ban database from its schema.
//   make_database SCHEMA.sql OUTPUT
// The database is written beside OUTPUT under a temporary name and renamed into place,
// so an interrupted build never leaves half a database. An existing OUTPUT may already
// hold an administrator's ban history: it is kept, never replaced.

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_database SCHEMA.sql OUTPUT\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << "make_database: cannot read " << argv[1] << "\n";
        return 1;
    }
    std::stringstream schema;
    schema << in.rdbuf();

    const std::string output = argv[2];
    std::error_code ec;
    if (std::filesystem::exists(output, ec)) {
        // Mark it current so the build does not ask again.
        std::filesystem::last_write_time(output, std::filesystem::file_time_type::clock::now(), ec);
        std::cerr << "make_database: keeping the existing " << output << "\n";
        return 0;
    }
    const std::string partial = output + ".partial";
    std::remove(partial.c_str());
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(partial.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    char* message = nullptr;
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, schema.str().c_str(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        std::cerr << "make_database: " << (message ? message : sqlite3_errmsg(db)) << "\n";
        sqlite3_free(message);
        sqlite3_close(db);
        std::remove(partial.c_str());
        return 1;
    }
    sqlite3_close(db);
    if (std::rename(partial.c_str(), output.c_str()) != 0) {
        std::perror(("make_database: " + output).c_str());
        return 1;
    }
    return 0;
}
