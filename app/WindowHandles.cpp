#include "app/WindowHandles.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

namespace th {

namespace {
QHash<int32_t, QPointer<QWidget>>& registry() {
    static QHash<int32_t, QPointer<QWidget>> windows;
    return windows;
}
int32_t nextHandle = 1;
}  // namespace

int32_t registerWindowHandle(QWidget* window) {
    int32_t handle = nextHandle++;
    registry().insert(handle, window);
    QObject::connect(window, &QObject::destroyed, [handle] { registry().remove(handle); });
    return handle;
}

QWidget* windowForHandle(int32_t handle) {
    auto it = registry().constFind(handle);
    return it == registry().constEnd() ? nullptr : it.value().data();
}

}  // namespace th
