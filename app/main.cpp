#include <QApplication>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "app/DesktopIdentity.h"
#include "app/NoDisplay.h"
#include "app/frmMain.h"
#include "bans/DatabaseLocation.h"
#include "bans/Paths.h"
#include "platform/Error.h"

namespace {

// The database named by --db PATH or --db=PATH; empty when none is.
std::string databaseArgument(int argc, char** argv) {
    std::string named;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--db") == 0 && i + 1 < argc)
            named = argv[++i];
        else if (std::strncmp(argv[i], "--db=", 5) == 0)
            named = argv[i] + 5;
    }
    return named;
}

}  // namespace

int main(int argc, char** argv) {
    if (th::noDisplay([](const char* name) { return std::getenv(name); })) {
        std::cerr << th::noDisplayMessage();
        return th::kExitNoDisplay;
    }
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("tallyhound"));
    QCoreApplication::setApplicationName(QStringLiteral("tallyhound"));
    th::setAppBaseName("tallyhound");
    th::setDesktopIdentity();

    const th::DatabaseLocation database = th::locateDatabase(databaseArgument(argc, argv));
    th::setDatabasePath(database.path);
    try {
        th::prepareDatabase(database);
    } catch (const std::exception&) {
        // The first command that opens the database reports what is wrong with it.
    }
    th::frmMain window;
    window.show();
    return app.exec();
}
