#pragma once
// The merge's working rows: one per ban line of the file and per grid violation, put in
// GUID order; and the file's other lines, kept as they are. They live in memory only (no
// copy goes to the hidden grid grdDummy: nothing reads it, and a copy of a million rows
// costs as much as the rows). A row's values are views of text kept in large blocks: a
// string of its own for each would cost a million merge rows five heap blocks each, and
// the time to take and free them.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CellStore.h"
#include "platform/FlexGrid.h"
#include "scan/FieldSplitter.h"
#include "scan/GridColumns.h"

namespace th {

// Its values are valid for as long as the text they view: the blocks of the WorkingRows
// that made it, or whatever its maker keeps.
struct WorkRow {
    std::string_view stamp;  // "[mm.dd.yyyy hh:mm:ss]"
    std::string_view guid;
    std::string_view name;     // in double quotes
    std::string_view address;  // in double quotes
    std::string_view reason;   // without quotes
    bool stamped = false;      // the row had no stamp and got the merge's time
    bool fromGrid = false;     // a violation of the grid, not a line of the ban file
};

// A ban the merge adds from the grid, as follow and merge --dry-run print it.
struct NewBan {
    std::string stamp, guid;
    std::string name;    // without its double quotes
    std::string reason;  // without double quotes
};

NewBan newBanOf(const WorkRow& row);

struct WorkingRows {
    std::vector<WorkRow> rows;
    CellStore texts;  // what the rows' values view, unless their maker keeps it
    // Every line of the file that is not blank and not a ban line, in file order: the
    // ";" temp-ban lines and lines of no known shape. They are written back unchanged.
    std::vector<std::string> keptLines;
    int64_t banLines = 0;  // ban lines read from the file
    int64_t oddLines = 0;  // kept lines that are not ";" lines either
};

// Whether a line of the ban file is a ban line: a stamp, a space and a GUID.
bool isBanLine(std::string_view line);

// Whether the bytes hold a zero byte outside a ban line: no text file does, and every
// program, archive and database does. (A name in a ban line may hold one, as this program
// once wrote it.)
bool zeroOutsideBanLines(std::string_view bytes);

// Takes the ban file's bytes apart, line by line, with the merge's field splitter.
void collectFileLines(std::string_view bytes, FieldSplitter& awk, WorkingRows& into);

// The same, each ban line's row handed to ban rather than kept, its values valid during the
// call only; into gets the rest.
void collectFileLines(std::string_view bytes, FieldSplitter& awk, WorkingRows& into,
                      const std::function<void(WorkRow&&)>& ban);

// The grid's violations as working rows, group rows skipped: the one place where the merge
// reads grid cells. A cell's line breaks become spaces, so that a ban stays one line; a
// Timestamp that is no stamp becomes `now`. progress(row) is told each grid row.
void collectGridRows(const FlexGrid& grid, const std::string& now,
                     const std::function<void(int32_t)>& progress, WorkingRows& into);

// Puts the rows in GUID order, compared as text: ASCII letters without regard to case,
// texts equal but for case by their bytes; rows with equal GUIDs keep their order. The
// sort keys are worked out once per row rather than once per comparison.
void sortByGuid(std::vector<WorkRow>& rows);

// The same, and the rows' texts laid out in that order too, in work.texts: every later step
// of a merge goes through the rows in this order, and texts left where they were read made
// each of those steps wait for memory at almost every row (a merge of a million ban lines
// and as many grid rows took a sixth longer, a third longer when nothing was new). Takes as
// much memory again as the texts for as long as it copies them.
void sortByGuid(WorkingRows& work);

// Appends the text with each CR, LF and zero byte made a space: what a cell becomes in a
// record that must stay one line of text. inQuotes: each double quote becomes an apostrophe too,
// for a value between double quotes, which has no way to carry one.
void appendOneLine(std::string& out, std::string_view text, bool inQuotes = false);

// The longest name, address or reason a ban keeps, in bytes. A shared PostgreSQL database
// indexes them, and an entry must fit a third of a page (2,704 bytes) with the GUID, even
// with every apostrophe stored as two characters. Real ones are a few dozen bytes.
inline constexpr size_t kLongestValue = 500;

// The text cut to kLongestValue bytes at the start of a character.
std::string_view cutToLongest(std::string_view text);

}  // namespace th
