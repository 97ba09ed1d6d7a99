#include "app/GridEvents.h"

namespace th {

void vsFlexGrid1_DblClick(MainForm& form) {
    FlexGrid& g = form.vsFlexGrid1;
    int32_t row = g.row();
    if (row == 0 || row >= g.rows()) return;
    g.setIsCollapsed(row, g.isCollapsed(row) == FlexGrid::kCollapsed ? FlexGrid::kExpanded
                                                                     : FlexGrid::kCollapsed);
}

void vsFlexGrid1_KeyPress(MainForm& form, int16_t& keyAscii) {
    if (keyAscii == 13) vsFlexGrid1_DblClick(form);
}

}  // namespace th
