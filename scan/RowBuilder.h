#pragma once
// What a candidate line of a log becomes: the row of an anti-cheat log line and, when the
// scan options say so, the row of the same line as a game's console log holds it.

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "scan/LineBlocks.h"
#include "scan/MainForm.h"
#include "scan/ScanOptions.h"
#include "scan/ViolationLine.h"

namespace th {

class RowBuilder {
  public:
    // The matchers have their patterns. A console line has no time stamp: it gets the
    // log's modification time (local time), so that every row has a real one.
    RowBuilder(const LineMatchers& matchers, const ScanOptions& options, std::time_t logModified);
    // The same with the form's own three matchers.
    RowBuilder(MainForm& form, const ScanOptions& options, std::time_t logModified);

    // The text every line that can give a row holds: only lines holding it are built.
    const std::string& literal() const { return literal_; }

    // The bytes a line that gives a row may begin with.
    LineStarts rowStarts();

    // The row the line gives, or nothing.
    std::optional<ViolationRow> row(std::string_view line);

  private:
    const LineMatchers matchers_;
    const bool consoleLines_;
    const std::string stamp_;  // of console lines
    const std::string literal_;
    std::string logLine_;  // a console line rewritten, kept to spare an allocation a line
};

}  // namespace th
