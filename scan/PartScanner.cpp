#include "scan/PartScanner.h"

#include <cstring>

#include "platform/LengthPrefix.h"
#include "scan/MainForm.h"

namespace th {

void PartRows::forEachRow(const std::function<void(const ViolationCells&)>& add) const {
    const char* p = cells.data();
    ViolationCells row;
    for (int32_t r = 0; r < rows; ++r) {
        for (auto& cell : row.values) cell = nextWithLength(p);
        add(row);
    }
}

PartScanner::PartScanner(const MainForm& form, const ScanOptions& options, std::time_t logModified)
    : line_(form.flexQuelvane),
      address_(form.flexQuelvaneGetIP),
      guid_(form.flexQuelvaneGetGUID),
      builder_(LineMatchers{line_, address_, guid_}, options, logModified),
      rowStarts_(builder_.rowStarts()),
      search_(builder_.literal()) {}

void PartScanner::scan(int fd, bool stream, const LineSpan& span, size_t blockSize,
                       const std::string& name, PartRows& out, std::atomic<int64_t>& progress,
                       const std::function<bool()>& stop) {
    LineBlocks blocks(fd, stream, span, buffer_, blockSize, rowStarts_, name);
    // Room for the part's cells at once: growing by doubling would copy them and touch
    // twice the memory. Pages never written are never given to the process.
    if (!stream && span.end != kToTheEnd && span.end > span.begin)
        out.cells.reserve(static_cast<size_t>(span.end - span.begin));
    std::string_view run;
    bool lastLine = false;
    while (blocks.next(run, lastLine)) {
        // run holds whole lines, each ended by LF but for the log's last.
        uint64_t lineEnds = 0;
        const char* p = run.data();
        const char* const runEnd = p + run.size();
        while (p < runEnd) {
            const char* hit = search_.find(p, runEnd, lineEnds);
            if (!hit) break;
            const void* before = ::memrchr(p, '\n', static_cast<size_t>(hit - p));
            const char* start = before ? static_cast<const char*>(before) + 1 : p;
            const auto* lf =
                static_cast<const char*>(std::memchr(hit, '\n', static_cast<size_t>(runEnd - hit)));
            std::string_view line(start, static_cast<size_t>((lf ? lf : runEnd) - start));
            if (lf && !line.empty() && line.back() == '\r') line.remove_suffix(1);
            take(line, out);
            if (!lf) break;
            ++lineEnds;
            p = lf + 1;
        }
        const auto lines = static_cast<int64_t>(lineEnds) + (lastLine ? 1 : 0);
        out.lines += lines;
        progress.fetch_add(lines, std::memory_order_relaxed);
        if (stop()) {
            out.whole = false;
            return;
        }
    }
}

void PartScanner::take(std::string_view line, PartRows& out) {
    if (line.empty()) return;
    auto row = builder_.row(line);
    if (!row) return;
    for (const std::string& cell : row->values) appendWithLength(out.cells, cell);
    ++out.rows;
}

}  // namespace th
