#pragma once
// What the violation grid does with a double click and the Enter key: fold or unfold
// the current row. On a data row that changes only the row's own outline state.

#include <cstdint>

#include "scan/MainForm.h"

namespace th {

void vsFlexGrid1_DblClick(MainForm& form);
// keyAscii 13 (Enter) acts like a double click; other keys are left alone.
void vsFlexGrid1_KeyPress(MainForm& form, int16_t& keyAscii);

}  // namespace th
