#include "app/WindowSetup.h"

#include <QWidget>

namespace th {

void g_SetFormFont(QWidget*) {}
void g_CenterForm(QWidget*) {}
void g_DisableFormClose(QWidget*) {}

}  // namespace th
