#include "cli/UnmergedRows.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <set>
#include <sstream>

#include "cli/GridInputs.h"
#include "export/ScanFileFormat.h"
#include "platform/Error.h"
#include "platform/FileOwner.h"

namespace th::cli {

std::string unmergedRowsPath(const std::string& banFile) {
    return banFile + ".unmerged.sf";
}

std::vector<GridRow> dataRows(const FlexGrid& grid) {
    std::vector<GridRow> rows;
    std::set<GridRow> seen;
    for (int32_t r = 1; r < grid.rows(); ++r) {
        if (grid.isSubtotal(r)) continue;
        GridRow row;
        for (int32_t c = 0; c < grid.cols(); ++c) row.emplace_back(grid.cell(r, c));
        if (seen.insert(row).second) rows.push_back(std::move(row));
    }
    return rows;
}

void writeUnmergedRows(const std::vector<GridRow>& rows, const std::string& path) {
    std::ostringstream unused;
    CommandForm session(unused);
    for (const GridRow& row : rows)
        session.form.vsFlexGrid1.addRow(std::vector<std::string_view>(row.begin(), row.end()));
    writeScanFile(session.form.vsFlexGrid1, path);
}

std::vector<GridRow> readUnmergedRows(const std::string& path) {
    // Beside a ban file the game server's account may write to, none is read of a link it
    // planted, a pipe that would hold the start for ever, or a file of another account,
    // whose rows would be banned in this one's name.
    const std::string file = resolveLink(path, path);
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) throw Error::fromErrno(errno, path);
    if (!S_ISREG(st.st_mode))
        throw Error(err::kBadFileFormat, appBaseName(), path + ": not a regular file");
    if (st.st_uid != ::geteuid())
        throw Error(err::kPermissionDenied, appBaseName(),
                    path + ": it belongs to another account (user " + std::to_string(st.st_uid) +
                        "), not to the one following");
    std::ostringstream unused;
    CommandForm session(unused);
    FlexGrid& grid = session.form.vsFlexGrid1;
    const ScanFileContents contents = readScanFile(file);
    appendGridRows(grid, contents, placeColumns(grid, contents, path));
    return dataRows(grid);
}

}  // namespace th::cli
