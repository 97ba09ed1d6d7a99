#pragma once
// The merge's working rows: one per ban line of the file and per grid violation, kept in
// the hidden grid grdDummy once they are in GUID order.

#include <string>
#include <vector>

#include "platform/FlexGrid.h"

namespace th {

struct WorkRow {
    std::string stamp;  // "[" date " " time "]"
    std::string guid;
    std::string name;     // in double quotes
    std::string address;  // in double quotes
    std::string reason;   // without quotes
};

// Puts the rows in the order the grid's generic ascending sort gives their GUID column,
// keeping the order of rows with equal GUIDs. The sort keys are worked out once per row
// rather than once per comparison.
void sortByGuid(std::vector<WorkRow>& rows);

// Makes the grid hold exactly these rows, in order, in columns 0 to 4.
void fillWorkingTable(FlexGrid& grid, const std::vector<WorkRow>& rows);

}  // namespace th
