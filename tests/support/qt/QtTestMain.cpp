#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <cstdlib>

int main(int argc, char** argv) {
    // Widget tests never need a screen.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    // Settings go to a folder of their own, never the user's, and one for each run: a run
    // starts from none, whatever another run (or one at the same time) left.
    QStandardPaths::setTestModeEnabled(true);
    const QString name = QStringLiteral("tallyhound-tests-%1").arg(::getpid());
    QCoreApplication::setOrganizationName(name);
    QCoreApplication::setApplicationName(QStringLiteral("tallyhound-tests"));
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/" + name)
        .removeRecursively();
    return result;
}
