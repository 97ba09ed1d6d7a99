#include "app/DesktopIdentity.h"

#include <QApplication>
#include <QIcon>

namespace th {

void setDesktopIdentity() {
    const QString id = QStringLiteral(TALLYHOUND_APP_ID);
    QGuiApplication::setDesktopFileName(id);
    QApplication::setWindowIcon(
        QIcon::fromTheme(id, QIcon(QStringLiteral(":/icons/tallyhound.svg"))));
}

}  // namespace th
