// Build-time tool: makes an empty ban database from its schema.
//   make_database SCHEMA.sql OUTPUT
// It makes the database the way the programs do (bans/NewDatabase.h): complete or not
// at all, and an existing OUTPUT, which may hold an administrator's ban history, is
// kept, never replaced.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "bans/NewDatabase.h"

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
    try {
        if (!th::createDatabase(output, schema.str())) {
            // Mark it current so the build does not ask again.
            std::error_code ec;
            std::filesystem::last_write_time(output, std::filesystem::file_time_type::clock::now(),
                                             ec);
            std::cerr << "make_database: keeping the existing " << output << "\n";
        }
    } catch (const std::exception& e) {
        std::cerr << "make_database: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
