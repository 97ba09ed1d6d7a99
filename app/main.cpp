#include <QApplication>
#include <cstdlib>
#include <iostream>

#include "app/DesktopIdentity.h"
#include "app/NoDisplay.h"
#include "app/WindowArguments.h"
#include "app/frmMain.h"
#include "bans/DatabaseLocation.h"
#include "bans/Paths.h"
#include "platform/Error.h"
#include "platform/FileSizeLimit.h"
#include "platform/TempFile.h"

namespace {

// The database the window was given, for the advice when no display can be opened.
std::string g_database;
QtMessageHandler g_qtMessages = nullptr;
bool g_starting = true;  // until the platform is up

// Qt ends the program with an abort when the display it was named cannot be reached (a
// DISPLAY left over from ssh or sudo): said as a missing display is, with its status.
void onQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    // Qt's own words ("Reinstalling the application may fix this problem") would mislead;
    // its warning before them has named the display.
    if (type == QtFatalMsg && g_starting) {
        std::cerr << th::noDisplayMessage(g_database);
        std::_Exit(th::kExitNoDisplay);
    }
    g_qtMessages(type, context, text);
}

}  // namespace

int main(int argc, char** argv) {
    // A backup or a reset past the limit says so in a box, as the command line does.
    th::failWritesPastFileSizeLimit();
    // Help and the version need no display.
    const th::WindowArguments asked = th::windowArguments({argv + 1, argv + argc});
    if (asked.help) {
        std::cout << th::windowUsage();
        return 0;
    }
    if (asked.version) {
        std::cout << "tallyhound " << TALLYHOUND_VERSION << "\n";
        return 0;
    }
    if (th::noDisplay([](const char* name) { return std::getenv(name); })) {
        std::cerr << th::noDisplayMessage(asked.db);
        return th::kExitNoDisplay;
    }
    g_database = asked.db;
    g_qtMessages = qInstallMessageHandler(onQtMessage);
    QApplication app(argc, argv);
    g_starting = false;
    th::removeTempFilesOnStop();
    // Qt has taken its own options out by now: anything else left is a mistake, said
    // rather than passed over with the window opening as if all were well.
    const th::WindowArguments arguments = th::windowArguments({argv + 1, argv + argc});
    if (!arguments.wrong.empty()) {
        std::cerr << "tallyhound: " << arguments.wrong << "; see tallyhound --help\n";
        return 2;
    }
    QCoreApplication::setOrganizationName(QStringLiteral("tallyhound"));
    QCoreApplication::setApplicationName(QStringLiteral("tallyhound"));
    th::setAppBaseName("tallyhound");
    th::setDesktopIdentity();

    const th::DatabaseLocation database = th::locateDatabase(arguments.db);
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
