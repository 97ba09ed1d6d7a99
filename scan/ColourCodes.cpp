#include "scan/ColourCodes.h"

#include "scan/GridColumns.h"

namespace th {

bool isColourCode(std::string_view text, size_t caret) {
    if (caret + 1 >= text.size() || text[caret] != '^') return false;
    const auto next = static_cast<unsigned char>(text[caret + 1]);
    return next >= 0x21 && next <= 0x7E;
}

bool foldColourCodesInto(std::string_view name, std::string& folded) {
    size_t caret = name.find('^');
    while (caret != std::string_view::npos && !isColourCode(name, caret))
        caret = name.find('^', caret + 1);
    if (caret == std::string_view::npos) return false;
    folded.assign(name.data(), caret);
    for (size_t i = caret; i < name.size(); ++i) {
        if (isColourCode(name, i))
            ++i;  // the code's byte goes with it
        else
            folded.push_back(name[i]);
    }
    // Nothing but codes: an empty name would vanish from the ban list, which writes no
    // line for a first player without a name.
    return !folded.empty();
}

std::string foldColourCodes(std::string_view name) {
    std::string folded;
    return foldColourCodesInto(name, folded) ? folded : std::string(name);
}

void setFoldColours(FlexGrid& grid, bool on) {
    const GridColumns columns(grid);
    grid.setColFold(columns.position(GridColumn::PlayerName), on ? &foldColourCodesInto : nullptr);
}

}  // namespace th
