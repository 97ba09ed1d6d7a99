#include <iostream>

#include "bans/DatabaseLocation.h"
#include "cli/Cli.h"

int main(int argc, char** argv) {
    // The user's own database is made on first start when there is none to use. A
    // failure is not reported here: a command that needs the database names it.
    try {
        th::prepareDatabase(th::locateDatabase());
    } catch (const std::exception&) {
    }
    return th::cli::run(argc, argv, std::cout, std::cerr);
}
