#pragma once
// What a grid's column holds below its header, group rows marked, for comparing at once.

#include <string>
#include <vector>

#include "platform/FlexGrid.h"

namespace th::test {

using Column = std::vector<std::string>;

// A column's texts below the header, each group row's marked with "*".
inline Column column(const FlexGrid& g, int32_t col) {
    Column out;
    for (int32_t r = 1; r < g.rows(); ++r)
        out.push_back((g.isSubtotal(r) ? "*" : "") + g.textMatrix(r, col));
    return out;
}

}  // namespace th::test
