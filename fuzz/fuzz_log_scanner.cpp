// The log scanner over blocks and parts of any size: reading the log in one block by one
// thread, or in blocks of a few bytes by several threads that each take parts of a few
// bytes, gives the same rows, and those are the rows of its lines taken one by one.
//
// Input: a byte for the small block size (1 to 64) and, in its high bit, whether game-console
// lines are read; one for the threads (1 to 4), one for the part size (1 to 256), then the
// log.

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "scan/LogScanner.h"
#include "scan/RowBuilder.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows rowsOf(const th::FlexGrid& grid) {
    Rows rows;
    for (int32_t r = 1; r < grid.rows(); ++r) {
        auto& row = rows.emplace_back();
        for (int32_t c = 0; c < grid.cols(); ++c) row.emplace_back(grid.cell(r, c));
    }
    return rows;
}

Rows scanned(const std::string& path, const th::ScanOptions& options, int32_t& added) {
    th::fuzz::QuietPorts ports;
    th::MainForm form(ports.ports);
    form.setUpGrid();
    form.scanOptions = options;
    form.pnlLogPathToFile.setCaption(path);
    added = th::scanLogFile(form, false);
    return rowsOf(form.vsFlexGrid1);
}

// A line ends at LF; one CR before it is dropped; a last line without LF is a line.
Rows lineByLine(std::string_view log, th::ScanOptions options, std::time_t modified) {
    th::fuzz::QuietPorts ports;
    th::MainForm form(ports.ports);
    form.flexQuelvane.setPattern(th::kLinePattern);
    form.flexQuelvaneGetIP.setPattern(th::kAddressPattern);
    form.flexQuelvaneGetGUID.setPattern(th::kGuidPattern);
    th::RowBuilder builder(form, options, modified);
    Rows rows;
    size_t start = 0;
    while (start < log.size()) {
        size_t lf = log.find('\n', start);
        std::string_view line = log.substr(start, lf == std::string_view::npos ? lf : lf - start);
        if (lf != std::string_view::npos && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty())
            if (auto row = builder.row(line))
                rows.emplace_back(row->values.begin(), row->values.end());
        if (lf == std::string_view::npos) break;
        start = lf + 1;
    }
    return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    static th::fuzz::MemoryFile file;
    const bool consoleLines = (data[0] & 0x80) != 0;
    const th::ScanOptions small{.threads = 1u + data[1] % 4u,
                                .blockSize = 1u + data[0] % 64u,
                                .partSize = 1u + data[2],
                                .consoleLines = consoleLines};
    std::string_view log(reinterpret_cast<const char*>(data) + 3, size - 3);
    file.set(log);
    struct stat st {};
    ::stat(file.path().c_str(), &st);

    int32_t addedWhole = 0, addedSmall = 0;
    const Rows whole = scanned(
        file.path(), {.threads = 1, .partSize = size, .consoleLines = consoleLines}, addedWhole);
    const Rows pieces = scanned(file.path(), small, addedSmall);
    th::fuzz::require(addedWhole >= 0 && static_cast<size_t>(addedWhole) == whole.size(),
                      "rows added as counted");
    th::fuzz::require(pieces == whole && addedSmall == addedWhole,
                      "same rows in small blocks and parts");
    th::fuzz::require(whole == lineByLine(log, small, st.st_mtime), "same rows as line by line");
    return 0;
}
