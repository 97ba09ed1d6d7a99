// The scan-file reader: whatever it accepts, the writer gives back byte for byte (when
// every line of the input ends in CR LF, as the writer writes them) and reads back the
// same; loading it into the grid never brings a group row back as data.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "export/ScanFileFormat.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Error.h"
#include "scan/MainForm.h"

namespace {

bool sameContents(const th::ScanFileContents& a, const th::ScanFileContents& b) {
    if (a.columns != b.columns || a.header != b.header || a.subtotal != b.subtotal) return false;
    for (int32_t r = 0; r < a.rowCount(); ++r)
        for (int32_t c = 0; c < a.columns; ++c)
            if (a.cell(r, c) != b.cell(r, c)) return false;
    return true;
}

bool everyLineEndsInCrLf(std::string_view bytes) {
    if (bytes.empty() || bytes.back() != '\n') return false;
    for (size_t lf = bytes.find('\n'); lf != std::string_view::npos; lf = bytes.find('\n', lf + 1))
        if (lf == 0 || bytes[lf - 1] != '\r') return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    th::ScanFileContents contents;
    try {
        contents = th::parseScanFile(bytes, "fuzz.sf");
    } catch (const th::Error& e) {
        th::fuzz::require(e.number() == th::err::kBadFileFormat, "refused as not a scan file");
        return 0;
    }
    const std::string written = th::scanFileText(contents);
    if (everyLineEndsInCrLf(bytes))
        th::fuzz::require(written == bytes, "written back byte for byte");
    th::fuzz::require(sameContents(th::parseScanFile(written, "again.sf"), contents),
                      "read back the same");

    // Loaded into a violation grid when its titles are the grid's: group rows stay out.
    th::FlexGrid grid;
    grid.setFormatString(th::kGridTitles);
    std::vector<int32_t> placement;
    try {
        placement = th::placeColumns(grid, contents, "fuzz.sf");
    } catch (const th::Error&) {
        return 0;
    }
    th::appendGridRows(grid, contents, placement);
    int32_t dataRows = 0;
    for (bool group : contents.subtotal) dataRows += group ? 0 : 1;
    th::fuzz::require(grid.rows() == 1 + dataRows, "group rows left out");
    for (int32_t r = 0; r < grid.rows(); ++r)
        th::fuzz::require(!grid.isSubtotal(r), "no group row in a loaded grid");
    return 0;
}
