#include <QApplication>

#include "app/frmMain.h"
#include "platform/Error.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    th::setAppBaseName("tallyhound");
    th::frmMain window;
    window.show();
    return app.exec();
}
