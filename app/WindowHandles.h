#pragma once
// Window handles for the core: a number per live window, so that an owner handle can
// be checked and turned back into the window it names.

#include <cstdint>

class QWidget;

namespace th {

// Gives the window a handle (positive, never reused) that lives as long as it does.
int32_t registerWindowHandle(QWidget* window);
// The live window a handle names, or nullptr.
QWidget* windowForHandle(int32_t handle);

}  // namespace th
