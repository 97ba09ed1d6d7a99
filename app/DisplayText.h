#pragma once
// The one place where the program's bytes become text on screen.

#include <QString>
#include <string_view>

namespace th {

// UTF-8 when the bytes are valid UTF-8; otherwise Windows-1252, with its five
// unassigned bytes shown as the C1 controls of the same value, so every byte shows.
QString displayText(std::string_view bytes);

}  // namespace th
