#pragma once
// One part of a log scanned into violation rows, by one thread with matchers of its own,
// so that parts can be scanned side by side and their rows joined in the log's order.

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "scan/ByteSearch.h"
#include "scan/GridColumns.h"
#include "scan/LineBlocks.h"
#include "scan/PatternMatcher.h"
#include "scan/RowBuilder.h"
#include "scan/ScanOptions.h"

namespace th {

struct MainForm;

// What a part gave: its rows, seven cells each in the order of GridColumn packed after
// their lengths, and how many lines it read.
struct PartRows {
    std::string cells;
    int32_t rows = 0;
    int64_t lines = 0;
    bool whole = true;  // false when the part was stopped before its end

    // Calls add with the cells of each row, in order.
    void forEachRow(const std::function<void(const ViolationCells&)>& add) const;
};

class PartScanner {
  public:
    // Copies the form's three matchers, whose patterns the caller has set; candidate
    // lines become rows as the options say, console lines stamped with logModified.
    PartScanner(const MainForm& form, const ScanOptions& options, std::time_t logModified);
    // The row builder holds the matchers' places.
    PartScanner(const PartScanner&) = delete;
    PartScanner& operator=(const PartScanner&) = delete;

    // Scans the lines of fd that span takes into out (a stream: all of it), reading
    // blockSize bytes at a time. progress goes up as lines are read; stop is asked
    // between blocks and ends the part early when it says so.
    void scan(int fd, bool stream, const LineSpan& span, size_t blockSize, const std::string& name,
              PartRows& out, std::atomic<int64_t>& progress, const std::function<bool()>& stop);

  private:
    void take(std::string_view line, PartRows& out);

    PatternMatcher line_, address_, guid_;
    RowBuilder builder_;  // what a line holding its literal becomes
    LineStarts rowStarts_;
    // Only lines holding the literal every candidate line holds go to the builder.
    LiteralSearch search_;
    std::vector<char> buffer_;  // kept from part to part
};

}  // namespace th
