#include "scan/RowBuilder.h"

#include "platform/TimeStamp.h"
#include "scan/ConsoleLine.h"

namespace th {

RowBuilder::RowBuilder(const LineMatchers& matchers, const ScanOptions& options,
                       std::time_t logModified)
    : matchers_(matchers),
      consoleLines_(options.consoleLines),
      stamp_(options.consoleLines ? formatStamp(logModified) : std::string()),
      literal_(options.consoleLines ? std::string(kEitherFormLiteral)
                                    : matchers.line.requiredLiteral()) {}

RowBuilder::RowBuilder(MainForm& form, const ScanOptions& options, std::time_t logModified)
    : RowBuilder(LineMatchers{form.flexQuelvane, form.flexQuelvaneGetIP, form.flexQuelvaneGetGUID},
                 options, logModified) {}

LineStarts RowBuilder::rowStarts() {
    LineStarts starts;
    for (unsigned c = 0; c < starts.size(); ++c)
        starts[c] = matchers_.line.mayStartWith(static_cast<unsigned char>(c)) ||
                    (consoleLines_ && consoleLineMayStartWith(static_cast<unsigned char>(c)));
    return starts;
}

std::optional<ViolationRow> RowBuilder::row(std::string_view line) {
    // A console line gives the row of the log line it stands for, whose time stamp is the
    // only thing it lacks.
    if (consoleLines_ && consoleLineAsLogLine(line, stamp_, logLine_))
        return parseViolationLine(matchers_, logLine_);
    return parseViolationLine(matchers_, line);
}

}  // namespace th
