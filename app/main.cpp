#include <QApplication>
#include <cstdlib>
#include <iostream>

#include "app/NoDisplay.h"
#include "app/frmMain.h"
#include "platform/Error.h"

int main(int argc, char** argv) {
    if (th::noDisplay([](const char* name) { return std::getenv(name); })) {
        std::cerr << th::noDisplayMessage();
        return th::kExitNoDisplay;
    }
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("tallyhound"));
    QCoreApplication::setApplicationName(QStringLiteral("tallyhound"));
    th::setAppBaseName("tallyhound");
    th::frmMain window;
    window.show();
    return app.exec();
}
